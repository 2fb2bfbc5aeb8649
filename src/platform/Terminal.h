#pragma once

// Whether the standard error stream is a terminal (a console on Windows), so a
// progress line redrawn in place is seen rather than filling a log.
bool StderrIsTerminal();
