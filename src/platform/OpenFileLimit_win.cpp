#include "OpenFileLimit.h"

// Winsock sockets are handles, not C runtime descriptors: no limit to raise.
void RaiseOpenFileLimit() {}
