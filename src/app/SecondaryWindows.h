#pragma once

#include "AboutWindow.h"
#include "HelpWindow.h"
#include "ui_TFCombBoxDial.h"

#include <QDialog>
#include <QPoint>

// The three windows created once at start and only ever shown modally.

class TFCombBoxDial : public QDialog {
    Q_OBJECT
public:
    explicit TFCombBoxDial(QWidget* parent = nullptr);
    Ui::TFCombBoxDial& ui() { return ui_; }

protected:
    // Opens with the address chosen, ready to be typed over.
    void showEvent(QShowEvent* event) override;

private:
    Ui::TFCombBoxDial ui_;
};

// Where About and Help open: 40 right of and 70 below the main window's
// top-left corner (frames included).
QPoint SecondaryWindowPos(const QPoint& mainWindowPos);

// About1Click and Programmhelp1Click: places `window` by SecondaryWindowPos
// and shows it modally; returns when it is closed.
void ShowSecondaryWindow(const QWidget& mainWindow, QDialog& window);
