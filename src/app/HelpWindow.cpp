#include "HelpWindow.h"

#include "AppIcon.h"
#include "FormLook.h"
#include "HelpText.h"
#include "ReturnPressesButton.h"

#include <QTextBlock>
#include <QTextCursor>

namespace {

const QColor kLightYellow(255, 255, 220);
constexpr int kTabStop = 64;

void FillHelpText(QTextEdit* memo) {
    memo->setPlainText(HelpText());
    QTextCursor cursor(memo->document());
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
        if (!IsHelpMarkerLine(block.text()))
            continue;
        cursor.setPosition(block.position());
        cursor.mergeBlockFormat(centred);
    }
    memo->document()->setModified(false);
}

} // namespace

TForm_Help::TForm_Help(QWidget* parent) : QDialog(parent) {
    ui_.setupUi(this);
    setFont(UiFont());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowIcon(AppIcon());
    new ReturnPressesButton(this);

    const QRect client = rect();
    const QRect memo = ui_.Memo1->geometry();
    memoMargins_ = QMargins(memo.left(), memo.top(), client.right() - memo.right(),
                            client.bottom() - memo.bottom());
    buttonFromCorner_ = client.bottomRight() - ui_.Button1->geometry().topLeft();
    setMinimumSize(buttonFromCorner_.x() + memoMargins_.left() + 1,
                   buttonFromCorner_.y() + memoMargins_.top() + 1);

    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    ui_.Memo1->setFont(font);
    ui_.Memo1->setTabStopDistance(kTabStop);
    QPalette yellow = ui_.Memo1->palette();
    yellow.setColor(QPalette::Base, kLightYellow);
    ui_.Memo1->setPalette(yellow);
    // Read-only, but the keyboard still moves through and selects the text.
    ui_.Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    FillHelpText(ui_.Memo1);

    connect(ui_.Button1, &QPushButton::clicked, this, &TForm_Help::Button1Click);
}

void TForm_Help::Button1Click() {
    close();
}

void TForm_Help::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ui_.Memo1->setGeometry(rect().marginsRemoved(memoMargins_));
    ui_.Button1->move(rect().bottomRight() - buttonFromCorner_);
}
