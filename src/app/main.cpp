#include "AppOptions.h"
#include "TChatForm.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <exception>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rk5720-config"));
    QApplication::setApplicationVersion(QStringLiteral(RK_VERSION_STRING));
    QApplication::setApplicationDisplayName(QStringLiteral("Configuration of RK5720ETH"));

    const AppOptions options = ParseAppOptions(QApplication::arguments());
    switch (options.action) {
    case AppOptions::Action::ShowHelp:
    case AppOptions::Action::ShowVersion:
        std::fputs(qPrintable(options.message + QLatin1Char('\n')), stdout);
        return 0;
    case AppOptions::Action::Fail:
        std::fputs(qPrintable(options.message + QLatin1Char('\n')), stderr);
        return 2;
    case AppOptions::Action::Run:
        break;
    }

    try {
        TChatForm window(options);
        window.show();
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(),
                              QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
