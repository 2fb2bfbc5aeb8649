// The compare: the device's version texts against the file's, then its stored
// image read back block by block and compared byte for byte.
#include "FirmwareProcedures.h"

#include "ImageFile.h"
#include "Messages.h"
#include "Text.h"
#include "Ticks.h"
#include "Wait.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace {

const char kOldDeviceText[] = "READSOFT";
constexpr int kOldDeviceTextSize = 8;

// Raised inside the compare with its code; one handler turns it into words.
struct CompareFailure {
    int code;
};

bool IsOldDeviceText(const QByteArray& bytes) {
    return bytes.size() >= kOldDeviceTextSize &&
           std::memcmp(bytes.constData(), kOldDeviceText, size_t(kOldDeviceTextSize)) == 0;
}

// The device's stored image length from its header: payload length plus header.
qsizetype StoredLength(const QByteArray& image) {
    const auto* b = reinterpret_cast<const uint8_t*>(image.constData());
    return qsizetype(b[4]) + qsizetype(b[5]) * 256 + qsizetype(b[6]) * 65536 + kImageHeaderSize;
}

} // namespace

FirmwareProcedures::CompareResult FirmwareProcedures::CompareFirmware(const QString& fileName) {
    ImageFile file;
    try {
        file = ReadImageFile(fileName);
    } catch (const std::exception&) {
        file.status = ImageFile::Status::CannotOpen;
    }
    return CompareFirmware(file);
}

FirmwareProcedures::CompareResult FirmwareProcedures::CompareFirmware(const ImageFile& file) {
    CompareResult result;
    if (!socket_.Connected()) {
        log_.ShowStatus(msg::ServerNotConnected);
        result.connected = false;
        return result;
    }
    try {
        if (file.status == ImageFile::Status::CannotOpen)
            throw CompareFailure{CompareFileNotOpen};
        if (file.status == ImageFile::Status::TooLong)
            throw CompareFailure{CompareFileTooLong};
        emit phase(FirmwarePhase::FileRead);
        if (file.status == ImageFile::Status::ShortRead)
            throw CompareFailure{CompareFileNotOpen};

        const ImageCheck fileCheck = ValidateImage(file.bytes, file.size, VersionSide::File);
        const Answer versionAnswer = channel_.Exchange(QByteArrayLiteral("?Version"), AnswerWait{});
        const Answer dateAnswer =
            channel_.Exchange(QByteArrayLiteral("?DateVersion"), AnswerWait{});
        // An answer that came late, during the next query, still counts; a
        // version read before this comparison does not.
        const auto latest = [&](AnswerKey key) {
            QString value;
            for (const Answer* answer : {&versionAnswer, &dateAnswer})
                for (const AnswerItem& item : answer->items)
                    if (FindAnswerKey(item.key) == int(key))
                        value = item.value;
            return value;
        };
        const QString deviceVersion = latest(AnswerKey::VERSION);
        const QString deviceDate = latest(AnswerKey::DATEVERSION);
        result.deviceVersion = deviceVersion;
        result.deviceDate = deviceDate;
        emit versionText(VersionSide::Device,
                         deviceVersion + QStringLiteral("  (") + deviceDate + QLatin1Char(')'));
        // The image pads a short version or date with blanks; the device
        // answers it without them.
        if (!fileCheck.ok() || FromCp1251(fileCheck.version).trimmed() != deviceVersion.trimmed() ||
            FromCp1251(fileCheck.date).trimmed() != deviceDate.trimmed())
            throw CompareFailure{CompareVersionsDiffer};

        emit phase(FirmwarePhase::ReadBackBegun);
        result.code = readBack(file.bytes, file.size, result);
    } catch (const CompareFailure& failure) {
        result.code = failure.code;
    } catch (const std::exception&) {
        result.code = CompareFileNotOpen;
    }

    // A short read and a failure while reading count as a file that did not open.
    const QString fileNotOpen =
        ImageFileMessage(ImageFile::Status::CannotOpen, ImageFileUse::Compare);
    const QString fileTooLong = ImageFileMessage(ImageFile::Status::TooLong, ImageFileUse::Compare);
    const struct {
        int code;
        QString label;
        QString report;
    } failures[] = {
        {CompareFileNotOpen, fileNotOpen, fileNotOpen},
        {CompareFileTooLong, fileTooLong, fileTooLong},
        {CompareNotAnswered, QStringLiteral("Server not answer"),
         QStringLiteral("Server not answer")},
        {CompareTooOld, QStringLiteral("Very old version RK5720"),
         QStringLiteral("Very old version RK5720LAN")},
    };
    for (const auto& f : failures) {
        if (f.code == result.code) {
            emit versionText(VersionSide::Device, f.label);
            log_.ShowStatus(f.report);
        }
    }
    if (result.code != CompareDone)
        ++result.mismatches;
    return result;
}

int FirmwareProcedures::readBack(const QByteArray& file, qsizetype size, CompareResult& result) {
    // The device's image, begun as the file's bytes, shared and not copied: a
    // block that reads back the same is not written, so a device that holds
    // the file costs no image buffer of its own. The first other block copies.
    QByteArray stored = file.left(size);
    const auto store = [&](qsizetype offset, QByteArray block) {
        // A short block (the old device's text) reads as zeros after it.
        block.resize(kImageBlockSize, '\0');
        if (offset + kImageBlockSize <= stored.size() &&
            std::memcmp(stored.constData() + offset, block.constData(), kImageBlockSize) == 0)
            return;
        if (stored.size() < offset + kImageBlockSize)
            stored.resize(offset + kImageBlockSize, '\0');
        std::memcpy(stored.data() + offset, block.constData(), kImageBlockSize);
    };
    const std::optional<QByteArray> first = readBlock(0, timing.firstBlockReadMs);
    if (!first)
        return CompareNotAnswered;
    if (IsOldDeviceText(*first))
        return CompareTooOld;
    store(0, *first);

    const qsizetype length = StoredLength(stored);
    if (length != size) {
        result.lengthDiffers = true;
        ++result.mismatches;
    }
    const qsizetype blocks = (length + kImageBlockSize - 1) / kImageBlockSize;
    if (blocks > kImageMaxBlocks)
        return CompareTooOld;
    for (int n = 1; n < blocks; ++n) {
        const std::optional<QByteArray> block = readBlock(n, timing.blockReadMs);
        if (!block)
            return CompareNotAnswered;
        emit phase(FirmwarePhase::BlockDone);
        store(qsizetype(n) * kImageBlockSize, *block);
    }

    const qsizetype common = std::min(length, size);
    qsizetype lastBlock = -1;
    for (qsizetype i = 0; i < common; ++i) {
        if (file[i] == stored[i])
            continue;
        ++result.mismatchedBytes;
        if (i / kImageBlockSize != lastBlock) {
            lastBlock = i / kImageBlockSize;
            ++result.mismatchedBlocks;
        }
    }
    result.mismatches += result.mismatchedBytes;
    result.stored = ValidateImage(stored, length, VersionSide::Device);
    return CompareDone;
}

std::optional<QByteArray> FirmwareProcedures::readBlock(int n, uint32_t limitMs) {
    // A block may come in several pieces: they are joined until the block is
    // whole, or until it shows the old device's text answer.
    const RawReply reply =
        channel_.ReadRaw(QByteArrayLiteral("READSOFT  = ") + QByteArray::number(n), kImageBlockSize,
                         limitMs, [](const QByteArray& got) {
                             return got.size() >= kImageBlockSize || IsOldDeviceText(got);
                         });
    if (!reply.complete) {
        closeConnection();
        return std::nullopt;
    }
    return reply.bytes;
}
