#pragma once

#include "ExitCode.h"
#include "Target.h"

#include <QJsonObject>
#include <QStringList>

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
