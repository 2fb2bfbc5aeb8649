#pragma once

#include "ConfigProcedures.h"
#include "Target.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One row of a fleet's table: a host and the values it is to get.
struct HostValues {
    Target target;
    QList<ConfigValue> values;
};

// A fleet's values as CSV: a header row naming the columns (host and any of
// ip, mask, port, gw, mac, byte_order, speed, in any order), then one row per
// host; an empty cell leaves that value as it is. Fields may be quoted as
// spreadsheets write them. Every row is checked before anything is sent;
// nothing, with `error` naming the line and the column, when one fails.
// `rowsMayBeEmpty`: a row without values is no mistake (apply), else it is.
std::optional<QList<HostValues>> ReadValuesTable(const QByteArray& text, bool rowsMayBeEmpty,
                                                 QString& error);

// Two hosts that would end at the same address and port, or with the same
// MAC address, after the values are written: the text that says so, or
// nothing. After a restart they would answer for each other.
std::optional<QString> SharedIdentity(const QList<HostValues>& hosts);
