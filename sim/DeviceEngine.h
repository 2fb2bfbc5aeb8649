#pragma once

#include "DeviceState.h"
#include "SimFaults.h"
#include "SimLimits.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <bitset>
#include <cstdint>

namespace sim {

// One write to the client: the bytes, to go out `atMs` milliseconds after the
// input that caused them (0: at once). Writes keep their order.
struct EngineWrite {
    QByteArray bytes;
    int atMs = 0;
};

enum class EngineAction {
    None,
    Close,   // drop the connection (after the writes)
    Restart, // drop the connection, stay away, listen on the stored address
};

struct EngineOutput {
    QList<EngineWrite> writes;
    EngineAction action = EngineAction::None;
    qsizetype discarded = 0; // bytes of an overlong unfinished command, thrown away
};

// The device's protocol without sockets: bytes from the client go in, answers
// and actions come out. It frames by the grammar of the commands, not by how
// the bytes arrived: several commands in one piece are answered one by one,
// and a command cut short waits for its rest. A piece that ends exactly where
// a command could end counts as its end (the tool sends one command per
// write), and what is still incomplete after `kTextIdleMs` without new bytes
// is taken as it is; an unfinished command that grows past the partial limit
// is thrown away instead. Not thread-safe: one owner drives it.
class DeviceEngine {
public:
    static constexpr uint32_t kTextIdleMs = 150;
    static constexpr uint32_t kRawIdleMs = 1000; // an unfinished data block is dropped

    explicit DeviceEngine(DeviceState state = DeviceState::Defaults());

    DeviceState& state() { return state_; }
    const DeviceState& state() const { return state_; }
    SimFaults& faults() { return faults_; }
    const SimFaults& faults() const { return faults_; }
    void setMaxPartialCommand(qsizetype bytes) { maxPartial_ = bytes; }

    EngineOutput feed(QByteArrayView bytes);
    // Called while hasPendingInput(), with the time since the last bytes came.
    EngineOutput poll(uint32_t idleMs);
    bool hasPendingInput() const;

    // A new client: forgets everything of the previous connection.
    void connectionOpened();
    // The device came back from a restart: written parameters take effect and
    // a half-received upload is gone.
    void restarted();

    // The image as READSOFT serves it (the stored one, or the faulty header).
    QByteArray servedImage() const;

private:
    enum class RawKind { None, SoftBlock, WriteBuf };

    EngineOutput take();
    bool frameOne(bool atIdle);
    bool frameQuery(bool atIdle);
    bool frameWord(bool atIdle);
    bool keywordStartsAt(qsizetype pos) const;
    void dropInput();

    // Counts the command, applies silence and the drop fault; false: ignore it.
    bool admit(const QString& name);
    void afterCommand();

    void dispatchQuery(const QByteArray& name);
    void dispatchAssignment(const QByteArray& key, const QByteArray& value);
    void dispatchBareWord(const QByteArray& word);
    void dispatchModbus(const QByteArray& frame);
    void switchOffRemoteCom();

    // Text commands of the configuration (EngineConfig.cpp).
    bool configQuery(const QByteArray& name);
    bool configAssignment(const QByteArray& key, const QByteArray& value);
    // Firmware blocks, install and read-back (EngineFirmware.cpp).
    bool firmwareAssignment(const QByteArray& key, const QByteArray& value);
    void softBlockReceived();
    // The string protocol of the instruments (EngineInstruments.cpp).
    bool instrumentAssignment(const QByteArray& key, const QByteArray& value);
    bool instrumentBareWord(const QByteArray& word);
    void writeBufReceived();
    // ModBus/TCP (EngineModbus.cpp).
    QByteArray modbusReply(const QByteArray& frame);

    void answer(const QByteArray& bytes);
    // Binary data from an instrument, which the split-data fault cuts.
    void answerData(const QByteArray& bytes);
    void answerItem(const QByteArray& key, const QByteArray& value);
    void answerSet(const QByteArray& key, bool ok);
    void requestAction(EngineAction action);

    DeviceState state_;
    SimFaults faults_;
    EngineOutput out_;
    QByteArray input_;
    qsizetype maxPartial_ = SimLimits{}.maxPartialCommand;

    RawKind rawKind_ = RawKind::None;
    int rawBlock_ = 0;
    qsizetype rawExpected_ = 0;
    QByteArray rawData_;

    QByteArray held_; // an answer kept back by the merge fault
    int commandCount_ = 0;
    bool earlyConfirmed_ = false;

    QByteArray upload_;
    std::bitset<256> uploaded_;

    QString device_;
    int lenBlock_ = 129;
    int nBlocks_ = 1;
    bool readReady_ = false;
};

// Shared by the engine's parts.
bool IsValidAddress(const QByteArray& value);
bool IsValidMac(const QByteArray& value);
// The value as a number, or `def` when it is no number (decimal or hexadecimal
// with the usual prefixes, like every number the tool sends).
int ValueNumber(const QByteArray& value, int def);

} // namespace sim
