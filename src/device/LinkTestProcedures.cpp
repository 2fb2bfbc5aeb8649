#include "LinkTestProcedures.h"

#include "InstrumentNumber.h"
#include "Messages.h"
#include "ModbusFrame.h"
#include "Ticks.h"
#include "Wait.h"

namespace {
const QString kReading = QStringLiteral("Reading curreant values...");
const QString kInvalidNumber = QStringLiteral("Error in Number of RK5700");
const QString kEmptyRequest = QStringLiteral("Error in ModBus request: no bytes to send");
const QString kJoin = QStringLiteral("; ");
} // namespace

LinkTestProcedures::LinkTestProcedures(ClientSocket& socket, CommandChannel& channel,
                                       DeviceLog& log, QObject* parent)
    : QObject(parent), socket_(socket), channel_(channel), log_(log) {
    // The window shows each block as it comes; a script takes it as a value.
    connect(&channel_, &CommandChannel::blockReadStarted, this,
            &LinkTestProcedures::blockReadStarted);
    connect(&channel_, &CommandChannel::blockReceived, this, &LinkTestProcedures::blockReceived);
}

std::optional<QString> LinkTestProcedures::beginStringRequest(const QString& numberText,
                                                              Result& failure) {
    // A block read still pending from an earlier request is abandoned.
    channel_.ForgetBlocks();
    if (!socket_.Connected()) {
        log_.ShowStatus(msg::ServerNotConnected);
        failure = Result::NotConnected;
        return std::nullopt;
    }
    log_.SetStatus(StatusPanel::Message, kReading);
    ProcessMessages();
    const std::optional<QString> number = ParseInstrumentNumber(numberText);
    if (!number) {
        log_.SetStatus(StatusPanel::Message, kInvalidNumber);
        failure = Result::InvalidNumber;
        return std::nullopt;
    }
    // A ModBus reply that may never come must not take the first bytes of
    // this request's answers.
    channel_.AbandonModbusReply();
    log_.ClearTestLogs();
    return number;
}

LinkTestProcedures::Result LinkTestProcedures::finishStringRequest(int answered,
                                                                   const QStringList& commands) {
    log_.AddSentLine(commands.join(kJoin));
    Result result = Result::Answered;
    if (answered == 0) {
        log_.SetStatus(StatusPanel::Message, msg::ServerNotAnswer);
        if (socket_.Active())
            socket_.Close();
        result = Result::NotAnswered;
    } else {
        log_.SetStatus(StatusPanel::Message, QString());
    }
    ProcessMessages();
    return result;
}

LinkTestProcedures::Result LinkTestProcedures::ReadCurrentValues(const QString& numberText) {
    Result failure = Result::NotConnected;
    const std::optional<QString> number = beginStringRequest(numberText, failure);
    if (!number)
        return failure;
    const ReadVariant variant = ChooseReadVariant(*number);
    channel_.ExpectBlockLength(variant.blockLength);
    const QStringList commands{
        QStringLiteral("NDEVICE = ") + *number,
        QStringLiteral("LENBLOCK = ") + QString::number(variant.blockLength),
        QStringLiteral("NBLOCKS = 1"),
        QStringLiteral("READ = ") + QString::number(variant.readCode),
    };
    int answered = 0;
    for (const QString& command : commands)
        answered += channel_.SendCommand(command);
    return finishStringRequest(answered, commands);
}

LinkTestProcedures::Result LinkTestProcedures::WriteTestBlock(const QString& numberText) {
    Result failure = Result::NotConnected;
    const std::optional<QString> number = beginStringRequest(numberText, failure);
    if (!number)
        return failure;
    const QStringList commands{QStringLiteral("NDEVICE = ") + *number,
                               QStringLiteral("WRITEBUF = %1").arg(kWriteTestBlockSize),
                               QStringLiteral("WRITE = 72")};
    int answered = channel_.SendCommand(commands[0]);
    answered += channel_.SendCommand(commands[1]);
    const QByteArray block(kWriteTestBlockSize, '\0');
    socket_.SendBuf(block.constData(), int(block.size()));
    rk::Sleep(kWritePauseMs);
    answered += channel_.SendCommand(commands[2]);
    return finishStringRequest(answered, commands);
}

LinkTestProcedures::Result LinkTestProcedures::SendModbusRequest(const QString& text) {
    log_.ClearTestLogs();
    if (!socket_.Connected()) {
        log_.ShowStatus(msg::ServerNotConnected);
        return Result::NotConnected;
    }
    const std::optional<QByteArray> frame = ModbusRequestBytes(text);
    if (!frame) {
        log_.ShowStatus(kEmptyRequest);
        return Result::EmptyRequest;
    }
    log_.AddSentLine(text);
    emit modbusRequestAccepted();
    channel_.ExpectModbusReply(*frame);
    socket_.SendBuf(frame->constData(), int(frame->size()));
    return Result::Sent;
}

LinkTestProcedures::InstrumentOutcome LinkTestProcedures::ReadInstrument(const QString& numberText,
                                                                         uint32_t limitMs) {
    InstrumentOutcome outcome;
    outcome.result = ReadCurrentValues(numberText);
    outcome.number = ParseInstrumentNumber(numberText).value_or(QString());
    outcome.blockStarted = channel_.BlockReadBegun();
    if (outcome.result == Result::Answered && outcome.blockStarted)
        outcome.block = channel_.AwaitBlock(limitMs);
    return outcome;
}

LinkTestProcedures::ModbusOutcome LinkTestProcedures::ExchangeModbus(const QString& text,
                                                                     uint32_t limitMs) {
    ModbusOutcome outcome;
    outcome.result = SendModbusRequest(text);
    if (outcome.result != Result::Sent)
        return outcome;
    outcome.reply = channel_.AwaitModbusReply(limitMs);
    if (!outcome.reply) {
        outcome.rejected = channel_.RejectedModbusHeader();
        channel_.AbandonModbusReply();
    }
    return outcome;
}
