#pragma once

#include "StatusPanel.h"

#include <QObject>
#include <QString>

#include <array>

// Where the core's log lines and status texts leave it. The core never touches
// a widget: a window appends these to its logs and status bar, a console
// program prints them. Connections to it must be direct, so that a line is
// shown before the procedure that wrote it goes on waiting.
class DeviceLog : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Lines longer than this show their start and their length: a device that
    // sends a megabyte without a break must not freeze a log view.
    // A capped hexadecimal line (HexLogLine) stays within it.
    static constexpr qsizetype kMaxLineChars = 800;
    static QString CapLine(const QString& text);

    // The message log.
    void AddLogLine(const QString& text) { emit logLine(CapLine(text)); }
    // The test panel's sent-commands log and its answers log.
    void AddSentLine(const QString& text) { emit sentLine(CapLine(text)); }
    void AddTestLine(const QString& text) { emit testLine(CapLine(text)); }
    // Empties both test logs for a new request.
    void ClearTestLogs() { emit testLogsCleared(); }
    // Bytes as hexadecimal pairs into the answers log.
    void AddHexLine(const char* bytes, int count);
    // What went to the device: a command text, or the size of raw bytes.
    // The window shows only what its test panel sends; a script may trace all.
    void AddCommand(const QString& text) { emit commandSent(CapLine(text)); }
    // An answer text as it arrived; the window logs it where the user looks.
    void AddAnswerText(const QString& text) { emit answerText(CapLine(text)); }

    // A message into the message log and status panel 2 together.
    void ShowStatus(const QString& text);
    // ShowStatus for a result the user must not take for success: the
    // status shows it in red until the next message.
    void ShowAlarm(const QString& text);
    // The same in the status alone.
    void SetAlarm(const QString& text);
    void SetStatus(StatusPanel panel, const QString& text);
    QString Status(StatusPanel panel) const { return status_[size_t(panel)]; }
    // The connection lamp.
    void SetLamp(bool shown) { emit lampShown(shown); }

signals:
    void logLine(const QString& text);
    void sentLine(const QString& text);
    void testLine(const QString& text);
    void testLogsCleared();
    void answerText(const QString& text);
    void commandSent(const QString& text);
    void statusText(StatusPanel panel, const QString& text);
    // The message panel's text is an alarm (red) or not; sent before the
    // text that it applies to.
    void messageAlarm(bool alarm);
    void lampShown(bool shown);

private:
    std::array<QString, 4> status_;
};
