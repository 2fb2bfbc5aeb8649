#pragma once

#include <QJsonArray>
#include <QList>
#include <QStringList>

// --format table|csv: one line per host (or per device found), for people
// who compare a fleet at a glance and for spreadsheets.
enum class OutputFormat { Text, Table, Csv };

struct TextTable {
    QStringList header;
    QList<QStringList> rows;
};

// The hosts' JSON objects as rows, in their order. Columns: "host"
// (HOST:PORT), "exit_code", the command's fields - the configuration's keys
// in the write order, "now_at", "written", "version", "date" first, then the
// rest by name; other objects expanded as "name.key" (a configuration's keys
// in the write order); lists joined by blanks - and "error" last. A field no
// host has is no column, unless the columns are fixed: then they are
// `fixedColumns`, whatever the outcome.
TextTable HostTable(const QJsonArray& hosts, const QStringList& fixedColumns = {});
// A configuration's keys in the write order, each after `prefix`.
QStringList ConfigColumns(const QString& prefix = QString());
// Plain rows of JSON objects, with the given columns in order.
TextTable ObjectTable(const QStringList& columns, const QJsonArray& objects);
