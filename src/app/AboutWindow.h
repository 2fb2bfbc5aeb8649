#pragma once

#include "ui_TFormAboutProgr.h"

#include <QDialog>

// The About window: the program's name, version and build date beside a
// picture of the server. Created once, shown modally; closing only hides it.
class TFormAboutProgr : public QDialog {
    Q_OBJECT
public:
    explicit TFormAboutProgr(QWidget* parent = nullptr);
    Ui::TFormAboutProgr& ui() { return ui_; }

    // Handlers
    void FormShow();
    void Label4Click();
    void BitBtn1Click();

    // Sets the version label from the build's version and the date label from
    // the executable's last-write time; a time that cannot be read leaves the
    // date label as it is.
    void ShowVersionInfo();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PaintShape1();

    Ui::TFormAboutProgr ui_;
};
