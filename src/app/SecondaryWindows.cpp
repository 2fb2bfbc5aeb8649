#include "SecondaryWindows.h"

#include "FormLook.h"

TFCombBoxDial::TFCombBoxDial(QWidget* parent) : QDialog(parent) {
    ui_.setupUi(this);
    setFont(UiFont());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

QPoint SecondaryWindowPos(const QPoint& mainWindowPos) {
    return mainWindowPos + QPoint(40, 70);
}

void ShowSecondaryWindow(const QWidget& mainWindow, QDialog& window) {
    window.move(SecondaryWindowPos(mainWindow.pos()));
    window.exec();
}
