#include "ModbusFrame.h"

#include "NumberReading.h"
#include "Text.h"

#include <algorithm>

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
    if (header.size() < kModbusHeaderSize || !header.startsWith(ids))
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

ModbusReplyReader::ModbusReplyReader() : ids_(QByteArray::fromHex("02030000")) {}

void ModbusReplyReader::Expect(const QByteArray& request) {
    ids_ = request.left(kModbusIdsSize);
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
