#include "ProfileText.h"

#include "NumberReading.h"

namespace rk {

int ProfileTextToInt(QStringView text, int def) {
    if (text.size() > 2 && text[0] == QLatin1Char('0') &&
        (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X')))
        return ReadNumber(text, def);
    // ReadNumber also takes blanks and the "$" and "x" forms, which are not decimal here.
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    if (i == text.size())
        return def;
    for (; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return def;
    }
    return ReadNumber(text, def);
}

} // namespace rk
