#include "FormLook.h"

#include "TextColor.h"
#include "UiFontFamilies.h"
#include "ui_TChatForm.h"

#include <QApplication>
#include <QLineEdit>
#include <QToolTip>

namespace {

const QColor kCream(255, 251, 240);
const QColor kTitleGrey(128, 128, 128);

void StyleTitle(QFrame* shape, QLabel* label) {
    shape->setStyleSheet(QStringLiteral("QFrame { background-color: %1; border: 1px solid %1;"
                                        " border-radius: 6px; }")
                             .arg(kTitleGrey.name()));
    QFont font = label->font();
    font.setBold(true);
    font.setPixelSize(12);
    label->setFont(font);
    label->setAttribute(Qt::WA_TranslucentBackground);
    SetTextColor(label, QColor(192, 192, 192));
}

void StyleResultField(QLineEdit* edit) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, kCream);
    palette.setColor(QPalette::Text, Qt::blue);
    edit->setPalette(palette);
}

} // namespace

QFont UiFont() {
    const QStringList families = UiFontFamilies();
    QFont font(families.first());
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(10);
    return font;
}

void ApplyFormLook(Ui::TChatForm& ui) {
    StyleTitle(ui.Shape6, ui.LabelPConf);
    StyleTitle(ui.Shape7, ui.LabelPSoft);
    StyleTitle(ui.Shape8, ui.LabelPTest);

    for (QLineEdit* edit :
         {ui.EditVersion, ui.EditDateVersion, ui.EditIPAddr, ui.EditMask, ui.EditPort, ui.EditGW,
          ui.EditMacAddr, ui.EditSpeedDup, ui.EditPackFloat})
        StyleResultField(edit);

    SetTextColor(ui.LabelFileVersion, Qt::blue);
    SetTextColor(ui.LabelIMVersion, Qt::blue);

    QPalette tip = ui.LabelRCom->palette();
    tip.setColor(QPalette::Window, QToolTip::palette().color(QPalette::ToolTipBase));
    ui.LabelRCom->setPalette(tip);
    ui.LabelRCom->setAutoFillBackground(true);

    QPalette log = ui.Memo2->palette();
    log.setColor(QPalette::Base, QApplication::palette("QMenu").color(QPalette::Window));
    ui.Memo2->setPalette(log);

    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::TypeWriter);
    mono.setPixelSize(11);
    ui.MemoTesting->setFont(mono);
}
