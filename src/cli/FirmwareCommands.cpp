// image-info, upgrade, compare and rcom: the Upgrade mode's procedures of the
// core, judged strictly.
#include "Commands.h"

#include "DeviceSession.h"
#include "FleetRun.h"
#include "ImageCheck.h"
#include "ImageFile.h"
#include "TerminalOutput.h"
#include "UploadProgress.h"

#include <QFileInfo>

#include <optional>

namespace {

struct CheckedImage {
    ImageFile file;
    ImageCheck check;
    QString version() const { return QString::fromLatin1(check.version); }
    QString date() const { return QString::fromLatin1(check.date); }
};

// The image read and checked before anything is sent; a failure is printed.
std::optional<CheckedImage> CheckImageFile(const QString& name) {
    CheckedImage image;
    image.file = ReadImageFile(name);
    if (image.file.status != ImageFile::Status::Read) {
        PrintError(QStringLiteral("%1: %2").arg(
            name, ImageFileMessage(image.file.status, ImageFileUse::CommandLine)));
        return std::nullopt;
    }
    image.check = CheckImage(image.file.bytes.constData(), image.file.size);
    if (!image.check.ok()) {
        PrintError(QStringLiteral("%1: %2").arg(name, ImageCheckMessage(image.check.code)));
        return std::nullopt;
    }
    return image;
}

int BlocksOf(const CheckedImage& image) {
    return int((image.file.size + kImageBlockSize - 1) / kImageBlockSize);
}

// The compare's verdict; true when the device holds exactly the file.
bool JudgeCompare(DeviceSession& session, const CheckedImage& image, const QString& fileName) {
    HostReport& report = session.report;
    const FirmwareProcedures::CompareResult result =
        session.device.firmware.CompareFirmware(image.file);
    const QString fileVersion = image.check.LabelText();
    const QString deviceVersion =
        result.deviceVersion + QStringLiteral("  (") + result.deviceDate + QLatin1Char(')');
    report.fields.insert(QStringLiteral("mismatched_blocks"), result.mismatchedBlocks);
    report.fields.insert(QStringLiteral("mismatched_bytes"), result.mismatchedBytes);
    report.fields.insert(QStringLiteral("same"), result.same() && result.code == 0);
    if (!result.connected)
        return report.Fail(ExitUnreachable, QStringLiteral("the connection was lost"));
    switch (result.code) {
    case FirmwareProcedures::CompareDone:
        break;
    case FirmwareProcedures::CompareFileNotOpen:
    case FirmwareProcedures::CompareFileTooLong:
        return report.Fail(ExitUsage, QStringLiteral("%1 could not be compared").arg(fileName));
    case FirmwareProcedures::CompareNotAnswered:
        return report.Fail(ExitUnreachable,
                           QStringLiteral("the device did not answer the read-back"));
    case FirmwareProcedures::CompareTooOld:
        return report.Fail(ExitRefused,
                           QStringLiteral("the device is too old to read its image back"));
    case FirmwareProcedures::CompareVersionsDiffer:
        return report.Fail(
            ExitRefused,
            QStringLiteral("versions differ: file %1, device %2").arg(fileVersion, deviceVersion));
    default:
        return report.Fail(ExitRefused, QStringLiteral("compare failed (%1)").arg(result.code));
    }
    if (result.lengthDiffers)
        return report.Fail(ExitRefused,
                           QStringLiteral("the stored image's length is not the file's"));
    if (result.mismatches > 0)
        return report.Fail(ExitRefused, QStringLiteral("%1 blocks differ (%2 bytes) from the file")
                                            .arg(result.mismatchedBlocks)
                                            .arg(result.mismatchedBytes));
    report.Say(QStringLiteral("the device holds exactly %1, version %2")
                   .arg(fileName, result.stored.LabelText().simplified()));
    return true;
}

bool JudgeUpload(DeviceSession& session, const FirmwareProcedures::UploadOutcome& outcome) {
    using R = FirmwareProcedures::UploadResult;
    HostReport& report = session.report;
    const int block = outcome.failedBlock;
    switch (outcome.result) {
    case R::Restarting:
        return true;
    case R::NotConnected:
        return report.Fail(ExitUnreachable, QStringLiteral("the connection was lost"));
    case R::CannotOpen:
    case R::TooLong:
    case R::InvalidImage:
    case R::ReadError:
        return report.Fail(ExitUsage, QStringLiteral("the image fails its check"));
    case R::NotReady:
        if (session.device.Connected())
            return report.Fail(
                ExitRefused,
                QStringLiteral("the device did not get ready for block %1").arg(block));
        return report.Fail(ExitUnreachable,
                           QStringLiteral("the connection was lost at block %1").arg(block));
    case R::BlockNotAnswered:
        return report.Fail(ExitUnreachable,
                           QStringLiteral("the device did not answer block %1").arg(block));
    case R::TransferError:
        return report.Fail(ExitUnreachable,
                           QStringLiteral("the transfer failed at block %1").arg(block));
    case R::NotWritable:
        return report.Fail(ExitUnreachable,
                           QStringLiteral("the connection was lost before the install"));
    case R::UpgradeRejected:
        return report.Fail(ExitRefused, QStringLiteral("the device refused to install the image"));
    }
    return report.Fail(ExitUnreachable, QStringLiteral("the upload failed"));
}

void Upgrade(DeviceSession& session, const CheckedImage& image, const QString& fileName,
             UploadProgress& progress, int& blocksSeen) {
    HostReport& report = session.report;
    FirmwareProcedures& firmware = session.device.firmware;
    QObject::connect(&firmware, &FirmwareProcedures::phase, &session.device, [&](FirmwarePhase p) {
        if (p == FirmwarePhase::BlockDone) {
            ++blocksSeen;
            progress.BlockDone();
        }
    });
    if (!session.Connect())
        return;
    // Who the device is, before the install restarts it.
    const std::optional<QString> identity = session.ReadIdentity();
    if (!identity)
        return;
    report.fields.insert(QStringLiteral("blocks"), BlocksOf(image));
    if (!JudgeUpload(session, firmware.UploadFirmware(image.file, session.WhenFollowed())))
        return;
    report.Say(QStringLiteral("installed; waiting for the restart"));
    if (!session.FollowRestart())
        return;
    const std::optional<ConfigProcedures::VersionOutcome> read =
        session.device.config.ReadVersion();
    if (!read)
        return void(report.Fail(ExitUnreachable,
                                QStringLiteral("the device did not answer the version query")));
    if (!session.VerifyIdentity(*identity))
        return;
    const QString version = read->version;
    const QString date = read->date;
    report.fields.insert(QStringLiteral("version"), version);
    report.fields.insert(QStringLiteral("date"), date);
    report.Say(QStringLiteral("running version %1 (%2)").arg(version, date));
    // The device answers its texts without the blanks that pad them in the image.
    if (version.trimmed() != image.version().trimmed() || date.trimmed() != image.date().trimmed())
        return void(
            report.Fail(ExitRefused, QStringLiteral("the device runs %1 (%2), the image is %3 (%4)")
                                         .arg(version, date, image.version(), image.date())));
    JudgeCompare(session, image, fileName);
}

} // namespace

int RunImageInfo(const CommandLine& line) {
    const QString name = line.arguments.at(0);
    const ImageFile file = ReadImageFile(name);
    const ImageCheck check =
        file.status == ImageFile::Status::Read
            ? CheckImage(file.bytes.constData(), file.size)
            : ImageCheck{file.status == ImageFile::Status::TooLong ? int(ImageTooLong)
                                                                   : int(ImageEmpty),
                         {},
                         {}};
    const bool readable = file.status == ImageFile::Status::Read;
    const qint64 length = readable ? qint64(file.size) : QFileInfo(name).size();
    // The CRC of what follows the header, as the device computes it.
    const QString crc = readable && file.size > kImageHeaderSize
                            ? QStringLiteral("%1")
                                  .arg(Crc16Compute(file.bytes.constData() + kImageHeaderSize,
                                                    file.size - kImageHeaderSize),
                                       4, 16, QLatin1Char('0'))
                                  .toUpper()
                            : QString();
    const QString verdict = check.ok() ? QStringLiteral("valid image")
                            : readable ? ImageCheckMessage(check.code)
                                       : ImageFileMessage(file.status, ImageFileUse::Compare);
    if (line.json) {
        QJsonObject document;
        document.insert(QStringLiteral("command"), line.command);
        document.insert(QStringLiteral("exit_code"), check.ok() ? ExitDone : ExitUsage);
        document.insert(QStringLiteral("file"), name);
        document.insert(QStringLiteral("length"), length);
        document.insert(QStringLiteral("crc"), crc);
        document.insert(QStringLiteral("version"), QString::fromLatin1(check.version));
        document.insert(QStringLiteral("date"), QString::fromLatin1(check.date));
        document.insert(QStringLiteral("valid"), check.ok());
        document.insert(QStringLiteral("verdict"), verdict);
        PrintJson(document);
    } else {
        PrintLine(QStringLiteral("file:     ") + name);
        PrintLine(QStringLiteral("length:   %1 bytes").arg(length));
        if (!crc.isEmpty())
            PrintLine(QStringLiteral("crc:      ") + crc);
        if (check.ok()) {
            PrintLine(QStringLiteral("version:  ") +
                      EscapeControl(QString::fromLatin1(check.version)));
            PrintLine(QStringLiteral("date:     ") +
                      EscapeControl(QString::fromLatin1(check.date)));
        }
        PrintLine(QStringLiteral("verdict:  ") + verdict);
    }
    return check.ok() ? ExitDone : ExitUsage;
}

int RunUpgrade(const CommandLine& line) {
    const QString fileName = line.arguments.at(0);
    const std::optional<CheckedImage> image = CheckImageFile(fileName);
    if (!image)
        return ExitUsage;
    // Blocks go out and come back: both move the bar.
    UploadProgress progress(int(line.targets.size()), 2 * BlocksOf(*image));
    return RunOnTargets(line, [&](HostReport& report) {
        DeviceSession session(line, report);
        int blocksSeen = 0;
        Upgrade(session, *image, fileName, progress, blocksSeen);
        progress.DeviceDone(blocksSeen, !report.Failed());
    });
}

int RunCompare(const CommandLine& line) {
    const QString fileName = line.arguments.at(0);
    const std::optional<CheckedImage> image = CheckImageFile(fileName);
    if (!image)
        return ExitUsage;
    return RunOnTargets(line, [&](HostReport& report) {
        DeviceSession session(line, report);
        if (session.Connect())
            JudgeCompare(session, *image, fileName);
    });
}

int RunRemoteCom(const CommandLine& line) {
    const QString action = line.arguments.at(0);
    if (action != QLatin1String("on") && action != QLatin1String("off") &&
        action != QLatin1String("status")) {
        PrintError(
            QStringLiteral("bad rcom action \"%1\": expected on, off or status").arg(action));
        return ExitUsage;
    }
    return RunOnTargets(line, [&](HostReport& report) {
        DeviceSession session(line, report);
        if (!session.Connect())
            return;
        FirmwareProcedures& firmware = session.device.firmware;
        using Outcome = FirmwareProcedures::RemoteComOutcome;
        Outcome outcome;
        if (action == QLatin1String("on")) {
            const Outcome switched = firmware.SwitchRemoteComOn();
            if (switched.answered && switched.confirmed == false)
                return void(
                    report.Fail(ExitRefused, QStringLiteral("the device refused to switch it on")));
            // The confirmation alone is not the state: ask for it.
            if (switched.answered)
                outcome = firmware.QueryRemoteCom();
        } else if (action == QLatin1String("off")) {
            outcome = firmware.SwitchRemoteComOff();
        } else {
            outcome = firmware.QueryRemoteCom();
        }
        const bool answered = outcome.answered;
        const RemoteCom state = outcome.state;
        const QString text = state == RemoteCom::On    ? QStringLiteral("on")
                             : state == RemoteCom::Off ? QStringLiteral("off")
                                                       : QStringLiteral("unknown");
        report.fields.insert(QStringLiteral("remote_com"), text);
        if (!answered || state == RemoteCom::Unknown)
            return void(
                report.Fail(ExitUnreachable,
                            QStringLiteral("the device did not report the remote COM-port state")));
        report.Say(QStringLiteral("remote COM-port: ") + text);
        if (action != QLatin1String("status") && text != action)
            report.Fail(ExitRefused, QStringLiteral("the device still reports %1").arg(text));
    });
}
