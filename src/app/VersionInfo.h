#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <array>

// The About window's version and date labels, worked out from the build's
// version and the executable's last-write time, with no widget involved.

// a.b.c.d, most significant first.
using FileVersion = std::array<unsigned short, 4>;

struct VersionLabels {
    QString version;
    QString dateTime;
};

// "a.b.d": the third part is not shown.
QString VersionLabelText(const FileVersion& version);

// The locale's separator between hours and minutes, read from its short time
// format; ":" when the format has none.
QString TimeSeparator(const QLocale& locale);

// " dd.mm.yyyy  hh:nn" (a leading blank, two between date and time, 24-hour
// clock) with the locale's time separator.
QString DateLabelText(const QDateTime& localTime, const QLocale& locale);

// The labels after a showing: the version always, the date only when the
// last-write time is known (valid); otherwise the date label keeps `current`'s text.
VersionLabels ComputeVersionLabels(const VersionLabels& current, const FileVersion& version,
                                   const QDateTime& lastWrite, const QLocale& locale);

// The running executable's last-write time in local time, or an invalid time
// when it cannot be read.
QDateTime ExecutableLastWrite();
