#pragma once

#include <QByteArray>
#include <QStringList>

namespace sim {

// Misbehaviour switched on from the command line or by a test. Command names
// for `silentCommands` and `rejectKeys` are upper case: "?VERSION" for the
// query, "IPADDR" for the assignment, "READBUF" for the bare word, "MODBUS" for
// ModBus frames, "SOFTBLOCK" for the 1,024 data bytes of an upload block.
// "*" in `rejectKeys` rejects every setting.
struct SimFaults {
    bool silentAll = false;            // nothing is answered (commands are ignored)
    QStringList silentCommands;        // these commands are ignored, unanswered
    int answerDelayMs = 0;             // every answer waits this long
    int answerPieces = 1;              // each answer goes out in this many writes ...
    int splitGapMs = 50;               // ... this far apart
    bool mergeAnswers = false;         // each answer is held back and sent with the next
    int splitDataAt = 0;               // instrument blocks and ModBus replies go out in two
                                       // writes, cut after this many bytes, splitGapMs apart
    QStringList rejectKeys;            // SET_<KEY> = ERROR, nothing stored
    bool writeSoftBusy = false;        // WRITESOFT = BUSY
    bool upgradeFail = false;          // UPGRADE = FAIL whatever the image
    bool noComeBack = false;           // after a restart the device stays away
    int stallReadSoftAt = -1;          // READSOFT of this block and later ones unanswered
    bool oldReadSoft = false;          // READSOFT answered by the text READSOFT = ERROR
    bool shortLastReadSoft = false;    // the last block read back holds only the image's bytes
    int dropAfterCommands = -1;        // the connection is closed after this many commands
    bool oversizeImageHeader = false;  // block 0 read back claims more than 256 blocks
    QByteArray softBlockAnswer;        // sent instead of WRITESOFT = OK after a data block
    bool splitSoftBlockAnswer = false; // a data block's answer goes out in two writes,
                                       // splitGapMs apart
    int modbusTransactionShift = 0;    // ModBus replies carry the request's transaction + this
    bool modbusFixedIds = false;       // ModBus replies carry 02 03 00 00, not the request's ids
    int modbusFunctionShift = 0;       // ModBus replies carry the request's function + this
    QByteArray readBufTrailer;         // sent readBufTrailerMs after an instrument block
    int readBufTrailerMs = 100;
    QByteArray softBlockTrailer; // sent softBlockTrailerMs after a data block's answer
    int softBlockTrailerMs = 20;
    // The first assignment is answered with SET_<KEY> = OK for every setting
    // at once; nothing is stored and nothing after it is answered.
    bool confirmAllEarly = false;

    bool isSilent(const QString& command) const {
        return silentAll || silentCommands.contains(command);
    }
    bool rejects(const QString& key) const {
        return rejectKeys.contains(QStringLiteral("*")) || rejectKeys.contains(key);
    }
};

} // namespace sim
