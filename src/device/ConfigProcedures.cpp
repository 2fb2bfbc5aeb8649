#include "ConfigProcedures.h"

#include "Messages.h"
#include "NumberReading.h"
#include "ValueChecks.h"
#include "Wait.h"

namespace {

// One row per writable setting: its command and its check.
struct SettingCommand {
    DeviceSetting setting;
    const char* command;
    bool (*check)(const QString&); // none for table indexes
    const char* error;
};

const SettingCommand kSettingCommands[] = {
    {DeviceSetting::IpAddr, "IPADDR = ", CheckIpAddress, "Error in IP Address"},
    {DeviceSetting::NetMask, "NETMASK = ", CheckIpAddress, "Error in mask"},
    {DeviceSetting::Port, "SERVICE = ", CheckPort, "Error in Port"},
    {DeviceSetting::Gateway, "GW = ", CheckIpAddress, "Error in GW Address"},
    {DeviceSetting::MacAddr, "MACADDR = ", CheckMacAddress, "Error in MAC Address"},
    {DeviceSetting::PackFloat, "PACKFLOAT = ", nullptr, ""},
    {DeviceSetting::SpeedDuplex, "SPEED_DUPLEX = ", nullptr, ""},
};

// The nine queries in the order "Read" sends them.
struct FieldQuery {
    DeviceField field;
    const char* text;
};
const FieldQuery kQueries[] = {
    {DeviceField::IpAddr, "?IpAddr;"},
    {DeviceField::NetMask, "?NetMask;"},
    {DeviceField::Gateway, "?GW;"},
    {DeviceField::Port, "?Service;"},
    {DeviceField::Version, "?Version;"},
    {DeviceField::Date, "?DateVersion;"},
    {DeviceField::PackFloat, "?PackFloat;"},
    {DeviceField::MacAddr, "?MacAddr;"},
    {DeviceField::SpeedDuplex, "?Speed_Duplex;"},
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
                                   ChannelState& state, RememberedParams& remembered,
                                   DeviceModel& model, DeviceLog& log, Connection& connection,
                                   QTimer& timer1, QObject* parent)
    : QObject(parent), socket_(socket), channel_(channel), state_(state), remembered_(remembered),
      model_(model), log_(log), connection_(connection), timer1_(timer1) {}

ConfigProcedures::ReadResult ConfigProcedures::ReadConfiguration() {
    if (!socket_.Connected()) {
        log_.ShowStatus(msg::ServerNotConnected);
        return ReadResult::NotConnected;
    }
    log_.SetStatus(StatusPanel::Message, QStringLiteral("Reading config..."));
    ProcessMessages();
    model_.ClearValues();
    ProcessMessages();

    int answered = 0;
    for (const FieldQuery& query : kQueries)
        answered += channel_.SendCommand(QString::fromLatin1(query.text));

    ReadResult result = ReadResult::Answered;
    if (answered == 0) {
        log_.SetStatus(StatusPanel::Message, msg::ServerNotAnswer);
        socket_.Close();
        result = ReadResult::NotAnswered;
    } else if (answered <= 7) {
        log_.SetStatus(StatusPanel::Message, msg::ErrorServerAnswer);
        result = ReadResult::PartlyAnswered;
    } else {
        log_.SetStatus(StatusPanel::Message, QString());
    }
    ProcessMessages();
    return result;
}

ConfigProcedures::WriteResult ConfigProcedures::WriteConfiguration(const QList<ConfigValue>& values,
                                                                   bool restart) {
    if (!socket_.Connected()) {
        log_.ShowStatus(msg::ServerNotConnected);
        return WriteResult::NotConnected;
    }
    state_.AnswerReceived = false;
    model_.ClearNetworkResults();
    model_.ClearValues();
    log_.SetStatus(StatusPanel::Message, QStringLiteral("Writing config..."));
    ProcessMessages();

    // The restart follows the device: to the address and port it confirmed,
    // otherwise to those of the connection the write went over.
    restartAddr_ = socket_.Address();
    restartPort_ = socket_.Port();
    int sent = 0;
    int answered = 0;
    bool invalid = false;
    bool macWritten = false;
    bool allConfirmed = true;
    for (const ConfigValue& value : values) {
        const SettingCommand* command = FindCommand(value.setting);
        if (!command)
            continue;
        if (command->check && !command->check(value.text)) {
            log_.AddLogLine(QString::fromLatin1(command->error));
            model_.SetResult(value.setting, SettingResult::Error);
            invalid = true;
            continue;
        }
        ++sent;
        answered += channel_.SendCommand(QString::fromLatin1(command->command) + value.text);
        Remember(remembered_, value.setting, value.text);
        macWritten = macWritten || value.setting == DeviceSetting::MacAddr;
        const bool confirmed = model_.Result(value.setting) == SettingResult::Ok;
        allConfirmed = allConfirmed && confirmed;
        if (confirmed && value.setting == DeviceSetting::IpAddr)
            restartAddr_ = value.text;
        if (confirmed && value.setting == DeviceSetting::Port)
            restartPort_ = ReadNumber(value.text, restartPort_);
    }

    if (invalid)
        return WriteResult::InvalidValue;
    if (answered == sent) {
        if (!restart) {
            log_.SetStatus(StatusPanel::Message, QString());
            return WriteResult::Written;
        }
        if (restartOnlyWhenConfirmed && !allConfirmed) {
            log_.SetStatus(StatusPanel::Message, msg::ErrorServerAnswer);
            return WriteResult::PartlyAnswered;
        }
        runRestartSequence(macWritten);
        return timer1_.isActive() ? WriteResult::Restarting : WriteResult::RestartFailed;
    }
    if (answered > 0) {
        log_.SetStatus(StatusPanel::Message, msg::ErrorServerAnswer);
        return WriteResult::PartlyAnswered;
    }
    log_.SetStatus(StatusPanel::Message, msg::ServerNotAnswer);
    socket_.Close();
    return WriteResult::NotAnswered;
}

bool ConfigProcedures::ReadValue(DeviceField field) {
    if (!socket_.Connected())
        return false;
    for (const FieldQuery& query : kQueries)
        if (query.field == field)
            return channel_.SendCommand(QString::fromLatin1(query.text)) == 1;
    return false;
}

bool ConfigProcedures::ReadVersion() {
    log_.SetStatus(StatusPanel::Message, QStringLiteral("Reading version"));
    ProcessMessages();
    channel_.SendCommand(QStringLiteral("?Version"));
    channel_.SendCommand(QStringLiteral("?DateVersion"));
    return state_.AnswerReceived;
}

void ConfigProcedures::ClearArpEntry(const QString& address) {
    if (arpRunner)
        arpRunner(address);
}
