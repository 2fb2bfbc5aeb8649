#pragma once

#include <QFont>

namespace Ui {
class TChatForm;
}

// The small sans font the layouts are drawn for.
QFont UiFont();

// Colours and fonts of the main window that the .ui file does not carry:
// title strips, read-only result fields, the log and test-log fonts.
void ApplyFormLook(Ui::TChatForm& ui);
