#pragma once

#include "TableOutput.h"

#include <QJsonObject>
#include <QString>

#include <functional>

// Runs `what` on the main thread, after what was posted before it: a worker
// thread's output reaches the terminal whole and in order.
void OnMainThread(std::function<void()> what);

// Device text as a terminal may show it: control characters as \xNN.
QString EscapeControl(const QString& text);

// Output helpers shared by the commands that have no hosts. Each keeps clear
// of the status line: it is wiped before and drawn again after.
void PrintLine(const QString& text);
void PrintError(const QString& text);
// A line on standard error as it is, without the program's name.
void PrintNote(const QString& text);
// The same from any thread, printed by the main thread in the order posted;
// lines that come while a printing is queued go with it, so that -v with many
// devices does not wake the main thread for each line.
void PostNote(const QString& text);
void PrintJson(const QJsonObject& document);
void PrintTable(const TextTable& table, OutputFormat format);

// The table as aligned columns, or as CSV (RFC 4180: a header row, fields
// quoted when they hold a comma, a quote or a line break). Control characters
// are shown escaped, as in text output.
QString FormatTable(const TextTable& table, OutputFormat format);

// A line on standard error that shows a state while a run goes on (the
// upload's progress bar), for a terminal only; main thread. EndStatusLine
// leaves its last state standing on a line of its own.
void ShowStatusLine(const QString& text);
void EndStatusLine();
