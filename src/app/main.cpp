#include "AppOptions.h"
#include "AppSetup.h"
#include "ParentConsole.h"
#include "QuitSignals.h"
#include "TChatForm.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <exception>

namespace {

// Help, version and bad arguments are answered on the console, before anything
// needs a display.
int Report(const AppOptions& options) {
    UseParentConsole();
    const bool failed = options.action == AppOptions::Action::Fail;
    std::fputs(qPrintable(options.message + QLatin1Char('\n')), failed ? stderr : stdout);
    return failed ? 2 : 0;
}

} // namespace

int main(int argc, char* argv[]) {
    {
        const QCoreApplication probe(argc, argv);
        const AppOptions early = ParseAppOptions(QCoreApplication::arguments());
        // An unknown option may still be one of the GUI toolkit's own, which
        // only the GUI application strips; that case is decided below.
        if (early.action != AppOptions::Action::Run &&
            !early.message.startsWith(QLatin1String("Unknown option")))
            return Report(early);
    }
    QApplication app(argc, argv);
    SetUpApplication();

    const AppOptions options = ParseAppOptions(QApplication::arguments());
    if (options.action != AppOptions::Action::Run)
        return Report(options);

    try {
        TChatForm window(options);
        const QuitSignals quitSignals(&window);
        window.show();
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, kApplicationTitle, QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
