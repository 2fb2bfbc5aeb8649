#include "QuietProcess.h"

void MakeQuiet(QProcess&) {}
