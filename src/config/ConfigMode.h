#pragma once

#include "Device.h"
#include "Shell.h"

#include <QObject>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace Ui {
class TChatForm;
}

// The Config panel: "Read" and "Write" read the controls and run the core's
// procedures; the restart's cursor and buttons, and the read-back when the
// device its write restarted comes back.
class ConfigMode : public QObject {
    Q_OBJECT
public:
    ConfigMode(Device& device, Ui::TChatForm& ui, Shell& shell, QObject* parent = nullptr);

    void ButtonGetAllClick();
    void ButtonSetAllClick();

    // A typed text that is none of the items has no index: -1.
    static int SelectedIndex(const QComboBox* box);

    // One writable setting in the window: its row of the "Write Config"
    // group (its check box and its input, an edit whose text is sent or a
    // drop-down whose selected index is), where the settings file remembers
    // what was sent, the "Read Config" field that shows the value read and
    // the label that shows the device's confirmation.
    struct WriteRow {
        QCheckBox* box;
        DeviceSetting setting;
        QLineEdit* edit;
        QComboBox* combo;
        QString RememberedParams::*text;
        int RememberedParams::*index;
        QLineEdit* shown;
        QLabel* result;
    };
    // The seven rows in the order they go to the device.
    static std::array<WriteRow, 7> WriteRows(Ui::TChatForm& ui);

private:
    void onRestartBegun();
    void onRestartAborted();
    // The follow of this panel's write ended.
    void onFollowed(bool back);
    // The device that came back must be the one written: the MAC address it
    // had or was given. Else its read-back is shown, but in red and without
    // the write's "OK".
    void checkIdentity();
    void enableButtons();

    Device& device_;
    Ui::TChatForm& ui_;
    Shell& shell_;
    // Where the restarted device should answer, and the MAC it should report
    // (empty: unknown).
    struct Expected {
        QString address;
        QString mac;
    } expected_;
};
