#include "SecondaryWindows.h"

#include "FormLook.h"
#include "ReturnPressesButton.h"

TFCombBoxDial::TFCombBoxDial(QWidget* parent) : QDialog(parent) {
    ui_.setupUi(this);
    setFont(UiFont());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    new ReturnPressesButton(this);
}

void TFCombBoxDial::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui_.EditAddr->setFocus(Qt::OtherFocusReason);
    ui_.EditAddr->selectAll();
}

QPoint SecondaryWindowPos(const QPoint& mainWindowPos) {
    return mainWindowPos + QPoint(40, 70);
}

void ShowSecondaryWindow(const QWidget& mainWindow, QDialog& window) {
    window.move(SecondaryWindowPos(mainWindow.pos()));
    window.exec();
}
