#pragma once

#include "Defaults.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// What the command line asks of this run. The start-up host and the switch to
// skip the automatic connection exist so that tests and demos never reach the
// private-range address the tool dials by default.
struct AppOptions {
    static constexpr uint16_t kDefaultPort = kDefaultDevicePort;

    enum class Action { Run, ShowHelp, ShowVersion, Fail };

    Action action = Action::Run;
    // Help text, version line or error message, as `action` says.
    QString message;

    QString settingsPath;
    QString startupHost = QStringLiteral("192.168.64.20");
    uint16_t startupPort = kDefaultPort;
    bool autoConnect = true;
};

// `args` as QCoreApplication::arguments() gives them: the program first.
AppOptions ParseAppOptions(const QStringList& args);

// Splits HOST[:PORT] ("[v6]:PORT" for IPv6). Returns false with `error` set on
// an empty host, a malformed name or a port outside 1..65535.
bool ParseHostPort(const QString& text, QString* host, uint16_t* port, QString* error);
