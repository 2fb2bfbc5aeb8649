#include "ParentConsole.h"

void UseParentConsole() {}
