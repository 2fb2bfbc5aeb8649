#pragma once

#include <QByteArray>
#include <QString>

// Removes every character of code 32 or less from both ends: blanks, CR, LF and
// the other control characters the device may pad its answers with.
QString TrimControl(const QString& text);
QByteArray TrimControl(const QByteArray& bytes);

// The device and the older settings files speak the Windows Cyrillic code page.
QString FromCp1251(const QByteArray& bytes);
// Characters the code page lacks become "?".
QByteArray ToCp1251(const QString& text);
