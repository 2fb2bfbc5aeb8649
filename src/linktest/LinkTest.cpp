#include "LinkTest.h"

#include "ui_TChatForm.h"

#include <QTextCursor>
#include <QTimer>

LinkTest::LinkTest(Device& device, Ui::TChatForm& ui, QTimer& timer2, QObject* parent)
    : QObject(parent), device_(device), ui_(ui), timer2_(timer2) {
    // A coarse timer may fire up to 5 % early; the buttons must not come
    // back before their 1000 ms.
    timer2_.setTimerType(Qt::PreciseTimer);
    connect(&timer2_, &QTimer::timeout, this, &LinkTest::Timer2Timer);
    connect(ui_.BitBtnCurrVal, &QPushButton::clicked, this, &LinkTest::BitBtnCurrValClick);
    connect(ui_.Button1, &QPushButton::clicked, this, &LinkTest::GroupBox11DblClick);
    connect(ui_.BitBttnSend, &QPushButton::clicked, this, &LinkTest::BitBttnSendClick);
    connect(&device_.linkTest, &LinkTestProcedures::modbusRequestAccepted, this,
            &LinkTest::onModbusRequestAccepted);
}

void LinkTest::startLockout() {
    if (!timer2_.isActive())
        timer2_.start();
}

void LinkTest::lockButtons() {
    // A disabled button passes its focus on along the tab chain; after
    // "Current Values" that is the ModBus request, which then selects all its
    // text, so the next key typed would replace the frame. Park the focus on
    // the read-only Sent log instead, and give it back when the lockout ends.
    QWidget* focused = ui_.PanelTest->window()->focusWidget();
    if (focused == ui_.BitBtnCurrVal || focused == ui_.BitBttnSend) {
        focusBeforeLockout_ = focused;
        ui_.MemoSending->setFocus(Qt::OtherFocusReason);
    }
    ui_.BitBtnCurrVal->setEnabled(false);
    ui_.BitBttnSend->setEnabled(false);
}

void LinkTest::Timer2Timer() {
    ui_.BitBtnCurrVal->setEnabled(true);
    ui_.BitBttnSend->setEnabled(true);
    timer2_.stop();
    // Only when the user has not moved on from where the lockout put it.
    if (focusBeforeLockout_ && ui_.PanelTest->window()->focusWidget() == ui_.MemoSending)
        focusBeforeLockout_->setFocus(Qt::OtherFocusReason);
    focusBeforeLockout_.clear();
}

void LinkTest::BitBtnCurrValClick() {
    lockButtons();
    startLockout();
    device_.linkTest.ReadCurrentValues(ui_.EditNum->text());
}

void LinkTest::GroupBox11DblClick() {
    lockButtons();
    startLockout();
    device_.linkTest.WriteTestBlock(ui_.EditNum->text());
}

void LinkTest::BitBttnSendClick() {
    // Without a connection or a request the buttons stay usable; the
    // interval runs all the same.
    startLockout();
    device_.linkTest.SendModbusRequest(ui_.EditModBus->text());
}

void LinkTest::onModbusRequestAccepted() {
    // The typed request is in the Sent log: show its beginning.
    ui_.MemoSending->setFocus();
    QTextCursor cursor(ui_.MemoSending->document());
    cursor.setPosition(0);
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    ui_.MemoSending->setTextCursor(cursor);
    ui_.BitBttnSend->setFocus();
    lockButtons();
}
