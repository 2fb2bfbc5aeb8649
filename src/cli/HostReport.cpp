#include "HostReport.h"

#include "ThreadJobs.h"

#include <QCoreApplication>

#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

#include <algorithm>
#include <cstdio>

bool HostReport::Fail(int code, const QString& message) {
    if (!Failed()) {
        exitCode = code;
        error = message;
    }
    return false;
}

void PrintLine(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintError(const QString& text) {
    const QByteArray bytes = QStringLiteral("rk5720-cli: ").toUtf8() + text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void PrintJson(const QJsonObject& document) {
    const QByteArray bytes = QJsonDocument(document).toJson(QJsonDocument::Indented);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
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

} // namespace

int RunOnTargets(const CommandLine& line, const std::function<void(HostReport&)>& work) {
    QList<HostReport> reports;
    for (const Target& target : line.targets) {
        HostReport report;
        report.target = target;
        reports.append(report);
    }
    const bool several = reports.size() > 1;
    RunJobsOnThreads(int(reports.size()), line.jobs, [&](int index) {
        HostReport& report = reports[index];
        work(report);
        if (!line.json)
            OnMainThread([report, several] { PrintText(report, several); });
    });

    int exitCode = ExitDone;
    QJsonArray results;
    for (const HostReport& report : reports) {
        exitCode = std::max(exitCode, report.exitCode);
        results.append(HostJson(report));
    }
    if (line.json) {
        QJsonObject document;
        document.insert(QStringLiteral("command"), line.command);
        document.insert(QStringLiteral("exit_code"), exitCode);
        if (line.command == QLatin1String("apply"))
            document.insert(QStringLiteral("check"), line.Has(QStringLiteral("check")));
        document.insert(QStringLiteral("results"), results);
        PrintJson(document);
    }
    return exitCode;
}
