#pragma once

// A scan holds a connection per address in flight: as many as the system lets
// this process have, not the shell's small default. Where the system has no
// such per-process limit on sockets, this does nothing.
void RaiseOpenFileLimit();
