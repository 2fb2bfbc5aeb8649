#include "ModbusFrame.h"

#include "HexLine.h"
#include "NumberReading.h"
#include "Text.h"
#include "ValueChecks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

std::optional<QByteArray> ModbusRequestBytes(const QString& text) {
    const QString trimmed = TrimControl(text);
    QByteArray frame;
    qsizetype i = 0;
    const qsizetype n = trimmed.size();
    while (i < n) {
        while (i < n && trimmed[i] == QLatin1Char(' '))
            ++i;
        const qsizetype start = i;
        while (i < n && trimmed[i] != QLatin1Char(' '))
            ++i;
        if (i == start)
            break;
        const QString token = QStringLiteral("0x") + trimmed.mid(start, i - start);
        frame.append(static_cast<char>(ReadNumber(token, 0) & 0xFF));
    }
    if (frame.isEmpty())
        return std::nullopt;
    return frame;
}

std::optional<int> ModbusPduSize(const QByteArray& header, const QByteArray& ids) {
    if (header.size() < kModbusHeaderSize ||
        !(header.startsWith(ids) || header.startsWith(kModbusDefaultIds)))
        return std::nullopt;
    const auto* h = reinterpret_cast<const unsigned char*>(header.constData());
    // The length counts the unit identifier, which belongs to the header.
    const int length = h[4] * 256 + h[5];
    if (length < 1)
        return std::nullopt;
    return length - 1;
}

QStringList ModbusReplyLines(const QByteArray& header, const QByteArray& pdu) {
    QStringList lines{HexLogLine(header), HexLogLine(pdu)};
    if (pdu.size() >= 2 && (static_cast<unsigned char>(pdu[0]) & 0x80) != 0)
        lines << QString::fromUtf8("Ошибка ") + QString::number(static_cast<signed char>(pdu[1]));
    return lines;
}

QString ModbusExceptionName(int code) {
    switch (code) {
    case 1:
        return QStringLiteral("Illegal function");
    case 2:
        return QStringLiteral("Illegal data address");
    case 3:
        return QStringLiteral("Illegal data value");
    case 4:
        return QStringLiteral("Server device failure");
    case 5:
        return QStringLiteral("Acknowledge");
    case 6:
        return QStringLiteral("Server device busy");
    case 8:
        return QStringLiteral("Memory parity error");
    case 10:
        return QStringLiteral("Gateway path unavailable");
    case 11:
        return QStringLiteral("Gateway target device failed to respond");
    default:
        return QString();
    }
}

QList<float> ModbusReplyFloats(const QByteArray& pdu, int orderIndex) {
    QList<float> values;
    const QString order = PackFloatText(orderIndex);
    if (order.size() != 7 || pdu.size() < 2)
        return values;
    // Which byte of the value each of the four wire positions holds.
    int significance[4];
    for (int i = 0; i < 4; ++i)
        significance[i] = order.at(i * 2).unicode() - u'0';
    const qsizetype available =
        std::min<qsizetype>(static_cast<unsigned char>(pdu[1]), pdu.size() - 2);
    for (qsizetype at = 2; at + 4 <= available + 2; at += 4) {
        uint32_t bits = 0;
        for (int i = 0; i < 4; ++i)
            bits |= uint32_t(static_cast<unsigned char>(pdu[at + i])) << (8 * significance[i]);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        values.append(value);
    }
    return values;
}

ModbusReplyReader::ModbusReplyReader() : ids_(kModbusDefaultIds) {}

void ModbusReplyReader::Expect(const QByteArray& request) {
    ids_ = request.left(kModbusIdsSize);
    rejected_.clear();
    Drop();
}

void ModbusReplyReader::Drop() {
    header_.clear();
    pdu_.clear();
    filled_ = 0;
    pending_ = false;
}

ModbusReplyReader::Outcome ModbusReplyReader::Receive(const ReceiveFn& receive) {
    if (!pending_) {
        header_ = QByteArray(kModbusHeaderSize, '\0');
        const int got = receive(header_.data(), kModbusHeaderSize);
        const std::optional<int> size =
            got == kModbusHeaderSize ? ModbusPduSize(header_, ids_) : std::nullopt;
        if (!size) {
            rejected_ = header_.left(std::max(got, 0));
            Drop();
            return Outcome::NotReply;
        }
        pdu_ = QByteArray(*size, '\0');
        filled_ = 0;
        pending_ = true;
    }
    const int want = int(pdu_.size()) - filled_;
    if (want > 0)
        filled_ += std::clamp(receive(pdu_.data() + filled_, want), 0, want);
    if (filled_ < pdu_.size())
        return Outcome::Pending;
    pending_ = false;
    return Outcome::Complete;
}
