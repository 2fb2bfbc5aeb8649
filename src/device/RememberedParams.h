#pragma once

#include <QString>

// The last address, port and parameters the user connected with or wrote;
// the settings file keeps them between runs.
struct RememberedParams {
    QString LastAddr;
    QString LastNetMask;
    QString LastGW;
    QString LastMac;
    QString LastPort;
    int LastPackFloat = 0;
    int LastSpeedDup = 0;
};
