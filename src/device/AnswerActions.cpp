// What each answer item does: the answer-key table's actions on the model.
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

void CommandChannel::ParseAnswer(const QString& text) {
    const QList<AnswerItem> items = SplitAnswer(text);
    for (const AnswerItem& item : items) {
        if (!ApplyAnswerItem(item.key, item.value))
            return;
    }
}

bool CommandChannel::ApplyAnswerItem(const QString& key, const QString& value) {
    switch (static_cast<AnswerKey>(FindAnswerKey(key))) {
    case AnswerKey::SET_IPADDR:
        model_.SetResult(DeviceSetting::IpAddr, ResultOf(value));
        break;
    case AnswerKey::SET_NETMASK:
        model_.SetResult(DeviceSetting::NetMask, ResultOf(value));
        break;
    case AnswerKey::SET_SERVICE:
        model_.SetResult(DeviceSetting::Port, ResultOf(value));
        break;
    case AnswerKey::SET_GW:
        model_.SetResult(DeviceSetting::Gateway, ResultOf(value));
        break;
    case AnswerKey::SET_PACKFLOAT:
        model_.SetResult(DeviceSetting::PackFloat, ResultOf(value));
        break;
    case AnswerKey::IPADDR:
        model_.SetValue(DeviceField::IpAddr, value);
        break;
    case AnswerKey::NETMASK:
        model_.SetValue(DeviceField::NetMask, value);
        break;
    case AnswerKey::SERVICE:
        model_.SetValue(DeviceField::Port, value);
        break;
    case AnswerKey::GW:
        model_.SetValue(DeviceField::Gateway, value);
        break;
    case AnswerKey::VERSION:
        model_.SetValue(DeviceField::Version, value);
        break;
    case AnswerKey::DATEVERSION:
        model_.SetValue(DeviceField::Date, value);
        break;
    case AnswerKey::PACKFLOAT:
        if (value.isEmpty())
            return false;
        model_.SetValue(DeviceField::PackFloat, value);
        break;
    case AnswerKey::READ:
        if (value == kAnswerOk)
            startBlockRead();
        break;
    case AnswerKey::SET_MACADDR:
        model_.SetResult(DeviceSetting::MacAddr, ResultOf(value));
        break;
    case AnswerKey::MACADDR:
        model_.SetValue(DeviceField::MacAddr, value);
        break;
    case AnswerKey::SET_SPEED_DUPLEX:
        model_.SetResult(DeviceSetting::SpeedDuplex, ResultOf(value));
        break;
    case AnswerKey::SPEED_DUPLEX:
        if (value.isEmpty())
            return false;
        model_.SetValue(DeviceField::SpeedDuplex, value);
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
    default: // NO, the keys with no action of their own, and unknown keys
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
    log_.AddSentLine(QStringLiteral("READBUF"));
    emit blockReadStarted();
    socket_.SendText(QByteArrayLiteral("READBUF"));
}
