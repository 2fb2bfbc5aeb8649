#pragma once

#include "Device.h"
#include "Shell.h"

#include <QObject>

class QComboBox;

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

private:
    void onRestartBegun();
    void onRestartAborted();
    // The follower ended; only a restart of this panel's write is its business.
    void onFollowed(bool back);
    void enableButtons();

    Device& device_;
    Ui::TChatForm& ui_;
    Shell& shell_;
    bool following_ = false;
};
