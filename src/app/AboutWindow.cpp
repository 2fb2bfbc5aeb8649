#include "AboutWindow.h"

#include "AppIcon.h"
#include "ClickFilter.h"
#include "FormLook.h"
#include "TextColor.h"
#include "Version.h"
#include "VersionInfo.h"

#include <QMessageBox>
#include <QPainter>

namespace {

const QColor kFormGrey(212, 212, 212);
const QColor kAqua(0, 255, 255);
const QColor kGreen(0, 128, 0);
constexpr int kShapePenWidth = 5;

QFont LayoutFont(const QStringList& families, QFont::StyleHint hint, int pixelSize) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

TFormAboutProgr::TFormAboutProgr(QWidget* parent) : QDialog(parent) {
    ui_.setupUi(this);
    setFont(UiFont());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowIcon(AppIcon());

    QPalette grey = palette();
    grey.setColor(QPalette::Window, kFormGrey);
    setPalette(grey);
    setAutoFillBackground(true);

    ui_.Image1->setPixmap(DevicePicture());
    ui_.Shape1->installEventFilter(this);
    // Decoration only: the picture inside it carries the name.
    ui_.Shape1->setAccessibleName(QStringLiteral("Picture frame"));

    // A blue title over an aqua shadow: Label8 lies on Label5.
    QFont title = LayoutFont(
        {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")}, QFont::Serif, 32);
    title.setBold(true);
    for (QLabel* label : {ui_.Label5, ui_.Label8}) {
        label->setFont(title);
        label->setAttribute(Qt::WA_TranslucentBackground);
    }
    SetTextColor(ui_.Label5, kAqua);
    SetTextColor(ui_.Label8, Qt::blue);
    // The shadow would be read twice otherwise.
    ui_.Label5->setAccessibleName(QString());
    ui_.Label5->setFocusPolicy(Qt::NoFocus);

    QFont subtitle = LayoutFont({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")},
                                QFont::SansSerif, 19);
    subtitle.setItalic(true);
    ui_.Label1->setFont(subtitle);
    SetTextColor(ui_.Label1, Qt::black);

    ui_.LabelVersion->setAccessibleDescription(QStringLiteral("Version"));
    ui_.LabelDateTime->setAccessibleDescription(QStringLiteral("Build date and time"));
    for (QLabel* label : {ui_.Label3, ui_.Label4}) {
        label->setAccessibleDescription(QStringLiteral("Click for information about the author"));
        new ClickFilter(label, [this] { Label4Click(); });
    }
    connect(ui_.BitBtn1, &QPushButton::clicked, this, &TFormAboutProgr::BitBtn1Click);
}

void TFormAboutProgr::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TFormAboutProgr::FormShow() {
    ShowVersionInfo();
}

void TFormAboutProgr::ShowVersionInfo() {
    const FileVersion version = {rk::kVersionParts[0], rk::kVersionParts[1], rk::kVersionParts[2],
                                 rk::kVersionParts[3]};
    const VersionLabels labels =
        ComputeVersionLabels({ui_.LabelVersion->text(), ui_.LabelDateTime->text()}, version,
                             ExecutableLastWrite(), QLocale::system());
    ui_.LabelVersion->setText(labels.version);
    ui_.LabelDateTime->setText(labels.dateTime);
}

QString TFormAboutProgr::AuthorBoxCaption() {
    return QStringLiteral("Сведения об авторе");
}

QString TFormAboutProgr::AuthorBoxText() {
    return QStringLiteral("RK5720 LAN Config, версия " RK_VERSION_STRING "\n"
                          "Авторы: разработчики проекта RK5720 LAN Config\n"
                          "Связь: трекер задач проекта RK5720 LAN Config");
}

void TFormAboutProgr::Label4Click() {
    QMessageBox box(QMessageBox::Information, AuthorBoxCaption(), AuthorBoxText(), QMessageBox::Ok,
                    this);
    box.exec();
}

void TFormAboutProgr::BitBtn1Click() {
    close();
}

bool TFormAboutProgr::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_.Shape1 && event->type() == QEvent::Paint) {
        PaintShape1();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormAboutProgr::PaintShape1() {
    QPainter painter(ui_.Shape1);
    painter.setBrush(QBrush(kGreen, Qt::DiagCrossPattern));
    painter.setPen(QPen(Qt::red, kShapePenWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    // The outline lies wholly inside the shape's box.
    const qreal inset = kShapePenWidth / 2.0;
    painter.drawRect(QRectF(ui_.Shape1->rect()).adjusted(inset, inset, -inset, -inset));
}
