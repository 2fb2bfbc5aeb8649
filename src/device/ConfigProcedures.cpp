#include "ConfigProcedures.h"

#include "Messages.h"
#include "NumberReading.h"
#include "Text.h"
#include "ValueChecks.h"
#include "Wait.h"

namespace {

// One row per writable setting: its command and its check.
struct SettingCommand {
    DeviceSetting setting;
    AnswerKey answer; // the key of the device's confirmation
    const char* command;
    bool (*check)(const QString&); // none for table indexes
    const char* error;
};

const SettingCommand kSettingCommands[] = {
    {DeviceSetting::IpAddr, AnswerKey::SET_IPADDR, "IPADDR = ", CheckIpAddress,
     "Error in IP Address"},
    {DeviceSetting::NetMask, AnswerKey::SET_NETMASK, "NETMASK = ", CheckIpAddress, "Error in mask"},
    {DeviceSetting::Port, AnswerKey::SET_SERVICE, "SERVICE = ", CheckPort, "Error in Port"},
    {DeviceSetting::Gateway, AnswerKey::SET_GW, "GW = ", CheckIpAddress, "Error in GW Address"},
    {DeviceSetting::MacAddr, AnswerKey::SET_MACADDR, "MACADDR = ", CheckMacAddress,
     "Error in MAC Address"},
    {DeviceSetting::PackFloat, AnswerKey::SET_PACKFLOAT, "PACKFLOAT = ", nullptr, ""},
    {DeviceSetting::SpeedDuplex, AnswerKey::SET_SPEED_DUPLEX, "SPEED_DUPLEX = ", nullptr, ""},
};

// The nine queries in the order "Read" sends them.
struct FieldQuery {
    DeviceField field;
    AnswerKey answer;
    const char* text;
};
const FieldQuery kQueries[] = {
    {DeviceField::IpAddr, AnswerKey::IPADDR, "?IpAddr;"},
    {DeviceField::NetMask, AnswerKey::NETMASK, "?NetMask;"},
    {DeviceField::Gateway, AnswerKey::GW, "?GW;"},
    {DeviceField::Port, AnswerKey::SERVICE, "?Service;"},
    {DeviceField::Version, AnswerKey::VERSION, "?Version;"},
    {DeviceField::Date, AnswerKey::DATEVERSION, "?DateVersion;"},
    {DeviceField::PackFloat, AnswerKey::PACKFLOAT, "?PackFloat;"},
    {DeviceField::MacAddr, AnswerKey::MACADDR, "?MacAddr;"},
    {DeviceField::SpeedDuplex, AnswerKey::SPEED_DUPLEX, "?Speed_Duplex;"},
};

const SettingCommand* FindCommand(DeviceSetting setting) {
    for (const SettingCommand& c : kSettingCommands)
        if (c.setting == setting)
            return &c;
    return nullptr;
}

void Remember(RememberedParams& r, DeviceSetting setting, const QString& text) {
    switch (setting) {
    case DeviceSetting::IpAddr:
        r.LastAddr = text;
        break;
    case DeviceSetting::NetMask:
        r.LastNetMask = text;
        break;
    case DeviceSetting::Port:
        r.LastPort = text;
        break;
    case DeviceSetting::Gateway:
        r.LastGW = text;
        break;
    case DeviceSetting::MacAddr:
        r.LastMac = text;
        break;
    case DeviceSetting::PackFloat:
        r.LastPackFloat = text.toInt();
        break;
    case DeviceSetting::SpeedDuplex:
        r.LastSpeedDup = text.toInt();
        break;
    case DeviceSetting::RemoteCom:
        break;
    }
}

} // namespace

ConfigProcedures::ConfigProcedures(ClientSocket& socket, CommandChannel& channel,
                                   RememberedParams& remembered, DeviceModel& model, DeviceLog& log,
                                   RestartFollower& follower, QObject* parent)
    : QObject(parent), socket_(socket), channel_(channel), remembered_(remembered), model_(model),
      log_(log), follower_(follower) {}

ConfigProcedures::ReadOutcome ConfigProcedures::ReadConfiguration() {
    ReadOutcome outcome;
    if (!socket_.Connected()) {
        log_.ShowStatus(msg::ServerNotConnected);
        return outcome;
    }
    log_.SetStatus(StatusPanel::Message, QStringLiteral("Reading config..."));
    ProcessMessages();
    model_.ClearValues();
    ProcessMessages();

    for (const FieldQuery& query : kQueries) {
        const Answer answer = channel_.Exchange(QByteArray(query.text), AnswerWait{});
        outcome.answered += answer.came() ? 1 : 0;
        outcome.values[size_t(query.field)] = answer.ValueOf(query.answer);
    }

    outcome.result = ReadResult::Answered;
    if (outcome.answered == 0) {
        log_.SetStatus(StatusPanel::Message, msg::ServerNotAnswer);
        socket_.Close();
        outcome.result = ReadResult::NotAnswered;
    } else if (outcome.answered <= 7) {
        log_.SetStatus(StatusPanel::Message, msg::ErrorServerAnswer);
        outcome.result = ReadResult::PartlyAnswered;
    } else {
        log_.SetStatus(StatusPanel::Message, QString());
    }
    ProcessMessages();
    return outcome;
}

ConfigProcedures::WriteOutcome
ConfigProcedures::WriteConfiguration(const QList<ConfigValue>& values, bool restart) {
    WriteOutcome outcome;
    if (!socket_.Connected()) {
        log_.ShowStatus(msg::ServerNotConnected);
        return outcome;
    }
    model_.ClearNetworkResults();
    // What this connection read of the device's MAC address names it after
    // a restart.
    outcome.identity = model_.Value(DeviceField::MacAddr);
    model_.ClearValues();
    log_.SetStatus(StatusPanel::Message, QStringLiteral("Writing config..."));
    ProcessMessages();

    // The restart follows the device: to the address and port it confirmed,
    // otherwise to those of the connection the write went over.
    outcome.restartAddress = socket_.Address();
    outcome.restartPort = socket_.Port();
    QString invalid;
    bool macWritten = false;
    for (const ConfigValue& value : values) {
        const SettingCommand* command = FindCommand(value.setting);
        if (!command)
            continue;
        if (command->check && !command->check(value.text)) {
            log_.AddLogLine(QString::fromLatin1(command->error));
            model_.SetResult(value.setting, SettingResult::Error);
            if (invalid.isEmpty())
                invalid = QString::fromLatin1(command->error);
            continue;
        }
        ++outcome.sent;
        const Answer answer = channel_.Exchange(
            ToCp1251(QString::fromLatin1(command->command) + value.text), AnswerWait{});
        outcome.answered += answer.came() ? 1 : 0;
        Remember(remembered_, value.setting, value.text);
        macWritten = macWritten || value.setting == DeviceSetting::MacAddr;
        if (answer.ValueOf(command->answer) != QString(kAnswerOk))
            continue;
        outcome.confirmed.append(value.setting);
        if (value.setting == DeviceSetting::IpAddr)
            outcome.restartAddress = value.text;
        if (value.setting == DeviceSetting::Port)
            outcome.restartPort = ReadNumber(value.text, outcome.restartPort);
        if (value.setting == DeviceSetting::MacAddr)
            outcome.identity = value.text;
    }

    if (!invalid.isEmpty()) {
        // The write is over: "Writing config..." would say it still runs.
        log_.SetStatus(StatusPanel::Message, invalid);
        outcome.result = WriteResult::InvalidValue;
        return outcome;
    }
    if (outcome.answered == outcome.sent) {
        if (!restart) {
            log_.SetStatus(StatusPanel::Message, QString());
            outcome.result = WriteResult::Written;
            return outcome;
        }
        if (restartOnlyWhenConfirmed && outcome.confirmed.size() != outcome.sent) {
            log_.SetStatus(StatusPanel::Message, msg::ErrorServerAnswer);
            outcome.result = WriteResult::PartlyAnswered;
            return outcome;
        }
        if (!MacAddressBytes(outcome.identity))
            outcome.identity = askIdentity();
        outcome.result = runRestartSequence(macWritten, outcome.restartAddress, outcome.restartPort)
                             ? WriteResult::Restarting
                             : WriteResult::RestartFailed;
        return outcome;
    }
    if (outcome.answered > 0) {
        log_.SetStatus(StatusPanel::Message, msg::ErrorServerAnswer);
        outcome.result = WriteResult::PartlyAnswered;
        return outcome;
    }
    log_.SetStatus(StatusPanel::Message, msg::ServerNotAnswer);
    socket_.Close();
    outcome.result = WriteResult::NotAnswered;
    return outcome;
}

QString AnotherDeviceAnswers(const QString& address, const QString& expected,
                             const QString& answered) {
    const std::optional<QByteArray> want = MacAddressBytes(expected);
    const std::optional<QByteArray> got = MacAddressBytes(answered);
    if (!want || !got || *want == *got)
        return QString();
    return QStringLiteral("another device answers at %1: MAC address %2, not %3")
        .arg(address, answered, expected.toUpper());
}

QString ConfigProcedures::askIdentity() {
    if (!channel_.Writable())
        return QString();
    AnswerWait wait;
    wait.key = AnswerKey::MACADDR;
    wait.endOnDisconnect = true;
    return channel_.Exchange(QByteArrayLiteral("?MacAddr;"), wait).value();
}

bool ConfigProcedures::ReadValue(DeviceField field) {
    if (!socket_.Connected())
        return false;
    for (const FieldQuery& query : kQueries)
        if (query.field == field)
            return channel_.Exchange(QByteArray(query.text), AnswerWait{}).came();
    return false;
}

ConfigProcedures::VersionOutcome ConfigProcedures::ReadVersion() {
    log_.SetStatus(StatusPanel::Message, QStringLiteral("Reading version"));
    ProcessMessages();
    VersionOutcome outcome;
    outcome.version =
        channel_.Exchange(QByteArrayLiteral("?Version"), AnswerWait{}).ValueOf(AnswerKey::VERSION);
    const Answer date = channel_.Exchange(QByteArrayLiteral("?DateVersion"), AnswerWait{});
    outcome.date = date.ValueOf(AnswerKey::DATEVERSION);
    outcome.answered = date.came();
    return outcome;
}

void ConfigProcedures::ClearArpEntry(const QString& address) {
    if (arpRunner)
        arpRunner(address);
}
