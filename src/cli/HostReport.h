#pragma once

#include "CommandLine.h"
#include "ExitCode.h"
#include "TableOutput.h"
#include "Target.h"

#include <QJsonObject>
#include <QStringList>

#include <functional>

// What one host's run gave: the verdict, the text for people and the fields
// for the JSON document.
struct HostReport {
    Target target;
    int exitCode = ExitDone;
    QString error;
    QStringList lines;
    QJsonObject fields;
    // apply --check found a difference: the run exits with ExitDrift unless
    // some host failed.
    bool drift = false;

    // Records the first failure; later ones are consequences of it. Returns
    // false, so that a step can end with `return report.Fail(...)`.
    bool Fail(int code, const QString& message);
    bool Failed() const { return exitCode != ExitDone; }
    void Say(const QString& line) { lines.append(line); }
};

// Runs `work` for every host of the command line, at most --jobs at once,
// each on a worker thread of its own; prints each host's text as it ends (or
// the JSON document or the table at the end) and returns the highest exit
// code (ExitDrift when no host failed and some drifted). SIGINT or SIGTERM ends the run at once:
// the hosts not done are reported "interrupted" with 128 + the signal, which the run exits with.
int RunOnTargets(const CommandLine& line, const std::function<void(HostReport&)>& work);

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

// A line on standard error that shows a state while a run goes on (the
// upload's progress bar), for a terminal only; main thread. EndStatusLine
// leaves its last state standing on a line of its own.
void ShowStatusLine(const QString& text);
void EndStatusLine();
