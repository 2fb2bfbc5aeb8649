// The string protocol of the instruments on the RS485 line.
#include "DeviceEngine.h"

#include <algorithm>

namespace sim {

namespace {
constexpr int kMaxBlockLength = 1024;
constexpr int kMaxBlocks = 8;
} // namespace

bool DeviceEngine::instrumentAssignment(const QByteArray& key, const QByteArray& value) {
    const int n = ValueNumber(value, -1);
    if (key == "NDEVICE") {
        device_ = QString::fromLatin1(value);
        readReady_ = false;
        answerItem(key, value.isEmpty() ? "ERROR" : "OK");
    } else if (key == "LENBLOCK") {
        const bool ok = n >= 1 && n <= kMaxBlockLength;
        if (ok)
            lenBlock_ = n;
        answerItem(key, ok ? "OK" : "ERROR");
    } else if (key == "NBLOCKS") {
        const bool ok = n >= 1 && n <= kMaxBlocks;
        if (ok)
            nBlocks_ = n;
        answerItem(key, ok ? "OK" : "ERROR");
    } else if (key == "READ") {
        readReady_ = n >= 0 && state_.findInstrument(device_) != nullptr;
        answerItem(key, readReady_ ? "OK" : "NO");
    } else if (key == "WRITEBUF") {
        if (n >= 1 && n <= kMaxBlockLength) {
            rawKind_ = RawKind::WriteBuf;
            rawExpected_ = n;
            rawData_.clear();
            answerItem(key, "READY");
        } else {
            answerItem(key, "ERROR");
        }
    } else if (key == "WRITE") {
        bool ok = false;
        for (Instrument& in : state_.instruments) {
            if (in.name.compare(device_, Qt::CaseInsensitive) == 0 && !in.lastWrite.isEmpty())
                ok = n >= 0;
        }
        answerItem(key, ok ? "OK" : "NO");
    } else {
        return false;
    }
    return true;
}

bool DeviceEngine::instrumentBareWord(const QByteArray& word) {
    if (word != "READBUF")
        return false;
    const Instrument* in = state_.findInstrument(device_);
    if (!readReady_ || !in) {
        answerItem(word, "NO");
        return true;
    }
    // The current values as floats in the device's byte order, block after
    // block, the rest of each block zero.
    QByteArray data;
    for (int b = 0; b < nBlocks_; ++b) {
        QByteArray block;
        for (float v : in->inputs) {
            if (block.size() + 4 > lenBlock_)
                break;
            uint8_t bytes[4];
            EncodeFloat(v, state_.activePackFloat, bytes);
            block.append(reinterpret_cast<const char*>(bytes), 4);
        }
        block.append(lenBlock_ - block.size(), '\0');
        data += block;
    }
    readReady_ = false;
    answerData(data);
    if (!faults_.readBufTrailer.isEmpty())
        out_.writes.append({faults_.readBufTrailer, std::max(0, faults_.answerDelayMs) +
                                                        std::max(0, faults_.readBufTrailerMs)});
    return true;
}

void DeviceEngine::answerData(const QByteArray& bytes) {
    const int cut = faults_.splitDataAt;
    if (cut <= 0 || cut >= bytes.size() || faults_.mergeAnswers) {
        answer(bytes);
        return;
    }
    const int at = std::max(0, faults_.answerDelayMs);
    out_.writes.append({bytes.left(cut), at});
    out_.writes.append({bytes.mid(cut), at + std::max(0, faults_.splitGapMs)});
}

void DeviceEngine::writeBufReceived() {
    // Kept for the WRITE that follows; the data bytes themselves get no answer.
    for (Instrument& in : state_.instruments) {
        if (in.name.compare(device_, Qt::CaseInsensitive) == 0)
            in.lastWrite = rawData_;
    }
}

} // namespace sim
