#include "DeviceLog.h"

#include "Text.h"

void DeviceLog::AddHexLine(const char* bytes, int count) {
    AddTestLine(HexDumpLine(bytes, count));
}

void DeviceLog::ShowStatus(const QString& text) {
    AddLogLine(text);
    SetStatus(StatusPanel::Message, text);
}

void DeviceLog::SetStatus(StatusPanel panel, const QString& text) {
    status_[size_t(panel)] = text;
    emit statusText(panel, text);
}
