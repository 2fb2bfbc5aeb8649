#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// ModBus/TCP frames typed by the user and passed through the device to an
// instrument. The tool adds nothing: the user types the whole frame, MBAP
// header included.

constexpr int kModbusHeaderSize = 7;
// Transaction and protocol identifier: what a reply repeats of its request.
constexpr int kModbusIdsSize = 4;

// The request text as bytes: tokens separated by blanks (code 32), each one
// byte in hexadecimal; the low 8 bits count ("123" is 23h), a token that is
// not all hexadecimal digits gives 00. Nothing when the text holds no token.
std::optional<QByteArray> ModbusRequestBytes(const QString& text);

// The identifiers of the default request, which a device may answer any
// request with.
inline const QByteArray kModbusDefaultIds = QByteArray::fromHex("02030000");

// The number of PDU bytes a reply header announces, or nothing when the
// header is no reply to a request with `ids` (its first bytes are neither
// those nor the default request's 02 03 00 00) or announces no unit
// identifier (length 0). `header` holds 7 bytes.
std::optional<int> ModbusPduSize(const QByteArray& header, const QByteArray& ids);

// What a complete reply shows: the header and the PDU as hexadecimal lines,
// and for an exception reply (function code with bit 7 set) "Ошибка" with the
// exception code as a signed byte, when the reply carries one.
QStringList ModbusReplyLines(const QByteArray& header, const QByteArray& pdu);

// The standard name of a ModBus exception code ("Illegal function" for 1),
// or an empty text for a code with none.
QString ModbusExceptionName(int code);

// The floats a read reply (function 03 or 04: byte count, then registers)
// carries, each from four bytes in register order, placed by the byte-order
// table's item `orderIndex` (0..3): "1-0-3-2" means the first byte on the wire
// is byte 1 of the value, where byte 3 is the most significant. Bytes past the
// count the reply announces, or a last group short of four, are not read.
QList<float> ModbusReplyFloats(const QByteArray& pdu, int orderIndex);

// Takes one reply from arrivals: the header from the first one, the PDU from
// that and any further ones. A reply still short is Pending; the owner drops
// it when no more data comes.
class ModbusReplyReader {
public:
    // Takes at most `max` bytes into `buffer`; returns how many it took.
    using ReceiveFn = std::function<int(char* buffer, int max)>;
    enum class Outcome { NotReply, Pending, Complete };

    // Until a request is sent, replies to the default request's identifiers
    // (02 03 00 00) are recognised.
    ModbusReplyReader();

    // A request went out: its replies are recognised by its first four bytes,
    // or by the default request's.
    void Expect(const QByteArray& request);
    // Forgets a reply begun and not finished.
    void Drop();
    bool Pending() const { return pending_; }
    // The bytes the last arrival that was no reply began with (up to 7):
    // what came instead, for whoever must say so.
    const QByteArray& Rejected() const { return rejected_; }

    // Reads one arrival. NotReply when its first 7 bytes are missing or are no
    // header of a reply (those bytes stay taken).
    Outcome Receive(const ReceiveFn& receive);

    const QByteArray& Header() const { return header_; }
    const QByteArray& Pdu() const { return pdu_; }

private:
    QByteArray ids_;
    QByteArray rejected_;
    QByteArray header_;
    QByteArray pdu_;
    int filled_ = 0;
    bool pending_ = false;
};
