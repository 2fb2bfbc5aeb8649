#include "LineEnd.h"

bool SystemLineEndIsCrLf() {
    return false;
}
