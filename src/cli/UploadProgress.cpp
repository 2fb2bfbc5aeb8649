#include "UploadProgress.h"

#include "Terminal.h"
#include "TerminalOutput.h"

#include <algorithm>

UploadProgress::UploadProgress(int devices, int blocksPerDevice)
    : shown_(StderrIsTerminal()), blocksPerDevice_(blocksPerDevice),
      total_(std::max(1LL, 1LL * devices * blocksPerDevice)), devices_(devices) {}

UploadProgress::~UploadProgress() {
    if (shown_)
        EndStatusLine();
}

void UploadProgress::BlockDone() {
    if (!shown_)
        return;
    ++blocksPosted_;
    // One drawing in the main thread's queue at a time: a block's answer must
    // not wake the main thread each time, with many devices on 2 cores.
    if (drawQueued_.exchange(true))
        return;
    OnMainThread([this] {
        drawQueued_ = false;
        draw();
    });
}

void UploadProgress::DeviceDone(int blocksSeen, bool succeeded) {
    if (!shown_)
        return;
    OnMainThread([this, blocksSeen, succeeded] {
        ++devicesDone_;
        if (succeeded)
            toppedUp_ += std::max(0, blocksPerDevice_ - blocksSeen);
        else
            ++devicesFailed_;
        draw();
    });
}

void UploadProgress::draw() {
    if (!shown_)
        return;
    const bool last = devicesDone_ >= devices_;
    const long long done = blocksPosted_.load() + toppedUp_;
    const int percent = int(std::min(100LL, done * 100 / total_));
    if (percent == lastPercent_ && !last)
        return;
    lastPercent_ = percent;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    QString text =
        QStringLiteral("[%1%2] %3%  %4/%5 devices done")
            .arg(QString(filled, QLatin1Char('#')), QString(kWidth - filled, QLatin1Char('.')))
            .arg(percent, 3)
            .arg(devicesDone_)
            .arg(devices_);
    if (devicesFailed_ > 0)
        text += QStringLiteral(", %1 failed").arg(devicesFailed_);
    ShowStatusLine(text);
}
