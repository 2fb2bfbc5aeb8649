#include "SecondaryWindows.h"

#include "FormLook.h"

TFCombBoxDial::TFCombBoxDial(QWidget* parent) : QDialog(parent) {
    ui_.setupUi(this);
    setFont(UiFont());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

TFormAboutProgr::TFormAboutProgr(QWidget* parent) : QDialog(parent) {
    ui_.setupUi(this);
    setFont(UiFont());
}

TForm_Help::TForm_Help(QWidget* parent) : QDialog(parent) {
    ui_.setupUi(this);
    setFont(UiFont());
}
