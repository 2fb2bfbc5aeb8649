#pragma once

#include "ui_TFCombBoxDial.h"
#include "ui_TFormAboutProgr.h"
#include "ui_TForm_Help.h"

#include <QDialog>

// The three windows created once at start and only ever shown modally.

class TFCombBoxDial : public QDialog {
    Q_OBJECT
public:
    explicit TFCombBoxDial(QWidget* parent = nullptr);
    Ui::TFCombBoxDial& ui() { return ui_; }

private:
    Ui::TFCombBoxDial ui_;
};

class TFormAboutProgr : public QDialog {
    Q_OBJECT
public:
    explicit TFormAboutProgr(QWidget* parent = nullptr);
    Ui::TFormAboutProgr& ui() { return ui_; }

private:
    Ui::TFormAboutProgr ui_;
};

class TForm_Help : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Help(QWidget* parent = nullptr);
    Ui::TForm_Help& ui() { return ui_; }

private:
    Ui::TForm_Help ui_;
};
