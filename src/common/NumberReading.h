#pragma once

#include <QStringView>

// The one conversion from text to a 32-bit integer used everywhere: optional
// leading blanks, an optional sign, then decimal digits or hexadecimal digits
// after "$", "x", "X", "0x" or "0X". Anything else, the empty text included,
// or a value that does not fit 32 bits gives `def`. Hexadecimal is a 32-bit
// pattern, so "$FFFFFFFF" is -1.
int ReadNumber(QStringView text, int def);
