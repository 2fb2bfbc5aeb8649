#include "TableOutput.h"

#include "ConfigDocument.h"

#include <QJsonObject>

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

} // namespace

TextTable HostTable(const QJsonArray& hosts, const QStringList& fixedColumns) {
    QStringList fieldNames;
    QList<QMap<QString, QString>> fieldCells;
    for (const QJsonValue& host : hosts) {
        fieldCells.append(QMap<QString, QString>());
        Flatten(host.toObject(), fieldNames, fieldCells.last());
    }
    if (!fixedColumns.isEmpty())
        fieldNames = fixedColumns;
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

QStringList ConfigColumns(const QString& prefix) {
    QStringList names;
    for (const DeviceSetting setting : kWriteOrder)
        names << prefix + SettingKey(setting);
    return names;
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
