#include "LineEnd.h"

bool SystemLineEndIsCrLf() {
    return true;
}
