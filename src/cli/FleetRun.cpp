#include "FleetRun.h"

#include "Command.h"
#include "InterruptWatch.h"
#include "TerminalOutput.h"
#include "ThreadJobs.h"
#include "Wait.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

void PrintText(const HostReport& report, bool several) {
    const QString prefix = several ? report.target.Text() + QStringLiteral(": ") : QString();
    for (const QString& line : report.lines)
        PrintLine(prefix + EscapeControl(line));
    if (report.Failed())
        PrintError(report.target.Text() + QStringLiteral(": ") + EscapeControl(report.error));
}

QJsonObject HostJson(const HostReport& report) {
    QJsonObject object = report.fields;
    object.insert(QStringLiteral("host"), report.target.host);
    object.insert(QStringLiteral("port"), report.target.port);
    object.insert(QStringLiteral("exit_code"), report.exitCode);
    object.insert(QStringLiteral("error"),
                  report.Failed() ? QJsonValue(report.error) : QJsonValue(QJsonValue::Null));
    return object;
}

// The hosts' reports as they end, kept on the main thread. Once the run is
// over (or interrupted), what a job still posts is dropped.
struct RunState {
    QList<HostReport> reports;
    QList<bool> done;
    QList<bool> cut; // ended by the interrupt, its report kept
    bool closed = false;
};

// The recap of a run in text (apply): how many hosts went which way.
QString RunSummary(const QList<HostReport>& reports, bool check) {
    int changed = 0, desired = 0, failed = 0, unreachable = 0, interrupted = 0;
    for (const HostReport& report : reports) {
        if (report.exitCode >= 128)
            ++interrupted;
        else if (report.exitCode == ExitUnreachable)
            ++unreachable;
        else if (report.Failed())
            ++failed;
        else if (report.fields.value(QStringLiteral("changed")).toBool())
            ++changed;
        else
            ++desired;
    }
    return QStringLiteral("summary: %1 host(s): %2 %3, %4 as desired, %5 failed, %6 unreachable, "
                          "%7 interrupted")
        .arg(reports.size())
        .arg(changed)
        .arg(check ? QStringLiteral("to change") : QStringLiteral("changed"))
        .arg(desired)
        .arg(failed)
        .arg(unreachable)
        .arg(interrupted);
}

// How long the jobs of an interrupted run get to close their devices.
constexpr unsigned long kUnwindMs = 3000;

} // namespace

int RunOnTargets(const CommandLine& line, const std::function<void(HostReport&)>& work) {
    const auto state = std::make_shared<RunState>();
    for (const Target& target : line.targets) {
        HostReport report;
        report.target = target;
        state->reports.append(report);
        state->done.append(false);
        state->cut.append(false);
    }
    const bool several = state->reports.size() > 1;
    const bool text = !line.json && line.format == OutputFormat::Text;
    InterruptWatch watch;
    ThreadJobs jobs(int(state->reports.size()), line.jobs, [&, state](int index) {
        HostReport report;
        report.target = line.targets.at(index);
        work(report);
        // Cut short by an interrupt: the host is reported as interrupted, with
        // what was done before (written, a restart sent, where it answers).
        const bool cut = WaitInterrupted();
        OnMainThread([state, index, report, several, text, cut] {
            if (state->closed)
                return;
            state->reports[index] = report;
            state->done[index] = true;
            state->cut[index] = cut;
            if (text && !cut)
                PrintText(report, several);
        });
    });
    QObject::connect(&watch, &InterruptWatch::interrupted, &watch, [&jobs] { jobs.Stop(); });
    jobs.Run();
    bool unwound = true;
    if (jobs.Stopped()) {
        // The jobs close their devices and say what they had done.
        unwound = jobs.WaitEnded(kUnwindMs);
        QCoreApplication::sendPostedEvents();
    }
    state->closed = true;

    int exitCode = ExitDone;
    bool drift = false;
    QJsonArray results;
    for (qsizetype i = 0; i < state->reports.size(); ++i) {
        HostReport& report = state->reports[i];
        if (!state->done.at(i)) {
            report.Fail(watch.ExitCode(), QStringLiteral("interrupted"));
            report.fields = {};
        } else if (state->cut.at(i)) {
            // Whatever the interrupt made fail, it was the interrupt.
            report.exitCode = watch.ExitCode();
            report.error = QStringLiteral("interrupted");
        }
        exitCode = std::max(exitCode, report.exitCode);
        drift = drift || report.drift;
        results.append(HostJson(report));
    }
    if (exitCode == ExitDone && drift)
        exitCode = ExitDrift;
    if (watch.Interrupted())
        exitCode = watch.ExitCode();
    // A progress bar's last state stays above what follows.
    EndStatusLine();
    if (line.json) {
        QJsonObject document;
        document.insert(QStringLiteral("command"), line.command);
        document.insert(QStringLiteral("exit_code"), exitCode);
        for (const QString& flag : line.spec ? line.spec->documentFlags : QStringList())
            document.insert(flag, line.Has(flag));
        document.insert(QStringLiteral("results"), results);
        PrintJson(document);
    } else if (!text) {
        PrintTable(HostTable(results, line.spec ? line.spec->fixedColumns : QStringList()),
                   line.format);
    } else if (watch.Interrupted()) {
        for (qsizetype i = 0; i < state->reports.size(); ++i)
            if (!state->done.at(i))
                PrintError(state->reports.at(i).target.Text() + QStringLiteral(": interrupted"));
            else if (state->cut.at(i))
                PrintText(state->reports.at(i), several);
    }
    if (text && line.spec && line.spec->summaryLine)
        PrintLine(RunSummary(state->reports, line.Has(QStringLiteral("check"))));
    if (watch.Interrupted() && !unwound) {
        // A job stuck outside any wait: its device goes with the process.
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(exitCode);
    }
    return exitCode;
}
