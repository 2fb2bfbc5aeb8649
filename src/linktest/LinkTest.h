#pragma once

#include "Device.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

class QTimer;

namespace Ui {
class TChatForm;
}

// The Test panel: "Current Values", the hidden block-write button, "Send"
// for a ModBus request, and the lockout that keeps both test buttons
// disabled for 1000 ms after a click. It wires its own controls and Timer2.
class LinkTest : public QObject {
    Q_OBJECT
public:
    LinkTest(Device& device, Ui::TChatForm& ui, QTimer& timer2, QObject* parent = nullptr);

    void BitBtnCurrValClick();
    // Runs the block-write test; reached only through the hidden Button1.
    void GroupBox11DblClick();
    void Timer2Timer();
    void BitBttnSendClick();

private:
    // Starts the lockout's interval unless one runs already: a running one is
    // not extended.
    void startLockout();
    void lockButtons();
    void onModbusRequestAccepted();

    Device& device_;
    Ui::TChatForm& ui_;
    QTimer& timer2_;
    // The test button that had the focus when the lockout took it away.
    QPointer<QWidget> focusBeforeLockout_;
};
