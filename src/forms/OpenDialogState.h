#pragma once

#include <QString>

// What the firmware file dialog remembers between runs: the folder it opens in
// and the chosen file. The settings file restores both at start.
struct OpenDialogState {
    static constexpr const char* kFilter = "*.bin (*.bin);;*.* (*)";

    QString InitialDir;
    QString FileName;
};
