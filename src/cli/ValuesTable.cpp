#include "ValuesTable.h"

#include "ConfigDocument.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>

namespace {

struct Row {
    int line = 0; // where the row begins, from 1
    QStringList fields;
};

// RFC 4180 records: fields separated by ",", quoted with '"' when they hold
// one, a quote doubled inside; CRLF or LF between records. A quote left open
// is an error, not a field that runs to the end.
std::optional<QList<Row>> SplitRecords(const QString& text, QChar separator, QString& error) {
    QList<Row> rows;
    Row row{1, {}};
    QString field;
    int line = 1;
    bool quoted = false;
    bool wasQuoted = false;
    const auto endField = [&] {
        row.fields.append(wasQuoted ? field : field.trimmed());
        field.clear();
        wasQuoted = false;
    };
    const auto endRow = [&] {
        endField();
        // A spreadsheet saves its empty rows as separators only.
        const bool blank = std::all_of(row.fields.cbegin(), row.fields.cend(),
                                       [](const QString& field) { return field.isEmpty(); });
        if (!blank)
            rows.append(row);
        row = Row{line, {}};
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
            quoted = true;
            wasQuoted = true;
            field.clear();
        } else if (c == separator) {
            endField();
        } else if (c == QLatin1Char('\n')) {
            ++line;
            endRow();
        } else if (c == QLatin1Char('\r')) {
            continue;
        } else if (wasQuoted) {
            if (!c.isSpace()) {
                error = QStringLiteral("line %1: text after a closing quote").arg(line);
                return std::nullopt;
            }
        } else {
            field += c;
        }
    }
    if (quoted) {
        error = QStringLiteral("line %1: a quote is not closed").arg(row.line);
        return std::nullopt;
    }
    endRow();
    return rows;
}

// The text of a UTF-8 file, with or without a byte order mark; nothing, with
// `error` naming the first line that is not UTF-8 (a spreadsheet's "CSV" in
// a local code page).
std::optional<QString> Utf8Text(const QByteArray& bytes, QString& error) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError()) {
        const QList<QByteArray> lines = bytes.split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QStringDecoder line(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            (void)QString(line(lines.at(i)));
            if (line.hasError()) {
                error = QStringLiteral("line %1: not UTF-8 text; save the table as CSV UTF-8")
                            .arg(i + 1);
                return std::nullopt;
            }
        }
        error = QStringLiteral("not UTF-8 text; save the table as CSV UTF-8");
        return std::nullopt;
    }
    if (text.startsWith(QChar(0xFEFF))) // a spreadsheet's byte order mark
        text.remove(0, 1);
    return text;
}

// "," as RFC 4180, or ";" as spreadsheets save CSV where "," is the decimal
// comma: whichever the header row holds, outside quotes.
QChar Separator(const QString& text) {
    qsizetype commas = 0;
    qsizetype semicolons = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && c == QLatin1Char('\n'))
            break;
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
        else if (!quoted && c == QLatin1Char(';'))
            ++semicolons;
    }
    return semicolons > commas ? QLatin1Char(';') : QLatin1Char(',');
}

// Columns of rk5720-cli's own CSV output that are no values: its tables come
// back as they are.
bool IsOutputColumn(const QString& name) {
    static const QStringList names = {QStringLiteral("exit_code"), QStringLiteral("error"),
                                      QStringLiteral("version"),   QStringLiteral("date"),
                                      QStringLiteral("now_at"),    QStringLiteral("written"),
                                      QStringLiteral("found_at"),  QStringLiteral("socket_error")};
    return names.contains(name);
}

} // namespace

std::optional<QList<HostValues>> ReadValuesTable(const QByteArray& bytes, bool rowsMayBeEmpty,
                                                 QString& error) {
    const std::optional<QString> text = Utf8Text(bytes, error);
    if (!text)
        return std::nullopt;
    std::optional<QList<Row>> rows = SplitRecords(*text, Separator(*text), error);
    if (!rows)
        return std::nullopt;
    // Empty columns a spreadsheet leaves at the right of its table.
    if (!rows->isEmpty()) {
        QStringList& names = rows->front().fields;
        while (names.size() > 1 && names.back().isEmpty())
            names.removeLast();
        for (Row& row : *rows)
            while (row.fields.size() > names.size() && row.fields.back().isEmpty())
                row.fields.removeLast();
    }
    if (rows->isEmpty()) {
        error = QStringLiteral("no header row (host,ip,mask,port,gw,mac,byte_order,speed)");
        return std::nullopt;
    }
    const Row& header = rows->front();
    int hostColumn = -1;
    QList<std::optional<DeviceSetting>> columns;
    for (const QString& cell : header.fields) {
        const int at = int(columns.size());
        const QString name = cell.toLower();
        if (IsOutputColumn(name)) {
            columns.append(std::nullopt);
            continue;
        }
        if (name == QLatin1String("host")) {
            if (hostColumn >= 0) {
                error = QStringLiteral("line %1: column \"host\" stands twice").arg(header.line);
                return std::nullopt;
            }
            hostColumn = at;
            columns.append(std::nullopt);
            continue;
        }
        const std::optional<DeviceSetting> setting = SettingByKey(name);
        if (!setting) {
            error = QStringLiteral("line %1, column %2: unknown column \"%3\"; expected host, ip, "
                                   "mask, port, gw, mac, byte_order, speed")
                        .arg(header.line)
                        .arg(at + 1)
                        .arg(cell);
            return std::nullopt;
        }
        if (columns.contains(setting)) {
            error = QStringLiteral("line %1, column %2: column \"%3\" stands twice")
                        .arg(header.line)
                        .arg(at + 1)
                        .arg(cell);
            return std::nullopt;
        }
        columns.append(setting);
    }
    if (hostColumn < 0) {
        error = QStringLiteral("line %1: no column \"host\"").arg(header.line);
        return std::nullopt;
    }

    QList<HostValues> hosts;
    QHash<QString, int> lineOf; // each device named -> its row's line
    for (qsizetype r = 1; r < rows->size(); ++r) {
        const Row& row = rows->at(r);
        if (row.fields.size() != columns.size()) {
            error = QStringLiteral("line %1: %2 fields, the header has %3")
                        .arg(row.line)
                        .arg(row.fields.size())
                        .arg(columns.size());
            return std::nullopt;
        }
        HostValues host;
        QString hostError;
        const std::optional<Target> target = ParseTarget(row.fields.at(hostColumn), hostError);
        if (!target) {
            error = QStringLiteral("line %1, column %2: %3")
                        .arg(row.line)
                        .arg(hostColumn + 1)
                        .arg(hostError);
            return std::nullopt;
        }
        host.target = *target;
        if (const auto earlier = lineOf.constFind(target->Key()); earlier != lineOf.cend()) {
            error = QStringLiteral("line %1: host %2 is given twice (line %3)")
                        .arg(row.line)
                        .arg(target->Text())
                        .arg(*earlier);
            return std::nullopt;
        }
        lineOf.insert(target->Key(), row.line);
        // In the write order, whatever the order of the columns.
        for (DeviceSetting setting : kWriteOrder) {
            const qsizetype at = columns.indexOf(setting);
            if (at < 0 || row.fields.at(at).isEmpty())
                continue;
            const QString cell = row.fields.at(at);
            const std::optional<QString> checked = CheckedSettingText(setting, cell);
            if (!checked) {
                error = QStringLiteral("line %1, column %2: bad \"%3\" \"%4\": expected %5")
                            .arg(row.line)
                            .arg(at + 1)
                            .arg(SettingKey(setting), cell, ExpectedSettingForm(setting));
                return std::nullopt;
            }
            host.values.append({setting, *checked});
        }
        if (host.values.isEmpty() && !rowsMayBeEmpty) {
            error = QStringLiteral("line %1: no value to write for %2")
                        .arg(row.line)
                        .arg(target->Text());
            return std::nullopt;
        }
        hosts.append(host);
    }
    if (hosts.isEmpty()) {
        error = QStringLiteral("no host below the header");
        return std::nullopt;
    }
    return hosts;
}

std::optional<QString> SharedIdentity(const QList<HostValues>& hosts) {
    QHash<QString, QString> address; // where a host ends -> the host
    QHash<QByteArray, QString> mac;
    for (const HostValues& host : hosts) {
        QString ip = host.target.host;
        int port = host.target.port;
        for (const ConfigValue& value : host.values) {
            const SettingRole role = RoleOf(value.setting);
            if (role == SettingRole::Address)
                ip = value.text;
            else if (role == SettingRole::Port)
                port = value.text.toInt();
            else if (role == SettingRole::Identity) {
                const QByteArray bytes = MacAddressBytes(value.text).value_or(QByteArray());
                if (mac.contains(bytes))
                    return QStringLiteral("%1 and %2 would both get the MAC address %3")
                        .arg(mac.value(bytes), host.target.Text(), value.text);
                mac.insert(bytes, host.target.Text());
            }
        }
        const QString at = Target{ip, port}.Key();
        if (address.contains(at))
            return QStringLiteral("%1 and %2 would both be at %3")
                .arg(address.value(at), host.target.Text(), at);
        address.insert(at, host.target.Text());
    }
    return std::nullopt;
}
