#pragma once

// A window program on Windows starts with no console, so its help, version and
// argument errors would go nowhere: when it was started from a console, they
// go to that one. Output sent to a file or a pipe stays there. On Linux the
// terminal is already the program's: nothing to do.
void UseParentConsole();
