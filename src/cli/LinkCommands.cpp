// instrument and modbus: the Test mode's procedures of the core, judged
// strictly.
#include "Commands.h"

#include "DeviceSession.h"
#include "FleetRun.h"
#include "HexLine.h"
#include "InstrumentNumber.h"
#include "ModbusFrame.h"
#include "NumberReading.h"
#include "TerminalOutput.h"
#include "ValueChecks.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace {

constexpr int kDumpBytesPerLine = 16;
// The largest ModBus/TCP frame: a 7-byte header and a 253-byte PDU.
constexpr int kModbusMaxFrame = 260;

// The frame as bytes, refusing what the window would quietly send as 00 or
// what no instrument could take.
std::optional<QByteArray> StrictFrame(const QString& text, QString& error) {
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    static const QRegularExpression hexByte(QStringLiteral("^[0-9A-Fa-f]{1,2}$"));
    const QStringList tokens = text.split(blanks, Qt::SkipEmptyParts);
    QByteArray frame;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (!hexByte.match(tokens[i]).hasMatch()) {
            error = QStringLiteral("bad frame: byte %1 \"%2\" is no hexadecimal byte 00..FF")
                        .arg(i + 1)
                        .arg(tokens[i]);
            return std::nullopt;
        }
        frame.append(char(tokens[i].toInt(nullptr, 16)));
    }
    if (frame.size() < kModbusHeaderSize + 1) {
        error = QStringLiteral("bad frame: %1 bytes; a frame has a 7-byte header and a function "
                               "code at least")
                    .arg(frame.size());
        return std::nullopt;
    }
    if (frame.size() > kModbusMaxFrame) {
        error = QStringLiteral("bad frame: %1 bytes, more than %2")
                    .arg(frame.size())
                    .arg(kModbusMaxFrame);
        return std::nullopt;
    }
    const int length = (uint8_t(frame[4]) << 8) | uint8_t(frame[5]);
    if (length != frame.size() - 6) {
        error = QStringLiteral("bad frame: its length field (bytes 5-6) says %1, but %2 bytes "
                               "follow it")
                    .arg(length)
                    .arg(frame.size() - 6);
        return std::nullopt;
    }
    return frame;
}

// --float: a table text, an index, or "auto"; -1 for auto.
std::optional<int> FloatOrder(const QString& text) {
    if (text == QLatin1String("auto"))
        return -1;
    const QStringList items = PackFloatItems();
    const qsizetype at = items.indexOf(text);
    if (at >= 0)
        return int(at);
    if (text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('3'))
        return text[0].unicode() - u'0';
    return std::nullopt;
}

QString HexText(const QByteArray& bytes) {
    return HexDumpLine(bytes).trimmed();
}

void ReportFloats(HostReport& report, const QByteArray& pdu, int order, bool reported) {
    const QString orderText = PackFloatText(order);
    report.fields.insert(QStringLiteral("byte_order"), orderText);
    const uint8_t function = pdu.isEmpty() ? 0 : uint8_t(pdu[0]);
    if (function != 3 && function != 4) {
        report.Say(
            QStringLiteral("floats: none, the reply is no register read (function 03 or 04)"));
        report.fields.insert(QStringLiteral("floats"), QJsonArray());
        return;
    }
    QJsonArray values;
    QStringList texts;
    for (float value : ModbusReplyFloats(pdu, order)) {
        values.append(std::isfinite(value) ? QJsonValue(double(value))
                                           : QJsonValue(QJsonValue::Null));
        texts << QString::number(double(value), 'g', 9);
    }
    report.fields.insert(QStringLiteral("floats"), values);
    report.Say(
        QStringLiteral("floats (byte order %1, %2): %3")
            .arg(orderText,
                 reported ? QStringLiteral("as the device reports") : QStringLiteral("as given"),
                 texts.join(QStringLiteral(" "))));
}

void SendModbus(DeviceSession& session, const QString& frameText, std::optional<int> order) {
    HostReport& report = session.report;
    Device& device = session.device;
    if (!session.Connect())
        return;
    const bool reported = order && *order < 0;
    if (reported) {
        const std::optional<QString> text = device.config.ReadValue(DeviceValues::ByteOrderField());
        if (!text)
            return void(report.Fail(ExitUnreachable,
                                    QStringLiteral("the device did not report its byte order")));
        DeviceValues reportedOrder;
        reportedOrder.Set(DeviceValues::ByteOrderField(), *text);
        const int index = reportedOrder.ByteOrder();
        if (index < 0)
            return void(report.Fail(
                ExitUnreachable,
                QStringLiteral("the device reported an invalid byte order \"%1\"").arg(*text)));
        order = index;
    }
    using Result = LinkTestProcedures::Result;
    const LinkTestProcedures::ModbusOutcome outcome =
        device.linkTest.ExchangeModbus(frameText, uint32_t(session.timeoutMs()));
    if (outcome.result != Result::Sent)
        return void(report.Fail(ExitUnreachable, QStringLiteral("the connection was lost")));
    report.fields.insert(QStringLiteral("request"), frameText);
    if (!outcome.reply) {
        // Say what came instead, when anything did.
        const QByteArray& came = outcome.rejected;
        const QByteArray frame = ModbusRequestBytes(frameText).value_or(QByteArray());
        QString why = QStringLiteral("no reply within %1 ms").arg(session.timeoutMs());
        if (came.size() >= kModbusHeaderSize && frame.size() >= 2)
            why = QStringLiteral("a reply for transaction %1, not %2")
                      .arg(HexText(came.left(2)), HexText(frame.left(2)));
        else if (!came.isEmpty())
            why = QStringLiteral("the reply's 7-byte header came in pieces (%1 bytes first)")
                      .arg(came.size());
        return void(report.Fail(
            ExitUnreachable, device.Connected() ? why : QStringLiteral("the connection was lost")));
    }
    const QByteArray& header = outcome.reply->header;
    const QByteArray& pdu = outcome.reply->pdu;
    report.fields.insert(QStringLiteral("header"), HexText(header));
    report.fields.insert(QStringLiteral("pdu"), HexText(pdu));
    report.Say(QStringLiteral("reply: %1 | %2").arg(HexText(header), HexText(pdu)));
    // A reply is to this request only when it is for its function (or is its
    // exception), as well as its transaction: a server that mixes up two
    // requests' replies must not have one judged as the other's.
    const QByteArray request = ModbusRequestBytes(frameText).value_or(QByteArray());
    if (request.size() > kModbusHeaderSize && !pdu.isEmpty() &&
        (uint8_t(pdu[0]) & 0x7F) != uint8_t(request[kModbusHeaderSize]))
        return void(
            report.Fail(ExitUnreachable, QStringLiteral("a reply for function %1, not %2")
                                             .arg(HexText(pdu.left(1)),
                                                  HexText(request.mid(kModbusHeaderSize, 1)))));
    const bool exception = !pdu.isEmpty() && (uint8_t(pdu[0]) & 0x80) != 0;
    if (exception) {
        const int code = pdu.size() >= 2 ? uint8_t(pdu[1]) : -1;
        const QString name = ModbusExceptionName(code);
        QJsonObject object{{QStringLiteral("code"), code}, {QStringLiteral("name"), name}};
        // Decimal, as the window's "Ошибка" line, with its hexadecimal beside it.
        const QString hex = code < 0
                                ? QString()
                                : QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
        object.insert(QStringLiteral("hex"), hex);
        report.fields.insert(QStringLiteral("exception"), object);
        const QString text =
            QStringLiteral("exception %1 (%2 hex): %3")
                .arg(code)
                .arg(hex, name.isEmpty() ? QStringLiteral("unknown exception") : name);
        report.Say(text);
        return void(report.Fail(ExitRefused, QStringLiteral("the instrument answered ") + text));
    }
    report.fields.insert(QStringLiteral("exception"), QJsonValue(QJsonValue::Null));
    if (order)
        ReportFloats(report, pdu, *order, reported);
}

void ReadInstrument(DeviceSession& session, const QString& number) {
    HostReport& report = session.report;
    Device& device = session.device;
    if (!session.Connect())
        return;
    using Result = LinkTestProcedures::Result;
    const LinkTestProcedures::InstrumentOutcome outcome =
        device.linkTest.ReadInstrument(number, uint32_t(session.timeoutMs()));
    if (outcome.result != Result::Answered)
        return void(report.Fail(ExitUnreachable, outcome.result == Result::NotAnswered
                                                     ? QStringLiteral("the device did not answer")
                                                     : QStringLiteral("the connection was lost")));
    if (!outcome.blockStarted)
        return void(report.Fail(
            ExitRefused,
            QStringLiteral("the device did not start the block read of %1").arg(number)));
    if (!outcome.block)
        return void(
            report.Fail(ExitUnreachable, QStringLiteral("the block of %1 did not come within %2 ms")
                                             .arg(number)
                                             .arg(session.timeoutMs())));
    const std::optional<QByteArray> block = outcome.block->bytes.left(outcome.block->received);
    report.fields.insert(QStringLiteral("instrument"), outcome.number);
    report.fields.insert(QStringLiteral("length"), int(block->size()));
    report.fields.insert(QStringLiteral("block"), QString::fromLatin1(block->toHex().toUpper()));
    report.Say(QStringLiteral("instrument %1").arg(outcome.number));
    for (qsizetype at = 0; at < block->size(); at += kDumpBytesPerLine)
        report.Say(QStringLiteral("%1  ").arg(at, 4, 16, QLatin1Char('0')) +
                   HexText(block->mid(at, kDumpBytesPerLine)));
    // The pieces stopped before the block was whole: what came is no reading.
    const int asked = ChooseReadVariant(outcome.number).blockLength;
    if (block->size() < asked)
        report.Fail(
            ExitRefused,
            QStringLiteral("the instrument sent %1 of %2 bytes").arg(block->size()).arg(asked));
}

} // namespace

int RunInstrument(const CommandLine& line) {
    const std::optional<QString> number = ParseInstrumentNumber(line.arguments.at(0));
    if (!number) {
        PrintError(QStringLiteral("bad instrument number \"%1\": expected a two-letter prefix and "
                                  "a number from 1, as BA001")
                       .arg(line.arguments.at(0)));
        return ExitUsage;
    }
    // The window's field wraps a number above 255 into 1..100; a script is
    // told which instrument it reads.
    const QString typed = line.arguments.at(0).trimmed();
    if (ReadNumber(QStringView(typed).mid(2), -1) != ReadNumber(QStringView(*number).mid(2), -2))
        PrintError(QStringLiteral("warning: %1 is read as %2, as the window's field wraps it")
                       .arg(typed, *number));
    return RunOnTargets(line, [&](HostReport& report) {
        DeviceSession session(line, report);
        ReadInstrument(session, *number);
    });
}

int RunModbus(const CommandLine& line) {
    QString error;
    const std::optional<QByteArray> frame = StrictFrame(line.arguments.at(0), error);
    if (!frame) {
        PrintError(error);
        return ExitUsage;
    }
    std::optional<int> order;
    if (line.Has(QStringLiteral("float"))) {
        order = FloatOrder(line.Value(QStringLiteral("float")));
        if (!order) {
            PrintError(QStringLiteral("bad --float \"%1\": expected %2, 0..3 or auto")
                           .arg(line.Value(QStringLiteral("float")),
                                PackFloatItems().join(QStringLiteral(", "))));
            return ExitUsage;
        }
    }
    const QString frameText = HexText(*frame);
    return RunOnTargets(line, [&](HostReport& report) {
        DeviceSession session(line, report);
        SendModbus(session, frameText, order);
    });
}
