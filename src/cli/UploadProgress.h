#pragma once

#include <QString>

// One progress bar on standard error for all devices of an upgrade, drawn
// only when standard error is a terminal, so logs and pipes stay clean. The
// devices' threads report to it; it counts and draws on the main thread.
class UploadProgress {
public:
    UploadProgress(int devices, int blocksPerDevice);
    ~UploadProgress();
    void BlockDone();
    void DeviceDone();

private:
    void draw();

    bool shown_;
    long long total_;
    long long done_ = 0;
    int devices_;
    int devicesDone_ = 0;
    int lastPercent_ = -1;
};
