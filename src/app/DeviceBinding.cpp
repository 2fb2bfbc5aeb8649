#include "DeviceBinding.h"

#include "ConfigMode.h"

#include "TextColor.h"

#include "HexLine.h"
#include "LabelColor.h"
#include "StatusPanels.h"
#include "ValueChecks.h"
#include "ui_TChatForm.h"

#include <QTextBlock>
#include <QTextCursor>

DeviceBinding::DeviceBinding(Device& device, Ui::TChatForm& ui, StatusPanels& status, Shell& shell,
                             QObject* parent)
    : QObject(parent), ui_(ui), shell_(shell) {
    // The logs are append-only; an undo history would only grow.
    ui_.Memo2->setUndoRedoEnabled(false);
    ui_.MemoSending->setUndoRedoEnabled(false);
    ui_.MemoTesting->setUndoRedoEnabled(false);

    connect(&device.model, &DeviceModel::valueChanged, this, &DeviceBinding::showValue);
    connect(&device.model, &DeviceModel::resultChanged, this, &DeviceBinding::showResult);
    connect(&device.model, &DeviceModel::remoteComChanged, this, &DeviceBinding::showRemoteCom);

    DeviceLog& log = device.log;
    connect(&log, &DeviceLog::logLine, this,
            [this](const QString& text) { AppendLogLine(ui_.Memo2, text); });
    connect(&log, &DeviceLog::sentLine, ui_.MemoSending, &QPlainTextEdit::appendPlainText);
    connect(&log, &DeviceLog::testLine, ui_.MemoTesting, &QPlainTextEdit::appendPlainText);
    connect(&log, &DeviceLog::answerText, this, &DeviceBinding::showAnswerText);
    connect(&log, &DeviceLog::testLogsCleared, this, [this] {
        ui_.MemoSending->clear();
        ui_.MemoTesting->clear();
    });
    connect(&log, &DeviceLog::statusText, &status,
            [&status](StatusPanel panel, const QString& text) { status.SetText(panel, text); });
    connect(&log, &DeviceLog::messageAlarm, &status, [&status](bool alarm) {
        SetTextColor(status.Panel(StatusPanel::Message), alarm ? Qt::red : Qt::black);
    });
    connect(&log, &DeviceLog::lampShown, &status,
            [&status](bool shown) { status.SetLampWidth(shown ? 20 : 0); });

    connect(&device.connection, &Connection::listenChanged, ui_.FileListenItem,
            &QAction::setChecked);
    connect(&device.linkTest, &LinkTestProcedures::blockReceived, this, &DeviceBinding::showBlock);
    connect(&device.linkTest, &LinkTestProcedures::blockReadStarted, this,
            &DeviceBinding::selectFirstSentLine);
}

void DeviceBinding::AppendLogLine(QTextEdit* log, const QString& text) {
    QTextDocument* doc = log->document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    if (!doc->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
    // A text with line breaks adds several lines at once; trim them all, in
    // one edit, so the log never holds more than its cap.
    const int excess = doc->blockCount() - kLogMaxLines;
    if (excess > 0) {
        QTextCursor head(doc);
        head.setPosition(doc->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
        head.removeSelectedText();
    }
}

void DeviceBinding::showValue(DeviceField field, const QString& value) {
    // The version fields are no settings; the settings' fields are their rows'.
    QLineEdit* edit = field == DeviceField::Version ? ui_.EditVersion : ui_.EditDateVersion;
    QString shown = value;
    for (const ConfigMode::WriteRow& row : ConfigMode::WriteRows(ui_)) {
        const SettingRow* setting = FindSettingRow(row.setting);
        if (setting->field != field)
            continue;
        edit = row.shown;
        // Table indexes are shown as their item texts; an empty value clears.
        if (value.isEmpty())
            continue;
        if (setting->kind == SettingKind::ByteOrder)
            shown = IndexDisplay(value, PackFloatItems()).value_or(QString());
        else if (setting->kind == SettingKind::Speed)
            shown = IndexDisplay(value, SpeedDuplexItems()).value_or(QString());
    }
    edit->setText(shown);
}

void DeviceBinding::showResult(DeviceSetting setting, SettingResult result) {
    QLabel* label = ui_.LabelRCom;
    for (const ConfigMode::WriteRow& row : ConfigMode::WriteRows(ui_))
        if (row.setting == setting)
            label = row.result;
    switch (result) {
    case SettingResult::None:
        SetLabel(label, QStringLiteral("-"), Qt::black);
        break;
    case SettingResult::Ok:
        SetLabel(label, QStringLiteral("OK"), Qt::blue);
        break;
    case SettingResult::Error:
        SetLabel(label, QStringLiteral("Error"), Qt::red);
        break;
    }
}

void DeviceBinding::showRemoteCom(RemoteCom state) {
    if (state == RemoteCom::Off)
        ui_.LabelRCom->setText(QStringLiteral("Off"));
    SetLabelColor(ui_.LabelRCom, Qt::black);
}

void DeviceBinding::showAnswerText(const QString& text) {
    if (shell_.IsTestPanelVisible())
        ui_.MemoTesting->appendPlainText(text);
    else
        AppendLogLine(ui_.Memo2, text);
}

void DeviceBinding::showBlock(const QByteArray& block) {
    ui_.MemoTesting->appendPlainText(HexDumpLine(block));
    QTextCursor cursor(ui_.MemoTesting->document());
    cursor.setPosition(0);
    cursor.setPosition(1, QTextCursor::KeepAnchor);
    ui_.MemoTesting->setTextCursor(cursor);
}

void DeviceBinding::selectFirstSentLine() {
    QTextCursor cursor = ui_.MemoSending->textCursor();
    cursor.setPosition(0);
    ui_.MemoSending->setTextCursor(cursor);
}
