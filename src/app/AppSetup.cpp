#include "AppSetup.h"

#include "AppIcon.h"
#include "Version.h"

#include <QApplication>

void SetUpApplication() {
    QApplication::setApplicationName(QStringLiteral("rk5720-config"));
    QApplication::setApplicationVersion(QStringLiteral(RK_VERSION_STRING));
    // Ties the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("rk5720-config"));
    QApplication::setWindowIcon(AppIcon());
}
