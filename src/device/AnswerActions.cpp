// What each answer item does: the settings' values and confirmations go to
// the model as the settings table says, the rest as the switch does.
// The items a procedure waits for (READY, the install's answer) act through
// the answer its exchange hands back, not here.
#include "AnswerGrammar.h"
#include "CommandChannel.h"
#include "ValueChecks.h"

namespace {

SettingResult ResultOf(const QString& value) {
    return value == kAnswerOk ? SettingResult::Ok : SettingResult::Error;
}

} // namespace

bool CommandChannel::applySettingItem(AnswerKey key, const QString& value) {
    if (const FieldQuery* query = FindQueryByAnswer(key)) {
        const SettingRow* row = FindSettingRowByField(query->field);
        // A table index that is empty cannot be shown: a processing error.
        if (row && IsTableKind(row->kind) && value.isEmpty())
            return false;
        model_.SetValue(query->field, value);
        return true;
    }
    for (const SettingRow& row : SettingRows())
        if (row.confirmKey == key)
            model_.SetResult(row.setting, ResultOf(value));
    return true;
}

void CommandChannel::ParseAnswer(const QString& text) {
    const QList<AnswerItem> items = SplitAnswer(text);
    for (const AnswerItem& item : items) {
        if (!ApplyAnswerItem(item.key, item.value))
            return;
    }
}

bool CommandChannel::ApplyAnswerItem(const QString& key, const QString& value) {
    const AnswerKey answerKey = static_cast<AnswerKey>(FindAnswerKey(key));
    if (!applySettingItem(answerKey, value))
        return false;
    switch (answerKey) {
    case AnswerKey::READ:
        if (value == kAnswerOk)
            startBlockRead();
        break;
    case AnswerKey::SET_SERVORRCOM:
        model_.SetResult(DeviceSetting::RemoteCom, ResultOf(value));
        break;
    case AnswerKey::SERVORRCOM: {
        const std::optional<bool> off = RemoteComOff(value);
        if (!off)
            return false;
        model_.SetRemoteCom(*off ? RemoteCom::Off : RemoteCom::On);
        break;
    }
    default: // the settings' keys, NO, the keys with no action of their own, unknown keys
        break;
    }
    // No messages are processed here: the waits process them between
    // arrivals, so one connection's stream of items cannot nest deliveries.
    collect(AnswerItem{key, value});
    return true;
}

void CommandChannel::startBlockRead() {
    const int size = blockLength_ * blockCount_;
    blockGap_.stop();
    AbandonBlockRead();
    if (size > 0)
        blockBuffer_ = QByteArray(size, '\0');
    blockBegun_ = true;
    log_.AddSentLine(QStringLiteral("READBUF"));
    emit blockReadStarted();
    socket_.SendText(QByteArrayLiteral("READBUF"));
}
