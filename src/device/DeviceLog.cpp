#include "DeviceLog.h"

#include "HexLine.h"

QString DeviceLog::CapLine(const QString& text) {
    if (text.size() <= kMaxLineChars)
        return text;
    // Text comes from the device's 8-bit code page: a character is a byte.
    return text.left(kMaxLineChars) + ByteCountNote(text.size());
}

void DeviceLog::AddHexLine(const char* bytes, int count) {
    emit testLine(HexLogLine(bytes, count));
}

void DeviceLog::ShowStatus(const QString& text) {
    AddLogLine(text);
    SetStatus(StatusPanel::Message, text);
}

void DeviceLog::ShowAlarm(const QString& text) {
    AddLogLine(text);
    SetAlarm(text);
}

void DeviceLog::SetAlarm(const QString& text) {
    status_[size_t(StatusPanel::Message)] = text;
    emit messageAlarm(true);
    emit statusText(StatusPanel::Message, text);
}

void DeviceLog::SetStatus(StatusPanel panel, const QString& text) {
    status_[size_t(panel)] = text;
    if (panel == StatusPanel::Message)
        emit messageAlarm(false);
    emit statusText(panel, text);
}
