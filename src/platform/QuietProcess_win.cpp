#include "QuietProcess.h"

#include <QProcess>

#include <windows.h>

void MakeQuiet(QProcess& process) {
    process.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments* arguments) { arguments->flags |= CREATE_NO_WINDOW; });
}
