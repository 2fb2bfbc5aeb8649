// Any request text typed into the ModBus field.
#include "FuzzRequire.h"
#include "ModbusFrame.h"
#include "NumberReading.h"
#include "Text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

bool IsHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

void Check(const QString& text) {
    const std::optional<QByteArray> frame = ModbusRequestBytes(text);
    const QString trimmed = TrimControl(text);
    Require(frame.has_value() == !trimmed.isEmpty());
    if (!frame)
        return;
    // One byte per blank-separated token; a token of one or two hexadecimal
    // digits is that byte.
    const QStringList tokens = trimmed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    Require(frame->size() == tokens.size());
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString& t = tokens[i];
        if (t.size() <= 2 && std::all_of(t.begin(), t.end(), IsHexDigit))
            Require(static_cast<uint8_t>(frame->at(i)) == t.toUInt(nullptr, 16));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Check(FromCp1251(bytes));
    Check(QString::fromUtf8(bytes));
    return 0;
}
