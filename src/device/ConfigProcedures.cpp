#include "ConfigProcedures.h"

#include "Messages.h"
#include "NumberReading.h"
#include "Text.h"
#include "ValueChecks.h"
#include "Wait.h"

ConfigProcedures::ConfigProcedures(ClientSocket& socket, CommandChannel& channel,
                                   DeviceModel& model, DeviceLog& log, RestartFollower& follower,
                                   QObject* parent)
    : QObject(parent), socket_(socket), channel_(channel), model_(model), log_(log),
      follower_(follower) {}

namespace {

// The check the window's fields get: the form of a dotted address, a port, a
// MAC address; table indexes come from a list and need none.
bool PassesWindowCheck(const SettingRow& row, const QString& text) {
    switch (row.kind) {
    case SettingKind::Address:
    case SettingKind::Mask:
        return CheckIpAddress(text);
    case SettingKind::Port:
        return CheckPort(text);
    case SettingKind::Mac:
        return CheckMacAddress(text);
    case SettingKind::ByteOrder:
    case SettingKind::Speed:
        break;
    }
    return true;
}

} // namespace

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

    int answered = 0;
    for (const FieldQuery& query : ReadQueries()) {
        const Answer answer = channel_.Exchange(QByteArray(query.text), AnswerWait{});
        answered += answer.came() ? 1 : 0;
        outcome.values.Set(query.field, answer.ValueOf(query.valueKey).value_or(QString()));
    }

    outcome.result = ReadResult::Answered;
    if (answered == 0) {
        log_.SetStatus(StatusPanel::Message, msg::ServerNotAnswer);
        socket_.Close();
        outcome.result = ReadResult::NotAnswered;
    } else if (answered <= 7) {
        log_.SetStatus(StatusPanel::Message, msg::ErrorServerAnswer);
        outcome.result = ReadResult::PartlyAnswered;
    } else {
        log_.SetStatus(StatusPanel::Message, QString());
    }
    ProcessMessages();
    return outcome;
}

ConfigProcedures::WriteOutcome
ConfigProcedures::WriteConfiguration(const QList<ConfigValue>& values, bool restart,
                                     FollowDone done) {
    WriteOutcome outcome;
    if (!socket_.Connected()) {
        log_.ShowStatus(msg::ServerNotConnected);
        return outcome;
    }
    model_.ClearNetworkResults();
    // What this connection read of the device's MAC address names it after
    // a restart.
    outcome.identity = model_.Values().Mac();
    model_.ClearValues();
    log_.SetStatus(StatusPanel::Message, QStringLiteral("Writing config..."));
    ProcessMessages();

    // The restart follows the device: to the address and port it confirmed,
    // otherwise to those of the connection the write went over.
    outcome.restartAddress = socket_.Address();
    outcome.restartPort = socket_.Port();
    QString invalid;
    bool identityWritten = false;
    int answered = 0;
    for (const ConfigValue& value : values) {
        const SettingRow* row = FindSettingRow(value.setting);
        if (!row)
            continue;
        if (!PassesWindowCheck(*row, value.text)) {
            log_.AddLogLine(QString::fromLatin1(row->windowError));
            model_.SetResult(value.setting, SettingResult::Error);
            if (invalid.isEmpty())
                invalid = QString::fromLatin1(row->windowError);
            continue;
        }
        outcome.sent.append(value);
        const Answer answer = channel_.Exchange(
            ToCp1251(QString::fromLatin1(row->command) + value.text), AnswerWait{});
        answered += answer.came() ? 1 : 0;
        identityWritten = identityWritten || row->role == SettingRole::Identity;
        const std::optional<QString> confirmation = answer.ValueOf(row->confirmKey);
        if (confirmation && *confirmation != kAnswerOk)
            outcome.refused.append(value.setting);
        if (confirmation != QString(kAnswerOk))
            continue;
        outcome.confirmed.append(value.setting);
        if (row->role == SettingRole::Address)
            outcome.restartAddress = value.text;
        if (row->role == SettingRole::Port)
            outcome.restartPort = ReadNumber(value.text, outcome.restartPort);
        if (row->role == SettingRole::Identity)
            outcome.identity = value.text;
    }
    const int sent = int(outcome.sent.size());

    if (!invalid.isEmpty()) {
        // The write is over: "Writing config..." would say it still runs.
        log_.SetStatus(StatusPanel::Message, invalid);
        outcome.result = WriteResult::InvalidValue;
        return outcome;
    }
    if (answered == sent) {
        if (!restart) {
            log_.SetStatus(StatusPanel::Message, QString());
            outcome.result = WriteResult::Written;
            return outcome;
        }
        if (restartOnlyWhenConfirmed && outcome.confirmed.size() != sent) {
            log_.SetStatus(StatusPanel::Message, msg::ErrorServerAnswer);
            outcome.result = WriteResult::PartlyAnswered;
            return outcome;
        }
        if (!MacAddressBytes(outcome.identity))
            outcome.identity = askIdentity();
        outcome.result = runRestartSequence(identityWritten, outcome.restartAddress,
                                            outcome.restartPort, std::move(done))
                             ? WriteResult::Restarting
                             : WriteResult::RestartFailed;
        return outcome;
    }
    if (answered > 0) {
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
    const FieldQuery* query = FindQuery(DeviceValues::FieldWithRole(SettingRole::Identity));
    AnswerWait wait;
    wait.key = query->valueKey;
    wait.endOnDisconnect = true;
    return channel_.Exchange(QByteArray(query->text), wait).value();
}

std::optional<QString> ConfigProcedures::ReadValue(DeviceField field) {
    const FieldQuery* query = FindQuery(field);
    if (!socket_.Connected() || !query)
        return std::nullopt;
    const Answer answer = channel_.Exchange(QByteArray(query->text), AnswerWait{});
    if (!answer.came())
        return std::nullopt;
    return answer.ValueOf(query->valueKey).value_or(QString());
}

std::optional<ConfigProcedures::VersionOutcome> ConfigProcedures::ReadVersion() {
    log_.SetStatus(StatusPanel::Message, QStringLiteral("Reading version"));
    ProcessMessages();
    VersionOutcome outcome;
    outcome.version = channel_.Exchange(QByteArrayLiteral("?Version"), AnswerWait{})
                          .ValueOf(AnswerKey::VERSION)
                          .value_or(QString());
    const Answer date = channel_.Exchange(QByteArrayLiteral("?DateVersion"), AnswerWait{});
    if (!date.came())
        return std::nullopt;
    outcome.date = date.ValueOf(AnswerKey::DATEVERSION).value_or(QString());
    return outcome;
}

void ConfigProcedures::ClearArpEntry(const QString& address) {
    if (arpRunner)
        arpRunner(address);
}
