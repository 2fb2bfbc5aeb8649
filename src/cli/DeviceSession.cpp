#include "DeviceSession.h"

#include "ConfigDocument.h"
#include "InterruptWatch.h"
#include "TerminalOutput.h"
#include "ValueChecks.h"
#include "Wait.h"

#include <algorithm>

DeviceSession::DeviceSession(const CommandLine& line, HostReport& report)
    : report(report), timeoutMs_(line.timeoutMs), answerWaitMs_(line.answerTimeoutMs),
      retries_(line.retries), verbose_(line.verbose) {
    device.config.restartOnlyWhenConfirmed = true;
    // An interrupted run closes the device on this thread, so that nothing
    // more is sent to it; the waits end on their own.
    if (InterruptWatch* watch = InterruptWatch::Current())
        QObject::connect(watch, &InterruptWatch::interrupted, &device, [this] { device.Close(); });
    if (line.answerTimeoutMs != int(CommandChannel::kAnswerWaitMs)) {
        // A slow link: every limit that waits for the device grows alike.
        device.SetAnswerWaitMs(uint32_t(line.answerTimeoutMs));
        const double scale = double(line.answerTimeoutMs) / CommandChannel::kAnswerWaitMs;
        FirmwareTiming& t = device.firmware.timing;
        for (uint32_t* limit : {&t.blockAnswerMs, &t.installAnswerMs, &t.firstBlockReadMs,
                                &t.blockReadMs, &t.remoteComOffMs})
            *limit = uint32_t(*limit * scale);
    }
    if (line.restartPauseMs >= 0) {
        // A write's restart and an install's: each command uses its own.
        device.follower.timing.restartPauseMs = uint32_t(line.restartPauseMs);
        device.firmware.timing.installRestartMs = uint32_t(line.restartPauseMs);
    }
    if (line.verbose) {
        const auto printer = [prefix = report.target.Text() +
                                       QStringLiteral(": ")](const QString& mark) {
            return [prefix, mark](const QString& text) {
                const QString line = prefix + mark + EscapeControl(text);
                PostNote(line);
            };
        };
        QObject::connect(&device.log, &DeviceLog::logLine, &device, printer(QString()));
        QObject::connect(&device.log, &DeviceLog::sentLine, &device, printer(QStringLiteral("> ")));
        QObject::connect(&device.log, &DeviceLog::commandSent, &device,
                         printer(QStringLiteral("> ")));
        QObject::connect(&device.log, &DeviceLog::answerText, &device,
                         printer(QStringLiteral("< ")));
    }
}

QString SocketErrorText(int code) {
    switch (code) {
    case ClientSocket::kConnectionRefused:
        return QStringLiteral("connection refused");
    case ClientSocket::kTimedOut:
        return QStringLiteral("connection timed out");
    case ClientSocket::kNetworkUnreachable:
        return QStringLiteral("network unreachable");
    case ClientSocket::kHostUnreachable:
        return QStringLiteral("host unreachable");
    case ClientSocket::kConnectionReset:
        return QStringLiteral("connection reset by the peer");
    case ClientSocket::kHostNotFound:
        return QStringLiteral("host not found");
    default:
        return QStringLiteral("socket error");
    }
}

QString DeviceSession::Where() const {
    return device.Address() + QLatin1Char(':') + QString::number(device.Port());
}

bool DeviceSession::Connect() {
    const Target& target = report.target;
    int code = 0;
    for (int attempt = 0;; ++attempt) {
        if (!device.connection.ConnectTo(target.host, QString::number(target.port)))
            return report.Fail(ExitUsage, QStringLiteral("cannot connect: bad address or port"));
        WaitUntil([this] { return device.Connected() || device.LastErrorCode() != 0; },
                  uint32_t(timeoutMs_));
        if (device.Connected())
            return true;
        code = device.LastErrorCode();
        device.Close();
        if (attempt >= retries_ || WaitInterrupted())
            break;
        // A device still starting (or a link coming up) gets a growing pause.
        const int pauseMs = std::min(kRetryPauseMs << std::min(attempt, 3), kRetryPauseMaxMs);
        if (verbose_) {
            const QString note =
                QStringLiteral("%1: cannot connect (%2); attempt %3 of %4 in %5 ms")
                    .arg(target.Text(), ConnectFailure(code))
                    .arg(attempt + 2)
                    .arg(retries_ + 1)
                    .arg(pauseMs);
            PostNote(note);
        }
        WaitProcessing(uint32_t(pauseMs));
    }
    // The report names the host; the platform's code is for scripts. Our own
    // time limit ending the attempt is a time-out as the platform's would be.
    report.fields.insert(QStringLiteral("socket_error"),
                         code != 0 ? code : int(ClientSocket::kTimedOut));
    const QString attempts =
        retries_ > 0 ? QStringLiteral(" (%1 attempts)").arg(retries_ + 1) : QString();
    return report.Fail(ExitUnreachable,
                       QStringLiteral("cannot connect: ") + ConnectFailure(code) + attempts);
}

QString DeviceSession::ConnectFailure(int code) const {
    return code != 0 ? SocketErrorText(code)
                     : QStringLiteral("no answer within %1 ms").arg(timeoutMs_);
}

bool DeviceSession::WaitFor(const std::function<bool()>& done, uint32_t limitMs) {
    WaitUntil([&] { return done() || !device.Connected(); }, limitMs);
    return done();
}

QString DeviceSession::AnswerHint(ConfigProcedures::ReadResult result) const {
    // Some queries answered and one not: the answers are coming, too slowly
    // or among other traffic; none answered: the device is busy or hung.
    if (result == ConfigProcedures::ReadResult::NotAnswered)
        return QStringLiteral(" within %1 ms: it is busy or hung (or the link is very slow; "
                              "raise --answer-timeout)")
            .arg(answerWaitMs_);
    return QStringLiteral(" within %1 ms: a slow link (raise --answer-timeout), a device too "
                          "busy to answer in time, or a flood of other traffic on the connection")
        .arg(answerWaitMs_);
}

std::optional<DeviceValues> DeviceSession::ReadConfiguration() {
    using Result = ConfigProcedures::ReadResult;
    const ConfigProcedures::ReadOutcome outcome = device.config.ReadConfiguration();
    const Result result = outcome.result;
    if (result == Result::NotConnected)
        report.Fail(ExitUnreachable, QStringLiteral("the connection was lost"));
    else if (result == Result::NotAnswered)
        report.Fail(ExitUnreachable,
                    QStringLiteral("the device did not answer") + AnswerHint(result));
    else if (QString problem; !ReadBackConfig(outcome.values, problem))
        report.Fail(ExitUnreachable, problem + AnswerHint(result));
    else
        return outcome.values;
    return std::nullopt;
}

FollowDone DeviceSession::WhenFollowed() {
    followedBack_.reset();
    return [this](bool back) { followedBack_ = back; };
}

bool DeviceSession::FollowRestart() {
    const RestartTiming& t = device.follower.timing;
    const uint32_t limit =
        t.restartPauseMs + uint32_t(t.reconnectTicks + 2) * uint32_t(t.reconnectIntervalMs);
    WaitUntil([&] { return followedBack_.has_value(); }, limit);
    if (followedBack_.value_or(false))
        return true;
    device.follower.Stop();
    return report.Fail(
        ExitUnreachable,
        QStringLiteral("the device did not come back at %1 after the restart").arg(Where()));
}

std::optional<QString> DeviceSession::ReadIdentity() {
    const QString mac = device.config.ReadIdentity().value_or(QString());
    if (!MacAddressBytes(mac)) {
        report.Fail(ExitUnreachable, QStringLiteral("the device did not report its MAC address"));
        return std::nullopt;
    }
    return mac;
}

bool DeviceSession::VerifyIdentity(const QString& mac, const QString& read) {
    QString now = read;
    if (now.isEmpty())
        now = device.config.ReadIdentity().value_or(QString());
    if (MacAddressBytes(now) && MacAddressBytes(now) == MacAddressBytes(mac))
        return true;
    return report.Fail(ExitRefused,
                       QStringLiteral("another device answers at %1 (MAC %2, not %3)")
                           .arg(Where(), now.isEmpty() ? QStringLiteral("unknown") : now, mac));
}
