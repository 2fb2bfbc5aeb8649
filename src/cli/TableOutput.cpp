#include "TableOutput.h"

#include "ConfigDocument.h"
#include "HostReport.h"

#include <QJsonObject>

#include <algorithm>

namespace {

QString CellText(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double: {
        const double number = value.toDouble();
        return number == double(qint64(number)) ? QString::number(qint64(number))
                                                : QString::number(number, 'g', 9);
    }
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Array: {
        QStringList items;
        for (const QJsonValue& item : value.toArray())
            items << CellText(item);
        return items.join(QLatin1Char(' '));
    }
    default:
        return QString();
    }
}

// A configuration's keys in the write order, then the others by name.
QStringList ConfigKeysFirst(const QStringList& keys) {
    QStringList ordered;
    for (const DeviceSetting setting : kWriteOrder)
        if (keys.contains(SettingKey(setting)))
            ordered << SettingKey(setting);
    for (const QString& key : keys)
        if (!ordered.contains(key))
            ordered << key;
    return ordered;
}

// One host's fields by column name, with the names in their column order.
void Flatten(const QJsonObject& object, QStringList& names, QMap<QString, QString>& cells) {
    const auto put = [&](const QString& name, const QJsonValue& value) {
        if (!names.contains(name))
            names << name;
        cells.insert(name, CellText(value));
    };
    const QJsonObject config = object.value(QStringLiteral("config")).toObject();
    for (const QString& key : ConfigKeysFirst(config.keys()))
        put(key, config.value(key));
    const QStringList first = {QStringLiteral("now_at"), QStringLiteral("written"),
                               QStringLiteral("version"), QStringLiteral("date")};
    const QStringList keys = object.keys(); // sorted by name
    QStringList ordered;
    for (const QString& key : first)
        if (keys.contains(key))
            ordered << key;
    for (const QString& key : keys)
        if (!first.contains(key))
            ordered << key;
    for (const QString& key : ordered) {
        if (key == QLatin1String("host") || key == QLatin1String("port") ||
            key == QLatin1String("exit_code") || key == QLatin1String("error") ||
            key == QLatin1String("config"))
            continue;
        const QJsonValue value = object.value(key);
        if (value.isObject()) {
            const QJsonObject inner = value.toObject();
            for (const QString& innerKey : ConfigKeysFirst(inner.keys()))
                put(key + QLatin1Char('.') + innerKey, inner.value(innerKey));
        } else {
            // A field that shares a configuration key's name keeps its own column.
            put(names.contains(key) && config.contains(key) ? QStringLiteral("result.") + key : key,
                value);
        }
    }
}

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

// The columns of a command's table whatever its hosts gave, so that a
// spreadsheet's formulas keep their columns from run to run.
QStringList FixedColumns(const QString& command) {
    QStringList config;
    for (const DeviceSetting setting : kWriteOrder)
        config << SettingKey(setting);
    const auto prefixed = [&config](const QString& prefix) {
        QStringList names;
        for (const QString& key : config)
            names << prefix + key;
        return names;
    };
    const QString error = QStringLiteral("socket_error");
    if (command == QLatin1String("read"))
        return config + QStringList{QStringLiteral("version"), QStringLiteral("date"), error};
    if (command == QLatin1String("write") || command == QLatin1String("import"))
        return config + QStringList{QStringLiteral("now_at"),
                                    QStringLiteral("written"),
                                    QStringLiteral("version"),
                                    QStringLiteral("date"),
                                    QStringLiteral("expected_at"),
                                    QStringLiteral("restarted"),
                                    error};
    if (command == QLatin1String("apply"))
        return QStringList{QStringLiteral("changed"),    QStringLiteral("pending_restart"),
                           QStringLiteral("restarted"),  QStringLiteral("written"),
                           QStringLiteral("found_at"),   QStringLiteral("now_at"),
                           QStringLiteral("expected_at")} +
               prefixed(QStringLiteral("before.")) + prefixed(QStringLiteral("after.")) +
               QStringList{QStringLiteral("version"), QStringLiteral("date"), error};
    return {};
}

} // namespace

TextTable HostTable(const QJsonArray& hosts, const QString& command) {
    QStringList fieldNames;
    QList<QMap<QString, QString>> fieldCells;
    for (const QJsonValue& host : hosts) {
        fieldCells.append(QMap<QString, QString>());
        Flatten(host.toObject(), fieldNames, fieldCells.last());
    }
    if (const QStringList fixed = FixedColumns(command); !fixed.isEmpty())
        fieldNames = fixed;
    TextTable table;
    table.header << QStringLiteral("host") << QStringLiteral("exit_code") << fieldNames
                 << QStringLiteral("error");
    for (qsizetype i = 0; i < hosts.size(); ++i) {
        const QJsonObject host = hosts.at(i).toObject();
        QStringList row;
        row << host.value(QStringLiteral("host")).toString() + QLatin1Char(':') +
                   CellText(host.value(QStringLiteral("port")))
            << CellText(host.value(QStringLiteral("exit_code")));
        for (const QString& name : std::as_const(fieldNames))
            row << fieldCells.at(i).value(name);
        row << CellText(host.value(QStringLiteral("error")));
        table.rows.append(row);
    }
    return table;
}

TextTable ObjectTable(const QStringList& columns, const QJsonArray& objects) {
    TextTable table;
    table.header = columns;
    for (const QJsonValue& value : objects) {
        QStringList row;
        for (const QString& column : columns)
            row << CellText(value.toObject().value(column));
        table.rows.append(row);
    }
    return table;
}

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
