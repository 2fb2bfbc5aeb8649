#include "UploadProgress.h"

#include "HostReport.h"

#include <algorithm>
#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#define RK_ISATTY _isatty
#define RK_FILENO _fileno
#else
#include <unistd.h>
#define RK_ISATTY isatty
#define RK_FILENO fileno
#endif

UploadProgress::UploadProgress(int devices, int blocksPerDevice)
    : shown_(RK_ISATTY(RK_FILENO(stderr)) != 0),
      total_(std::max(1LL, 1LL * devices * blocksPerDevice)), devices_(devices) {}

UploadProgress::~UploadProgress() {
    if (shown_ && lastPercent_ >= 0)
        std::fputs("\n", stderr);
}

void UploadProgress::BlockDone() {
    OnMainThread([this] {
        ++done_;
        draw();
    });
}

void UploadProgress::DeviceDone() {
    OnMainThread([this] {
        ++devicesDone_;
        draw();
    });
}

void UploadProgress::draw() {
    if (!shown_)
        return;
    const int percent = int(std::min(100LL, done_ * 100 / total_));
    if (percent == lastPercent_ && devicesDone_ < devices_)
        return;
    lastPercent_ = percent;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    const QString bar =
        QString(filled, QLatin1Char('#')) + QString(kWidth - filled, QLatin1Char('.'));
    std::fprintf(stderr, "\r[%s] %3d%%  %d/%d devices done", qPrintable(bar), percent, devicesDone_,
                 devices_);
    std::fflush(stderr);
}
