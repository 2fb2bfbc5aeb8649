#include "InstrumentNumber.h"

#include "NumberReading.h"
#include "Text.h"

namespace {
constexpr int kPrefixLength = 2;
constexpr int kMaxNumber = 255;
constexpr int kWrap = 100;
} // namespace

std::optional<QString> ParseInstrumentNumber(const QString& text) {
    const QString trimmed = TrimControl(text);
    if (trimmed.size() <= kPrefixLength)
        return std::nullopt;
    int value = ReadNumber(QStringView(trimmed).mid(kPrefixLength), -1);
    if (value < 1)
        return std::nullopt;
    if (value > kMaxNumber) {
        value %= kWrap;
        if (value == 0)
            value = kWrap;
    }
    return trimmed.left(kPrefixLength) + QStringLiteral("%1").arg(value, 3, 10, QLatin1Char('0'));
}

ReadVariant ChooseReadVariant(const QString& number) {
    static const QString kShortBlock = QStringLiteral("KLMR");
    if (!number.isEmpty() && kShortBlock.contains(number.front(), Qt::CaseSensitive))
        return {128, 145};
    return {129, 193};
}
