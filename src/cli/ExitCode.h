#pragma once

// What rk5720-cli tells a script. With several hosts the run exits with the
// highest code any host got; a failure (1, 2, 3) outranks drift (4).
enum ExitCode : int {
    ExitDone = 0,
    // The device refused a command or a verification failed.
    ExitRefused = 1,
    // Bad usage or bad input; nothing was sent.
    ExitUsage = 2,
    // No connection, or the device fell silent, answered garbage or dropped
    // the connection.
    ExitUnreachable = 3,
    // apply --check: some host would change, none failed.
    ExitDrift = 4,
};
