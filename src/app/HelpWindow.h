#pragma once

#include "ui_TForm_Help.h"

#include <QDialog>

// The Help window: the fixed user guide in a resizable window. Created once,
// shown modally; closing only hides it.
class TForm_Help : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Help(QWidget* parent = nullptr);
    Ui::TForm_Help& ui() { return ui_; }

    // Handlers
    void Button1Click();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Ui::TForm_Help ui_;
    // Distances kept while the window is resized: the text's right and bottom
    // edges, and the button's from the bottom-right corner.
    QMargins memoMargins_;
    QPoint buttonFromCorner_;
};
