#include "HostReport.h"

bool HostReport::Fail(int code, const QString& message) {
    if (!Failed()) {
        exitCode = code;
        error = message;
    }
    return false;
}
