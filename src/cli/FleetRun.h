#pragma once

#include "CommandLine.h"
#include "HostReport.h"

#include <functional>

// Runs `work` for every host of the command line, at most --jobs at once,
// each on a worker thread of its own; prints each host's text as it ends (or
// the JSON document or the table at the end) and returns the highest exit
// code (ExitDrift when no host failed and some drifted). SIGINT or SIGTERM ends the run at once:
// the hosts not done are reported "interrupted" with 128 + the signal, which the run exits with.
int RunOnTargets(const CommandLine& line, const std::function<void(HostReport&)>& work);
