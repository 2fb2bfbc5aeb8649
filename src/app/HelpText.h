#pragma once

#include <QString>

// The user guide the Help window shows: five sections in Russian, separated
// by marker lines. Columns of the byte-order tables are tab-separated.
QString HelpText();

// A line that separates two sections; the Help window centres these.
bool IsHelpMarkerLine(const QString& line);
