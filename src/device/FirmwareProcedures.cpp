// Checking an image file, the upload with its install, and the remote COM-port
// switch.
#include "FirmwareProcedures.h"

#include "ImageFile.h"
#include "Messages.h"
#include "Ticks.h"
#include "ValueChecks.h"
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

} // namespace

FirmwareProcedures::FirmwareProcedures(ClientSocket& socket, CommandChannel& channel,
                                       DeviceLog& log, ConfigProcedures& config, QObject* parent)
    : QObject(parent), socket_(socket), channel_(channel), log_(log), config_(config) {}

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

FirmwareProcedures::UploadOutcome FirmwareProcedures::UploadFirmware(const QString& fileName,
                                                                     FollowDone done) {
    try {
        return UploadFirmware(ReadImageFile(fileName), std::move(done));
    } catch (const std::exception&) {
        log_.ShowStatus(ImageFileMessage(ImageFile::Status::CannotOpen, ImageFileUse::Upload));
        emit phase(FirmwarePhase::TransferEnded);
        return {UploadResult::TransferError};
    }
}

FirmwareProcedures::UploadOutcome FirmwareProcedures::UploadFirmware(const ImageFile& file,
                                                                     FollowDone done) {
    log_.SetStatus(StatusPanel::Message, QStringLiteral("Writing soft..."));
    if (!socket_.Connected()) {
        log_.ShowStatus(msg::ServerNotConnected);
        return {UploadResult::NotConnected};
    }
    indicator_ = 0;
    UploadOutcome outcome;
    try {
        if (file.status == ImageFile::Status::CannotOpen) {
            log_.ShowStatus(ImageFileMessage(file.status, ImageFileUse::Upload));
            return {UploadResult::CannotOpen};
        }
        if (file.status == ImageFile::Status::TooLong) {
            log_.ShowStatus(ImageFileMessage(file.status, ImageFileUse::Upload));
            return {UploadResult::TooLong};
        }
        if (!ValidateImage(file.bytes, file.size, VersionSide::File).ok())
            return {UploadResult::InvalidImage};
        emit phase(FirmwarePhase::FileChecked);
        if (file.status == ImageFile::Status::ShortRead) {
            log_.ShowStatus(ImageFileMessage(file.status, ImageFileUse::Upload));
            return {UploadResult::ReadError};
        }
        emit phase(FirmwarePhase::TransferBegun);
        outcome = sendBlocks(file.bytes, file.size);
        emit phase(FirmwarePhase::TransferEnded);
        if (outcome.result != UploadResult::Restarting)
            return outcome;
    } catch (const std::exception&) {
        log_.ShowStatus(ImageFileMessage(ImageFile::Status::CannotOpen, ImageFileUse::Upload));
        emit phase(FirmwarePhase::TransferEnded);
        outcome.result = UploadResult::TransferError;
        return outcome;
    }
    outcome.result = install(std::move(done));
    return outcome;
}

FirmwareProcedures::UploadOutcome FirmwareProcedures::sendBlocks(const QByteArray& image,
                                                                 qsizetype size) {
    UploadOutcome outcome{UploadResult::Restarting, -1};
    const int blocks = int((size + kImageBlockSize - 1) / kImageBlockSize);
    const auto fail = [&](UploadResult result, int n) {
        log_.ShowStatus(msg::ServerNotAnswer);
        closeConnection();
        outcome.result = result;
        outcome.failedBlock = n;
        return outcome;
    };
    // The announcement waits for its own WRITESOFT answer: a late or stray
    // item of the block before it is applied and logged, but does not end it.
    AnswerWait announced;
    announced.key = AnswerKey::WRITESOFT;
    // The block's answer is not examined: any item ends its wait.
    AnswerWait stored;
    stored.limitMs = timing.blockAnswerMs;
    stored.endOnDisconnect = true;
    stored.tick = [this] { tickIndicator(); };
    stored.tickMs = timing.indicatorStepMs;
    for (int n = 0; n < blocks; ++n) {
        const Answer ready = channel_.Exchange(
            QByteArrayLiteral("WRITESOFT  = ") + QByteArray::number(n), announced);
        if (ready.value() != kAnswerReady)
            return fail(UploadResult::NotReady, n);
        QByteArray block = image.mid(qsizetype(n) * kImageBlockSize, kImageBlockSize);
        block.append(kImageBlockSize - block.size(), kBlockFiller);
        const bool answered = channel_.Exchange(block, stored).came();
        emit phase(FirmwarePhase::BlockDone);
        if (!answered)
            return fail(UploadResult::BlockNotAnswered, n);
    }
    return outcome;
}

FirmwareProcedures::UploadResult FirmwareProcedures::install(FollowDone done) {
    log_.SetStatus(StatusPanel::Message, QStringLiteral("Wait for restarting of RK5720LAN..."));
    ProcessMessages();
    if (!channel_.Writable()) {
        log_.ShowStatus(msg::ServerNotConnected);
        log_.SetStatus(StatusPanel::Progress, QString());
        return UploadResult::NotWritable;
    }
    try {
        // Until 2,000 ms have passed, or the device refused: an UPGRADE answer
        // other than OK. Anything else it says is applied and logged.
        AnswerWait refusal;
        refusal.key = AnswerKey::UPGRADE;
        refusal.accepts = [](const QString& value) { return value != kAnswerOk; };
        // "More than the limit" in whole ticks: the device gets all of it.
        refusal.limitMs = timing.installAnswerMs;
        refusal.onlyWhenWritable = false;
        refusal.tick = [this] { tickIndicator(); };
        refusal.tickMs = timing.indicatorStepMs;
        const uint32_t t0 = rk::GetTickCount();
        if (channel_.Exchange(QByteArrayLiteral("UPGRADE = 1"), refusal).came()) {
            log_.SetStatus(StatusPanel::Message, QStringLiteral("Error..."));
            log_.SetStatus(StatusPanel::Progress, QString());
            return UploadResult::UpgradeRejected;
        }
        // The device comes back where it is now.
        config_.HandToFollower(socket_.Address(), socket_.Port(), true, timing.installRestartMs, t0,
                               std::move(done));
        // The upgrade panel shows the attempts to come at once.
        log_.SetStatus(StatusPanel::Progress, QString(11, QLatin1Char('-')));
        return UploadResult::Restarting;
    } catch (const std::exception&) {
        log_.SetStatus(StatusPanel::Message, QStringLiteral("Error..."));
        log_.SetStatus(StatusPanel::Progress, QString());
        return UploadResult::UpgradeRejected;
    }
}

void FirmwareProcedures::tickIndicator() {
    ++indicator_;
    log_.SetStatus(StatusPanel::Progress, kIndicatorPattern.mid(indicator_ % 3, 9));
}

void FirmwareProcedures::closeConnection() {
    if (socket_.Active())
        socket_.Close();
}

namespace {

FirmwareProcedures::RemoteComOutcome RemoteComOf(const Answer& answer) {
    FirmwareProcedures::RemoteComOutcome outcome;
    outcome.answered = answer.came();
    if (const std::optional<QString> set = answer.ValueOf(AnswerKey::SET_SERVORRCOM))
        outcome.confirmed = *set == kAnswerOk;
    if (const std::optional<QString> state = answer.ValueOf(AnswerKey::SERVORRCOM))
        if (const std::optional<bool> off = RemoteComOff(*state))
            outcome.state = *off ? RemoteCom::Off : RemoteCom::On;
    return outcome;
}

} // namespace

FirmwareProcedures::RemoteComOutcome FirmwareProcedures::SwitchRemoteComOn() {
    return RemoteComOf(channel_.Exchange(QByteArrayLiteral("SERVORRCOM = 1"), AnswerWait{}));
}

FirmwareProcedures::RemoteComOutcome FirmwareProcedures::SwitchRemoteComOff() {
    socket_.SendBuf(kRemoteComOff, int(sizeof(kRemoteComOff)));
    AnswerWait any;
    any.limitMs = timing.remoteComOffMs;
    any.onlyWhenWritable = false;
    return RemoteComOf(channel_.Exchange(kRemoteComQuery, any));
}

FirmwareProcedures::RemoteComOutcome FirmwareProcedures::QueryRemoteCom() {
    return RemoteComOf(channel_.Exchange(QByteArray(kRemoteComQuery), AnswerWait{}));
}
