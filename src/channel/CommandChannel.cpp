#include "CommandChannel.h"

#include "Text.h"
#include "Ticks.h"
#include "Wait.h"
#include "ui_TChatForm.h"

#include <QTextBlock>
#include <QTextCursor>

CommandChannel::CommandChannel(ClientSocket& socket, ChannelState& state, Ui::TChatForm& ui,
                               Shell& shell, QObject* parent)
    : QObject(parent), socket_(socket), state_(state), ui_(ui), shell_(shell) {
    // The logs are append-only; an undo history would only grow.
    ui_.Memo2->setUndoRedoEnabled(false);
    ui_.MemoSending->setUndoRedoEnabled(false);
    ui_.MemoTesting->setUndoRedoEnabled(false);
}

int CommandChannel::SendCommand(const QString& text) {
    const uint32_t t0 = GetTickCount();
    state_.AnswerReceived = false;
    if (state_.SocketWritable)
        socket_.SendText(ToCp1251(text));
    while (!state_.AnswerReceived) {
        const uint32_t elapsed = TicksSince(t0);
        ProcessMessagesOrWait(elapsed <= kAnswerWaitMs ? kAnswerWaitMs - elapsed + 1 : 1);
        if (TicksSince(t0) > kAnswerWaitMs)
            return 0;
    }
    return 1;
}

void CommandChannel::ClientSocketWrite() {
    state_.SocketWritable = true;
}

void CommandChannel::ClientSocketRead() {
    if (!state_.SocketWritable)
        return;
    if (state_.RawReadPending) {
        socket_.ReceiveBuf(state_.RawBuffer.data(), ChannelState::kRawReadMax);
        state_.RawReadPending = false;
        state_.RawReadDone = true;
        return;
    }
    if (state_.ModbusMode && ReceiveModbusReply())
        return;
    if (state_.BlockBuffer) {
        receiveBlock();
        return;
    }
    receiveText();
}

void CommandChannel::receiveBlock() {
    QByteArray& buffer = *state_.BlockBuffer;
    const qsizetype offset = qsizetype(state_.BlocksReceived) * state_.BlockLength;
    // The buffer holds BlockCount blocks; never write past it, whatever the counters say.
    if (state_.BlockLength <= 0 || offset + state_.BlockLength > buffer.size()) {
        state_.ReleaseBlockBuffer();
        return;
    }
    char* block = buffer.data() + offset;
    if (socket_.ReceiveBuf(block, state_.BlockLength) <= 0)
        return;
    // The whole block is shown, however much of it arrived.
    AddTestLine(HexDumpLine(block, state_.BlockLength));
    QTextCursor cursor(ui_.MemoTesting->document());
    cursor.setPosition(0);
    cursor.setPosition(1, QTextCursor::KeepAnchor);
    ui_.MemoTesting->setTextCursor(cursor);
    if (++state_.BlocksReceived >= state_.BlockCount)
        state_.ReleaseBlockBuffer();
}

void CommandChannel::receiveText() {
    const QString text = TrimControl(FromCp1251(socket_.ReceiveText()));
    if (text.isEmpty())
        return;
    if (shell_.IsTestPanelVisible())
        AddTestLine(text);
    else
        AddLogLine(text);
    ParseAnswer(text);
}

void CommandChannel::AddLogLine(const QString& text) {
    QTextDocument* log = ui_.Memo2->document();
    QTextCursor cursor(log);
    cursor.movePosition(QTextCursor::End);
    if (!log->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
    // A text with line breaks adds several lines at once; trim them all, in
    // one edit, so the log never holds more than its cap.
    const int excess = log->blockCount() - kLogMaxLines;
    if (excess > 0) {
        QTextCursor head(log);
        head.setPosition(log->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
        head.removeSelectedText();
    }
}

void CommandChannel::AddSentLine(const QString& text) {
    ui_.MemoSending->appendPlainText(text);
}

void CommandChannel::AddTestLine(const QString& text) {
    ui_.MemoTesting->appendPlainText(text);
}

void CommandChannel::AddHexLine(const char* bytes, int count) {
    AddTestLine(HexDumpLine(bytes, count));
}

void CommandChannel::ShowStatus(const QString& text) {
    AddLogLine(text);
    shell_.SetStatusText(2, text);
}
