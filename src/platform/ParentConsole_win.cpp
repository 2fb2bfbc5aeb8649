#include "ParentConsole.h"

#include <cstdio>

#include <windows.h>

namespace {

// A handle the program was given: a file, a pipe or a console already.
bool Given(DWORD stream) {
    const HANDLE handle = GetStdHandle(stream);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

void ToConsole(std::FILE* stream) {
    // Left as it was when the console cannot be opened.
    if (std::FILE* reopened = std::freopen("CONOUT$", "w", stream))
        std::setvbuf(reopened, nullptr, _IONBF, 0);
}

} // namespace

void UseParentConsole() {
    const bool outGiven = Given(STD_OUTPUT_HANDLE);
    const bool errGiven = Given(STD_ERROR_HANDLE);
    if ((outGiven && errGiven) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!outGiven)
        ToConsole(stdout);
    if (!errGiven)
        ToConsole(stderr);
}
