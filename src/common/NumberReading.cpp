#include "NumberReading.h"

#include <cstdint>

namespace {

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

int ReadNumber(QStringView text, int def) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < n && (text[i] == QLatin1Char('$') || text[i] == QLatin1Char('x') ||
                  text[i] == QLatin1Char('X'))) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == QLatin1Char('0') &&
               (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return def;

    uint64_t value = 0;
    for (; i < n; ++i) {
        const int d =
            hex ? hexDigit(text[i])
                : (text[i].isDigit() && text[i].unicode() < 128 ? text[i].unicode() - '0' : -1);
        if (d < 0)
            return def;
        value = value * (hex ? 16 : 10) + static_cast<unsigned>(d);
        // Decimal may reach 2^31 only as the magnitude of the most negative value.
        const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
        if (value > limit)
            return def;
    }
    uint32_t bits = static_cast<uint32_t>(value);
    if (negative)
        bits = 0u - bits;
    return static_cast<int>(static_cast<int32_t>(bits));
}
