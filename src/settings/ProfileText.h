#pragma once

#include <QStringView>

// How a private-profile value's text reads, the same for the per-key functions
// (PrivateProfile.h) and the document they are built on (ProfileDocument.h).
// In namespace rk, as the platform headers of some systems declare these names.

namespace rk {

// The most characters a read returns.
inline constexpr qsizetype kProfileValueMax = 2047;

// A value text as an integer: longer than 2 characters and beginning "0x" or "0X"
// is hexadecimal (a 32-bit pattern), anything else decimal with an optional sign;
// a text that is not entirely such a number, or does not fit 32 bits, gives `def`.
int ProfileTextToInt(QStringView text, int def);

} // namespace rk
