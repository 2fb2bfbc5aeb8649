#pragma once

#include <QString>

#include <atomic>

// One progress bar on standard error for all devices of an upgrade, drawn
// only when standard error is a terminal, so logs and pipes stay clean. The
// devices' threads report to it; it counts and draws on the main thread, on
// a status line of its own that other output keeps clear of. Its final state
// stays on its line when the run ends.
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
    std::atomic<long long> blocksPosted_{0}; // counted on the devices' threads
    std::atomic<bool> drawQueued_{false};
    long long toppedUp_ = 0; // blocks a device that succeeded did not need
    int devices_;
    int devicesDone_ = 0;
    int devicesFailed_ = 0;
    int lastPercent_ = -1;
};
