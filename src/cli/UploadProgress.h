#pragma once

#include <QString>

// One progress bar on standard error for all devices of an upgrade, drawn
// only when standard error is a terminal, so logs and pipes stay clean. The
// devices' threads report to it; it counts and draws on the main thread, on
// a status line of its own that other output keeps clear of. When the last
// device is done, the bar's final state stays on its line.
class UploadProgress {
public:
    UploadProgress(int devices, int blocksPerDevice);
    ~UploadProgress();
    void BlockDone();
    // A device that ended: `blocksSeen` of its blocks were counted; one that
    // succeeded counts in full, whatever steps it could skip.
    void DeviceDone(int blocksSeen, bool succeeded);

private:
    void draw();

    bool shown_;
    int blocksPerDevice_;
    long long total_;
    long long done_ = 0;
    int devices_;
    int devicesDone_ = 0;
    int devicesFailed_ = 0;
    int lastPercent_ = -1;
};
