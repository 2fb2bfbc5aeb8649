#pragma once

#include "AppSettings.h"
#include "OpenDialogState.h"
#include "RememberedParams.h"

class QComboBox;
namespace Ui {
class TChatForm;
}

// Puts loaded settings where they belong: the remembered values, the check
// boxes (whose handlers then enable or disable their inputs), the file dialog
// and the test inputs, and shows the dialog's file name in EditFileName.
void ApplySettings(const AppSettings& settings, Ui::TChatForm& ui, RememberedParams& remembered,
                   OpenDialogState& openDialog);

// Copies the remembered values into the write fields and drop-downs.
void ShowRememberedParams(Ui::TChatForm& ui, const RememberedParams& remembered);

// What is written at close: remembered values, ticks as they are now, the file
// dialog's state and the test inputs' current texts.
AppSettings CollectSettings(const Ui::TChatForm& ui, const RememberedParams& remembered,
                            const OpenDialogState& openDialog);

// Selects item `index`; an index the list does not have leaves no selection
// and an empty text.
void SelectComboItem(QComboBox* combo, int index);
