// Checking an image file, the upload with its install, and the remote COM-port
// switch.
#include "FirmwareProcedures.h"

#include "ImageFile.h"
#include "Messages.h"
#include "Ticks.h"
#include "Wait.h"

#include <algorithm>
#include <exception>

namespace {
const QString kIndicatorPattern = QStringLiteral("--+--+--+--");
// Flash reads 0xFF where nothing was written; the last block's tail beyond
// the file is sent as erased flash, never as stale memory.
constexpr char kBlockFiller = '\xFF';
const char kRemoteComOff[] = {'\xFF', '\xFE', '\x2C', '\xAA', '\xBB', '\xFF', '\xF0'};
const QByteArray kRemoteComQuery = QByteArrayLiteral("?SERVORRCOM;");
// The last tick of a wait of `ms`; a zero pause waits for nothing instead of
// wrapping round to 49 days.
uint32_t LastTick(uint32_t ms) {
    return ms > 0 ? ms - 1 : 0;
}

} // namespace

FirmwareProcedures::FirmwareProcedures(ClientSocket& socket, CommandChannel& channel,
                                       ChannelState& state, DeviceModel& model, DeviceLog& log,
                                       ConfigProcedures& config, QTimer& timer1, QObject* parent)
    : QObject(parent), socket_(socket), channel_(channel), state_(state), model_(model), log_(log),
      config_(config), timer1_(timer1) {}

ImageCheck FirmwareProcedures::ValidateImage(const QByteArray& image, qsizetype length,
                                             VersionSide side) {
    const ImageCheck check = CheckImage(image.constData(), std::min(length, image.size()));
    emit versionText(side, check.LabelText());
    if (!check.ok())
        log_.ShowStatus(check.LabelText());
    return check;
}

ImageCheck FirmwareProcedures::CheckImageFile(const QString& fileName) {
    const ImageFile file = ReadImageFile(fileName);
    if (file.status == ImageFile::Status::Read)
        return ValidateImage(file.bytes, file.size, VersionSide::File);
    // A short read is not checked: what came is not the file, and checking it
    // would blame the image.
    ImageCheck failed;
    if (file.status == ImageFile::Status::TooLong)
        failed.code = ImageTooLong;
    const QString message = ImageFileMessage(file.status, ImageFileUse::Check);
    emit versionText(VersionSide::File, message);
    log_.ShowStatus(message);
    return failed;
}

FirmwareProcedures::UploadResult FirmwareProcedures::UploadFirmware(const QString& fileName) {
    try {
        return UploadFirmware(ReadImageFile(fileName));
    } catch (const std::exception&) {
        log_.ShowStatus(ImageFileMessage(ImageFile::Status::CannotOpen, ImageFileUse::Upload));
        emit phase(FirmwarePhase::TransferEnded);
        return UploadResult::TransferError;
    }
}

FirmwareProcedures::UploadResult FirmwareProcedures::UploadFirmware(const ImageFile& file) {
    log_.SetStatus(StatusPanel::Message, QStringLiteral("Writing soft..."));
    if (!socket_.Connected()) {
        log_.ShowStatus(msg::ServerNotConnected);
        return UploadResult::NotConnected;
    }
    indicator_ = 0;
    try {
        if (file.status == ImageFile::Status::CannotOpen) {
            log_.ShowStatus(ImageFileMessage(file.status, ImageFileUse::Upload));
            return UploadResult::CannotOpen;
        }
        if (file.status == ImageFile::Status::TooLong) {
            log_.ShowStatus(ImageFileMessage(file.status, ImageFileUse::Upload));
            return UploadResult::TooLong;
        }
        if (!ValidateImage(file.bytes, file.size, VersionSide::File).ok())
            return UploadResult::InvalidImage;
        emit phase(FirmwarePhase::FileChecked);
        if (file.status == ImageFile::Status::ShortRead) {
            log_.ShowStatus(ImageFileMessage(file.status, ImageFileUse::Upload));
            return UploadResult::ReadError;
        }
        emit phase(FirmwarePhase::TransferBegun);
        const UploadResult sent = sendBlocks(file.bytes, file.size);
        emit phase(FirmwarePhase::TransferEnded);
        if (sent != UploadResult::Restarting)
            return sent;
    } catch (const std::exception&) {
        log_.ShowStatus(ImageFileMessage(ImageFile::Status::CannotOpen, ImageFileUse::Upload));
        emit phase(FirmwarePhase::TransferEnded);
        return UploadResult::TransferError;
    }
    return install();
}

FirmwareProcedures::UploadResult FirmwareProcedures::sendBlocks(const QByteArray& image,
                                                                qsizetype size) {
    const int blocks = int((size + kImageBlockSize - 1) / kImageBlockSize);
    for (int n = 0; n < blocks; ++n) {
        // Only a READY given after this very announcement lets the block go.
        state_.WriteSoftReady = false;
        channel_.SendCommand(QStringLiteral("WRITESOFT  = ") + QString::number(n));
        if (!state_.WriteSoftReady) {
            log_.ShowStatus(msg::ServerNotAnswer);
            closeConnection();
            return UploadResult::NotReady;
        }
        if (state_.SocketWritable) {
            QByteArray block = image.mid(qsizetype(n) * kImageBlockSize, kImageBlockSize);
            block.append(kImageBlockSize - block.size(), kBlockFiller);
            socket_.SendBuf(block.constData(), int(block.size()));
        }
        const uint32_t t0 = rk::GetTickCount();
        state_.AnswerReceived = false;
        // A connection that is gone will not answer: no point waiting it out.
        waitTicking([this] { return state_.AnswerReceived || !state_.SocketWritable; },
                    timing.blockAnswerMs, t0);
        if (!state_.AnswerReceived) {
            log_.ShowStatus(msg::ServerNotAnswer);
            closeConnection();
            emit phase(FirmwarePhase::BlockDone);
            return UploadResult::BlockNotAnswered;
        }
        emit phase(FirmwarePhase::BlockDone);
    }
    return UploadResult::Restarting;
}

FirmwareProcedures::UploadResult FirmwareProcedures::install() {
    log_.SetStatus(StatusPanel::Message, QStringLiteral("Wait for restarting of RK5720LAN..."));
    ProcessMessages();
    if (!state_.SocketWritable) {
        log_.ShowStatus(msg::ServerNotConnected);
        log_.SetStatus(StatusPanel::Progress, QString());
        return UploadResult::NotWritable;
    }
    try {
        state_.UpgradeAccepted = 255;
        socket_.SendText(QByteArrayLiteral("UPGRADE = 1"));
        const uint32_t t0 = rk::GetTickCount();
        // Until 2,000 ms have passed, or the device refused.
        waitTicking([this] { return state_.UpgradeAccepted == 0; },
                    LastTick(timing.installAnswerMs), t0);
        if (state_.UpgradeAccepted == 0) {
            log_.SetStatus(StatusPanel::Message, QStringLiteral("Error..."));
            log_.SetStatus(StatusPanel::Progress, QString());
            return UploadResult::UpgradeRejected;
        }
        if (socket_.Active()) {
            socket_.Close();
            log_.SetLamp(false);
        }
        // The device comes back where it is now.
        config_.ClearArpEntry(socket_.Address());
        waitTicking([] { return false; }, LastTick(timing.installRestartMs), t0);

        state_.RestartCountdown = config_.timing.reconnectTicks;
        timer1_.setTimerType(Qt::PreciseTimer);
        timer1_.setInterval(config_.timing.reconnectIntervalMs);
        timer1_.start();
        log_.SetStatus(StatusPanel::Progress, QString(11, QLatin1Char('-')));
        return UploadResult::Restarting;
    } catch (const std::exception&) {
        log_.SetStatus(StatusPanel::Message, QStringLiteral("Error..."));
        log_.SetStatus(StatusPanel::Progress, QString());
        return UploadResult::UpgradeRejected;
    }
}

bool FirmwareProcedures::waitTicking(const std::function<bool()>& done, uint32_t limitMs,
                                     uint32_t start) {
    const uint32_t step = std::max<uint32_t>(timing.indicatorStepMs, 1);
    uint32_t nextTick = 0;
    while (!done()) {
        const uint32_t elapsed = rk::TicksSince(start);
        if (elapsed >= nextTick) {
            tickIndicator();
            while (nextTick <= elapsed)
                nextTick += step;
        }
        const uint32_t untilLimit = elapsed <= limitMs ? limitMs - elapsed + 1 : 1;
        ProcessMessagesOrWait(std::min(nextTick - elapsed, untilLimit));
        if (rk::TicksSince(start) > limitMs)
            return false;
    }
    return true;
}

void FirmwareProcedures::tickIndicator() {
    ++indicator_;
    log_.SetStatus(StatusPanel::Progress, kIndicatorPattern.mid(indicator_ % 3, 9));
}

void FirmwareProcedures::closeConnection() {
    if (socket_.Active())
        socket_.Close();
}

bool FirmwareProcedures::SwitchRemoteComOn() {
    return channel_.SendCommand(QStringLiteral("SERVORRCOM = 1")) == 1;
}

bool FirmwareProcedures::SwitchRemoteComOff() {
    socket_.SendBuf(kRemoteComOff, int(sizeof(kRemoteComOff)));
    const uint32_t t0 = rk::GetTickCount();
    state_.AnswerReceived = false;
    socket_.SendText(kRemoteComQuery);
    return WaitUntil([this] { return state_.AnswerReceived; }, timing.remoteComOffMs, t0);
}

bool FirmwareProcedures::QueryRemoteCom() {
    return channel_.SendCommand(QString::fromLatin1(kRemoteComQuery)) == 1;
}
