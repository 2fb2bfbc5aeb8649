// Firmware upload in 1,024-byte blocks, install, and read-back.
#include "DeviceEngine.h"
#include "FirmwareImage.h"

#include <algorithm>

namespace sim {

QByteArray DeviceEngine::servedImage() const {
    QByteArray image = state_.image;
    if (faults_.oversizeImageHeader && image.size() >= kImageHeaderSize) {
        // 0x040000 + 16 bytes: 257 blocks, one more than any image can have.
        image[4] = 0;
        image[5] = 0;
        image[6] = 4;
    }
    return image;
}

bool DeviceEngine::firmwareAssignment(const QByteArray& key, const QByteArray& value) {
    const int n = ValueNumber(value, -1);
    if (key == "WRITESOFT") {
        if (faults_.writeSoftBusy) {
            answerItem(key, "BUSY");
        } else if (n < 0 || n >= kImageMaxBlocks) {
            answerItem(key, "ERROR");
        } else {
            if (n == 0) {
                upload_.clear();
                // Room for the largest image at once, not a reallocation per block.
                upload_.reserve(kImageMaxSize);
                uploaded_.reset();
            }
            rawKind_ = RawKind::SoftBlock;
            rawBlock_ = n;
            rawExpected_ = kImageBlockSize;
            rawData_.clear();
            answerItem(key, "READY");
        }
    } else if (key == "READSOFT") {
        if (faults_.oldReadSoft) {
            answerItem(key, "ERROR");
        } else if (faults_.stallReadSoftAt >= 0 && n >= faults_.stallReadSoftAt) {
            // stalled: the block never comes
        } else if (n < 0 || n >= kImageMaxBlocks) {
            answerItem(key, "ERROR");
        } else {
            QByteArray block = servedImage().mid(qsizetype(n) * kImageBlockSize, kImageBlockSize);
            if (!faults_.shortLastReadSoft || block.isEmpty())
                block.append(kImageBlockSize - block.size(), '\0');
            answer(block);
        }
    } else if (key == "UPGRADE") {
        if (n != 1) {
            answerItem(key, "ERROR");
            return true;
        }
        bool ok = !faults_.upgradeFail && upload_.size() >= kImageHeaderSize;
        qsizetype length = 0;
        if (ok) {
            // The header's length, not the received size: the last block's
            // filler is not part of the image.
            const auto* b = reinterpret_cast<const uint8_t*>(upload_.constData());
            length = qsizetype(b[4]) + qsizetype(b[5]) * 256 + qsizetype(b[6]) * 65536 +
                     kImageHeaderSize;
            const qsizetype blocks = (length + kImageBlockSize - 1) / kImageBlockSize;
            ok = length <= kImageMaxSize && length <= upload_.size();
            for (qsizetype i = 0; ok && i < blocks; ++i)
                ok = uploaded_.test(static_cast<size_t>(i));
            ok = ok && CheckImage(upload_, length).ok();
        }
        if (!ok) {
            answerItem(key, "FAIL");
            return true;
        }
        state_.install(upload_.left(length));
        upload_.clear();
        uploaded_.reset();
        answerItem(key, "OK");
        requestAction(EngineAction::Restart);
    } else {
        return false;
    }
    return true;
}

void DeviceEngine::softBlockReceived() {
    const qsizetype offset = qsizetype(rawBlock_) * kImageBlockSize;
    if (upload_.size() < offset + kImageBlockSize)
        upload_.resize(offset + kImageBlockSize, '\0');
    upload_.replace(offset, kImageBlockSize, rawData_);
    uploaded_.set(static_cast<size_t>(rawBlock_));
    if (faults_.isSilent(QStringLiteral("SOFTBLOCK")))
        return;
    const QByteArray reply =
        faults_.softBlockAnswer.isEmpty() ? QByteArray("WRITESOFT = OK;") : faults_.softBlockAnswer;
    const int at = std::max(0, faults_.answerDelayMs);
    if (faults_.splitSoftBlockAnswer && reply.size() >= 2) {
        out_.writes.append({reply.left(reply.size() / 2), at});
        out_.writes.append({reply.mid(reply.size() / 2), at + std::max(0, faults_.splitGapMs)});
    } else {
        answer(reply);
    }
    if (!faults_.softBlockTrailer.isEmpty())
        out_.writes.append(
            {faults_.softBlockTrailer, at + std::max(0, faults_.softBlockTrailerMs)});
}

} // namespace sim
