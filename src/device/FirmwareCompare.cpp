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

bool StartsWithOldDeviceText(const QByteArray& buffer, int count) {
    const int n = std::min(count, kOldDeviceTextSize);
    return std::memcmp(buffer.constData(), kOldDeviceText, size_t(n)) == 0;
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
        channel_.SendCommand(QStringLiteral("?Version"));
        channel_.SendCommand(QStringLiteral("?DateVersion"));
        const QString deviceVersion = model_.Value(DeviceField::Version);
        const QString deviceDate = model_.Value(DeviceField::Date);
        emit versionText(VersionSide::Device,
                         deviceVersion + QStringLiteral("  (") + deviceDate + QLatin1Char(')'));
        // The image pads a short version or date with blanks; the device
        // answers it without them.
        if (!fileCheck.ok() || FromCp1251(fileCheck.version).trimmed() != deviceVersion.trimmed() ||
            FromCp1251(fileCheck.date).trimmed() != deviceDate.trimmed())
            throw CompareFailure{CompareVersionsDiffer};

        emit phase(FirmwarePhase::ReadBackBegun);
        result.code = readBack(file.bytes, file.size, result.mismatches);
    } catch (const CompareFailure& failure) {
        result.code = failure.code;
    } catch (const std::exception&) {
        result.code = CompareFileNotOpen;
    }
    state_.RawReadPending = false;

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

int FirmwareProcedures::readBack(const QByteArray& file, qsizetype size, int& mismatches) {
    // The device's image, begun as the file's bytes, shared and not copied: a
    // block that reads back the same is not written, so a device that holds
    // the file costs no image buffer of its own. The first other block copies.
    QByteArray stored = file.left(size);
    const auto store = [&](qsizetype offset) {
        const char* block = state_.RawBuffer.constData();
        // A short block (the old device's text) reads as zeros after it.
        QByteArray padded;
        if (state_.RawReceived < kImageBlockSize) {
            padded = state_.RawBuffer.left(std::max(state_.RawReceived, 0));
            padded.resize(kImageBlockSize, '\0');
            block = padded.constData();
        }
        if (offset + kImageBlockSize <= stored.size() &&
            std::memcmp(stored.constData() + offset, block, kImageBlockSize) == 0)
            return;
        if (stored.size() < offset + kImageBlockSize)
            stored.resize(offset + kImageBlockSize, '\0');
        std::memcpy(stored.data() + offset, block, kImageBlockSize);
    };
    if (!readBlock(0, timing.firstBlockReadMs))
        return CompareNotAnswered;
    if (state_.RawReceived >= kOldDeviceTextSize &&
        StartsWithOldDeviceText(state_.RawBuffer, kOldDeviceTextSize))
        return CompareTooOld;
    store(0);

    const qsizetype length = StoredLength(stored);
    if (length != size)
        ++mismatches;
    const qsizetype blocks = (length + kImageBlockSize - 1) / kImageBlockSize;
    if (blocks > kImageMaxBlocks)
        return CompareTooOld;
    for (int n = 1; n < blocks; ++n) {
        if (!readBlock(n, timing.blockReadMs))
            return CompareNotAnswered;
        emit phase(FirmwarePhase::BlockDone);
        store(qsizetype(n) * kImageBlockSize);
    }

    const qsizetype common = std::min(length, size);
    for (qsizetype i = 0; i < common; ++i)
        mismatches += file[i] != stored[i] ? 1 : 0;
    ValidateImage(stored, length, VersionSide::Device);
    return CompareDone;
}

bool FirmwareProcedures::readBlock(int n, uint32_t limitMs) {
    const uint32_t t0 = rk::GetTickCount();
    state_.RawReceived = 0;
    state_.RawReadDone = false;
    state_.RawReadPending = true;
    if (state_.SocketWritable)
        socket_.SendText(QByteArrayLiteral("READSOFT  = ") + QByteArray::number(n));
    // A block may come in several pieces: the raw read is armed again until
    // the block is whole, or until it shows the old device's text answer.
    for (;;) {
        const bool arrived =
            WaitUntil([this] { return state_.RawReadDone || !state_.SocketWritable; }, limitMs,
                      t0) &&
            state_.RawReadDone;
        if (!arrived) {
            state_.RawReadPending = false;
            closeConnection();
            return false;
        }
        const int got = state_.RawReceived;
        if (got >= kImageBlockSize ||
            (got >= kOldDeviceTextSize && StartsWithOldDeviceText(state_.RawBuffer, got)))
            return true;
        state_.RawReadDone = false;
        state_.RawReadPending = true;
    }
}
