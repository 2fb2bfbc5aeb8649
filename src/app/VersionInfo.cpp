#include "VersionInfo.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

bool IsHourLetter(QChar c) {
    return c == QLatin1Char('h') || c == QLatin1Char('H');
}

} // namespace

QString VersionLabelText(const FileVersion& version) {
    return QStringLiteral("%1.%2.%3").arg(version[0]).arg(version[1]).arg(version[3]);
}

QString TimeSeparator(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    qsizetype at = 0;
    while (at < format.size() && !IsHourLetter(format[at]))
        ++at;
    while (at < format.size() && IsHourLetter(format[at]))
        ++at;
    QString separator;
    for (; at < format.size() && format[at] != QLatin1Char('m'); ++at) {
        // Quotes only mark literal text in the format.
        if (format[at] != QLatin1Char('\''))
            separator += format[at];
    }
    if (at == format.size() || separator.isEmpty())
        return QStringLiteral(":");
    return separator;
}

QString DateLabelText(const QDateTime& localTime, const QLocale& locale) {
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    return QStringLiteral(" %1.%2.%3  %4%5%6")
        .arg(TwoDigits(date.day()), TwoDigits(date.month()))
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(TwoDigits(time.hour()), TimeSeparator(locale), TwoDigits(time.minute()));
}

VersionLabels ComputeVersionLabels(const VersionLabels& current, const FileVersion& version,
                                   const QDateTime& lastWrite, const QLocale& locale) {
    VersionLabels labels = current;
    labels.version = VersionLabelText(version);
    if (lastWrite.isValid())
        labels.dateTime = DateLabelText(lastWrite, locale);
    return labels;
}

QDateTime ExecutableLastWrite() {
    const QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return info.lastModified().toLocalTime();
}
