#include "TerminalOutput.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QMutex>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

// The status line shown now, empty when none; main thread only.
QString statusLine;

void WriteLine(FILE* stream, const QByteArray& bytes) {
    if (!statusLine.isEmpty()) {
        const QByteArray blank(statusLine.toUtf8().size(), ' ');
        std::fprintf(stderr, "\r%s\r", blank.constData());
        std::fflush(stderr);
    }
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
    if (!statusLine.isEmpty()) {
        std::fputs(qUtf8Printable(statusLine), stderr);
        std::fflush(stderr);
    }
}

} // namespace

void PrintLine(const QString& text) {
    WriteLine(stdout, text.toUtf8() + '\n');
}

void PrintError(const QString& text) {
    // Messages quote file contents and arguments: their control characters
    // are shown, not acted on; a message's own line breaks stay.
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = EscapeControl(line);
    WriteLine(stderr, QStringLiteral("rk5720-cli: ").toUtf8() +
                          lines.join(QLatin1Char('\n')).toUtf8() + '\n');
}

void PrintNote(const QString& text) {
    WriteLine(stderr, text.toUtf8() + '\n');
}

namespace {
QMutex notesMutex;
QStringList pendingNotes;
bool notesQueued = false;
} // namespace

void PostNote(const QString& text) {
    {
        const QMutexLocker lock(&notesMutex);
        pendingNotes.append(text);
        if (notesQueued)
            return;
        notesQueued = true;
    }
    OnMainThread([] {
        QStringList lines;
        {
            const QMutexLocker lock(&notesMutex);
            lines.swap(pendingNotes);
            notesQueued = false;
        }
        WriteLine(stderr, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    });
}

void PrintJson(const QJsonObject& document) {
    WriteLine(stdout, QJsonDocument(document).toJson(QJsonDocument::Indented));
}

void PrintTable(const TextTable& table, OutputFormat format) {
    WriteLine(stdout, FormatTable(table, format).toUtf8());
}

void ShowStatusLine(const QString& text) {
    // Shorter text leaves no tail of the longer one behind.
    const qsizetype tail = std::max<qsizetype>(0, statusLine.size() - text.size());
    std::fprintf(stderr, "\r%s%s", qUtf8Printable(text), QByteArray(tail, ' ').constData());
    if (tail > 0)
        std::fprintf(stderr, "\r%s", qUtf8Printable(text));
    std::fflush(stderr);
    statusLine = text;
}

void EndStatusLine() {
    if (statusLine.isEmpty())
        return;
    statusLine.clear();
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void OnMainThread(std::function<void()> what) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        what();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(what), Qt::QueuedConnection);
}

QString EscapeControl(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // C0, DEL and C1: a terminal would act on them instead of showing them.
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            shown += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

namespace {

// A cell a spreadsheet would take as a formula (a device's version
// "=CMD|..." run when the file is opened) gets a leading "'", which makes it
// text there.
QString SpreadsheetSafe(const QString& text) {
    static const QString starts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && starts.contains(text.front()))
        return QLatin1Char('\'') + text;
    return text;
}

QString CsvField(const QString& raw) {
    const QString text = SpreadsheetSafe(raw);
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString FormatTable(const TextTable& table, OutputFormat format) {
    QList<QStringList> lines{table.header};
    for (const QStringList& row : table.rows) {
        QStringList shown;
        for (const QString& cell : row)
            shown << EscapeControl(cell);
        lines.append(shown);
    }
    QString text;
    if (format == OutputFormat::Csv) {
        for (const QStringList& line : std::as_const(lines)) {
            QStringList fields;
            for (const QString& cell : line)
                fields << CsvField(cell);
            // Records end with LF, as the tools of this platform expect; CSV
            // readers take it as well as RFC 4180's CRLF.
            text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
        }
        return text;
    }
    QList<qsizetype> widths(table.header.size(), 0);
    for (const QStringList& line : std::as_const(lines))
        for (qsizetype c = 0; c < line.size() && c < widths.size(); ++c)
            widths[c] = std::max(widths[c], line.at(c).size());
    for (const QStringList& line : std::as_const(lines)) {
        QString out;
        for (qsizetype c = 0; c < line.size(); ++c)
            out += c + 1 == line.size()
                       ? line.at(c)
                       : line.at(c).leftJustified(widths.value(c)) + QStringLiteral("  ");
        while (out.endsWith(QLatin1Char(' ')))
            out.chop(1);
        text += out + QLatin1Char('\n');
    }
    return text;
}
