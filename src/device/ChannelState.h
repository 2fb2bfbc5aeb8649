#pragma once

#include "ImageCheck.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The state the command exchange shares with the feature procedures. It lives
// in the main window and is touched only on the user-interface thread.
struct ChannelState {
    static constexpr int kRawReadMax = kImageBlockSize; // one firmware block

    bool SocketWritable = false;
    bool AnswerReceived = false;
    bool RawReadPending = false;
    bool RawReadDone = false;
    QByteArray RawBuffer = QByteArray(1026, '\0');
    // Bytes in RawBuffer. A raw read appends to what is there, so a reader that
    // needs more of a block arms the next one without losing this one; it sets
    // this to 0 for a new block.
    int RawReceived = 0;
    bool ModbusMode = false;
    // Present only while a block read runs; a mode switch may release it in
    // the middle of one, so readers must check it after every nested wait.
    std::optional<QByteArray> BlockBuffer;
    int BlockLength = 129;
    int BlockCount = 1;
    int BlocksReceived = 0;
    // Bytes of the current block that have arrived; a block may come in
    // several pieces.
    int BlockFilled = 0;
    bool WriteSoftReady = false;
    uint8_t UpgradeAccepted = 255;
    int RestartCountdown = 0;

    void ReleaseBlockBuffer() {
        BlockBuffer.reset();
        BlocksReceived = 0;
        BlockFilled = 0;
    }
};

// The last address, port and parameters the user connected with or wrote;
// the settings file keeps them between runs.
struct RememberedParams {
    QString LastAddr;
    QString LastNetMask;
    QString LastGW;
    QString LastMac;
    QString LastPort;
    int LastPackFloat = 0;
    int LastSpeedDup = 0;
};
