#pragma once

#include "ProfileText.h"

#include <QString>
#include <QStringView>

// Private-profile INI files, read and written one key at a time by the rules the
// files in the field were written and hand-edited under:
// - section and key names compare case-insensitively; blanks (space, tab) around
//   names, "=" and values are ignored;
// - a value wrapped in matching double or single quotes loses them;
// - a line whose first non-blank is ";" is a comment; a section header ends at
//   its first "]"; keys before the first header and lines without "=" are not keys;
// - only the first of two same-named sections counts, and in it the first of two
//   same-named keys.
// A write changes only the line of its key (or adds one), so every other byte of
// the file stays as it was. Files are UTF-8, or UTF-16 after a UTF-16 byte-order
// mark; one that is not valid UTF-8 is read as Windows-1251. Each call reads the
// file on its own; ProfileDocument reads and writes many keys at once.
//
// In namespace rk, as the platform headers of some systems declare these names.

namespace rk {

// The value of `key` in `section`, or `def` when the file, section or key is missing
// or the file cannot be read (ProfileDocument::load). An empty value is a value, not a
// missing key.
QString GetPrivateProfileString(QStringView section, QStringView key, const QString& def,
                                const QString& path);

// The value read as an integer by ProfileTextToInt.
int GetPrivateProfileInt(QStringView section, QStringView key, int def, const QString& path);

// The value read as an integer; any value but 0 is true.
bool GetPrivateProfileBool(QStringView section, QStringView key, bool def, const QString& path);

// Sets `key` in `section` to `value`, creating the file and the section when needed.
// An existing key's line is rewritten in place; a new key goes after the last key of
// its section, a new section at the end of the file, as "Key=Value". The file is
// written as WriteProfileFile does. Line breaks in `value` become blanks, since
// they would otherwise start new lines of the file. A Windows-1251 file keeps its
// code page while it can hold the result, and otherwise moves to UTF-8 as a
// whole. Returns false when nothing was written: the file cannot be read or
// written, is read-only, or a name cannot be stored.
bool WritePrivateProfileString(QStringView section, QStringView key, QStringView value,
                               const QString& path);

// Writes the integer in decimal.
bool WritePrivateProfileInt(QStringView section, QStringView key, int value, const QString& path);

// Writes "1" or "0".
bool WritePrivateProfileBool(QStringView section, QStringView key, bool value, const QString& path);

} // namespace rk
