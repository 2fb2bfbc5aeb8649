#pragma once

// Faults named in test tables: "silent", "busy", "upgradeFail", "old", or a
// name with its argument: "silent:?VERSION", "reject:GW", "reject:*",
// "stall:3" (READSOFT of block 3 and later unanswered). "" is no fault.

#include "SimFaults.h"

#include <QString>

inline void ApplyFaultName(sim::SimFaults& f, const QString& name) {
    const QString kind = name.section(QLatin1Char(':'), 0, 0);
    const QString arg = name.section(QLatin1Char(':'), 1);
    if (kind == QLatin1String("silent") && arg.isEmpty())
        f.silentAll = true;
    else if (kind == QLatin1String("silent"))
        f.silentCommands = {arg};
    else if (kind == QLatin1String("reject"))
        f.rejectKeys = {arg};
    else if (kind == QLatin1String("busy"))
        f.writeSoftBusy = true;
    else if (kind == QLatin1String("upgradeFail"))
        f.upgradeFail = true;
    else if (kind == QLatin1String("old"))
        f.oldReadSoft = true;
    else if (kind == QLatin1String("stall"))
        f.stallReadSoftAt = arg.toInt();
    else if (kind == QLatin1String("dropAfter"))
        f.dropAfterCommands = arg.toInt();
    else if (kind == QLatin1String("confirmAllEarly"))
        f.confirmAllEarly = true;
}
