#pragma once

#include <QObject>
#include <QString>

#include <array>

// The status bar's panels: the lamp, the connection text, the latest message
// and the progress mark.
enum class StatusPanel : int { Lamp = 0, Connection = 1, Message = 2, Progress = 3 };

// Where the core's log lines and status texts leave it. The core never touches
// a widget: a window appends these to its logs and status bar, a console
// program prints them. Connections to it must be direct, so that a line is
// shown before the procedure that wrote it goes on waiting.
class DeviceLog : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The message log.
    void AddLogLine(const QString& text) { emit logLine(text); }
    // The test panel's sent-commands log and its answers log.
    void AddSentLine(const QString& text) { emit sentLine(text); }
    void AddTestLine(const QString& text) { emit testLine(text); }
    // Empties both test logs for a new request.
    void ClearTestLogs() { emit testLogsCleared(); }
    // Bytes as hexadecimal pairs into the answers log.
    void AddHexLine(const char* bytes, int count);
    // An answer text as it arrived; the window logs it where the user looks.
    void AddAnswerText(const QString& text) { emit answerText(text); }

    // A message into the message log and status panel 2 together.
    void ShowStatus(const QString& text);
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
    void statusText(StatusPanel panel, const QString& text);
    void lampShown(bool shown);

private:
    std::array<QString, 4> status_;
};
