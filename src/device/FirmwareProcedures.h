#pragma once

#include "ClientSocket.h"
#include "CommandChannel.h"
#include "ConfigProcedures.h"
#include "DeviceLog.h"
#include "DeviceModel.h"
#include "FirmwareTiming.h"
#include "ImageCheck.h"
#include "ImageFile.h"
#include "RestartFollower.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

// Where a firmware procedure is, for whoever shows its progress.
enum class FirmwarePhase {
    FileChecked,   // upload: the file passed the check; its version is shown
    TransferBegun, // upload: blocks go out from now on
    BlockDone,     // upload or read-back: one block more (also a failed one)
    TransferEnded, // upload: the last block is done, or the transfer failed
    FileRead,      // compare: the file was read; both version texts follow
    ReadBackBegun, // compare: the versions agree; blocks come back from now on
};

// Which version text a check result belongs to: the file's or the device's.
enum class VersionSide { File, Device };

// The Upgrade mode's device side: checking an image file, uploading and
// installing it, reading the stored image back and comparing it, and the
// remote COM-port switch. Every wait wakes as soon as what it waits for is
// applied; the device paces the transfer, never a sleep.
class FirmwareProcedures : public QObject {
    Q_OBJECT
public:
    enum class UploadResult {
        NotConnected,
        CannotOpen,
        TooLong,
        InvalidImage,
        ReadError,
        NotReady,         // a block announcement was not answered READY
        BlockNotAnswered, // a block's data went unanswered
        TransferError,    // an unexpected error while reading or sending
        NotWritable,      // the connection was gone when the install was due
        UpgradeRejected,  // the device refused the install; still connected
        Restarting,       // installed; the reconnection timer follows the device
    };

    // Internal codes of the compare: 0, or 10 file not readable, 11 file too
    // long, 21 device silent, 22 device too old, 31 version texts differ.
    enum CompareCode : int {
        CompareDone = 0,
        CompareFileNotOpen = 10,
        CompareFileTooLong = 11,
        CompareNotAnswered = 21,
        CompareTooOld = 22,
        CompareVersionsDiffer = 31,
    };
    struct CompareResult {
        bool connected = true;
        int code = CompareDone;
        // Everything that differs: bytes, a different length, a failure.
        int mismatches = 0;
        // Of the bytes both images hold: how many differ, and in how many
        // 1,024-byte blocks.
        int mismatchedBytes = 0;
        int mismatchedBlocks = 0;
        // The stored image's length is not the file's.
        bool lengthDiffers = false;
        // The device's version texts as it answered them.
        QString deviceVersion;
        QString deviceDate;
        // The check of the image read back.
        ImageCheck stored;
        bool same() const { return connected && mismatches == 0; }
    };
    struct UploadOutcome {
        UploadResult result = UploadResult::NotConnected;
        // The block whose announcement or data failed, or -1.
        int failedBlock = -1;
    };

    FirmwareProcedures(ClientSocket& socket, CommandChannel& channel, DeviceLog& log,
                       ConfigProcedures& config, QObject* parent = nullptr);

    // Checks `length` bytes of an image and shows the result as the file's
    // or the device's version text; a failure is also reported.
    ImageCheck ValidateImage(const QByteArray& image, qsizetype length, VersionSide side);
    // The file chosen by the user, read and checked; its version text shows.
    ImageCheck CheckImageFile(const QString& fileName);

    // Uploads the file in 1,024-byte blocks, each after the device said READY
    // for it, and installs it. On Restarting the follower runs and ends the
    // procedure when the device is back (or gives up).
    UploadOutcome UploadFirmware(const QString& fileName, FollowDone done = {});
    // Compares the device's version texts, then its stored image, with the file.
    CompareResult CompareFirmware(const QString& fileName);
    // The same with a file read before: a fleet gets the very bytes that were
    // checked once, even if the file changes during the run.
    UploadOutcome UploadFirmware(const ImageFile& file, FollowDone done = {});
    CompareResult CompareFirmware(const ImageFile& file);

    // What one exchange of the remote COM-port function gave: whether an
    // answer item came, the device's confirmation (OK or not) when it sent
    // one, and the state when it reported it.
    struct RemoteComOutcome {
        bool answered = false;
        std::optional<bool> confirmed;
        RemoteCom state = RemoteCom::Unknown;
    };
    // "On": answered when an item came within 500 ms.
    RemoteComOutcome SwitchRemoteComOn();
    // "Off": the switch-off sequence and the state query; answered when an
    // item came within 3,000 ms.
    RemoteComOutcome SwitchRemoteComOff();
    // The state query alone; answered when an item came within 500 ms.
    RemoteComOutcome QueryRemoteCom();

    FirmwareTiming timing;

signals:
    void phase(FirmwarePhase phase);
    void versionText(VersionSide side, const QString& text);

private:
    UploadOutcome sendBlocks(const QByteArray& image, qsizetype size);
    UploadResult install(FollowDone done);
    // Block `n` of the stored image, or nothing when it did not come in time.
    std::optional<QByteArray> readBlock(int n, uint32_t limitMs);
    int readBack(const QByteArray& file, qsizetype size, CompareResult& result);
    void tickIndicator();
    void closeConnection();

    ClientSocket& socket_;
    CommandChannel& channel_;
    DeviceLog& log_;
    ConfigProcedures& config_;
    int indicator_ = 0;
};
