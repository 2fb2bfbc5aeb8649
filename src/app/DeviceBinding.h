#pragma once

#include "Device.h"
#include "Shell.h"

#include <QObject>

class QTextEdit;
class StatusPanels;

namespace Ui {
class TChatForm;
}

// Shows the device core in the main window: the model's values in the read
// fields, write results as coloured labels, log lines in the three logs,
// status texts and the lamp in the status bar. Every connection is direct, so
// a value is on screen before the procedure that received it goes on.
class DeviceBinding : public QObject {
    Q_OBJECT
public:
    DeviceBinding(Device& device, Ui::TChatForm& ui, StatusPanels& status, Shell& shell,
                  QObject* parent = nullptr);

    static constexpr int kLogMaxLines = 300;

    // Appends to the message log, keeping at most its 300 lines.
    static void AppendLogLine(QTextEdit* log, const QString& text);

private:
    void showValue(DeviceField field, const QString& value);
    void showResult(DeviceSetting setting, SettingResult result);
    void showRemoteCom(RemoteCom state);
    void showAnswerText(const QString& text);
    void showBlock(const QByteArray& block);
    void selectFirstSentLine();

    Ui::TChatForm& ui_;
    Shell& shell_;
};
