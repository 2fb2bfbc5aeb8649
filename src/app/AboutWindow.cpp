#include "AboutWindow.h"

#include "AppIcon.h"
#include "ClickFilter.h"
#include "FormLook.h"
#include "ReturnPressesButton.h"
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

// The layout gives a font's height as its character cell (ascent plus
// descent); Qt's pixel size is the smaller em square, so take the largest
// size whose cell fits, and whose `text` fits `width` where a substitute font
// runs wider than the one the layout was drawn with.
QFont LayoutFont(const QStringList& families, QFont::StyleHint hint, bool bold, bool italic,
                 int cellHeight, const QString& text = QString(), int width = 0) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setBold(bold);
    font.setItalic(italic);
    for (int size = cellHeight; size > 1; --size) {
        font.setPixelSize(size);
        const QFontMetrics metrics(font);
        if (metrics.height() <= cellHeight &&
            (text.isEmpty() || metrics.horizontalAdvance(text) <= width))
            break;
    }
    return font;
}

} // namespace

TFormAboutProgr::TFormAboutProgr(QWidget* parent) : QDialog(parent) {
    ui_.setupUi(this);
    setFont(UiFont());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowIcon(AppIcon());
    new ReturnPressesButton(this);

    QPalette grey = palette();
    grey.setColor(QPalette::Window, kFormGrey);
    setPalette(grey);
    setAutoFillBackground(true);

    ui_.Image1->setPixmap(DevicePicture());
    ui_.Shape1->installEventFilter(this);
    // Decoration only: the picture inside it carries the name.
    ui_.Shape1->setAccessibleName(QStringLiteral("Picture frame"));

    // A blue title over an aqua shadow: Label8 lies on Label5.
    const QFont title = LayoutFont(
        {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")}, QFont::Serif, true,
        false, 32, ui_.Label5->text(), ui_.Panel1->contentsRect().right() - ui_.Label5->x());
    for (QLabel* label : {ui_.Label5, ui_.Label8}) {
        label->setFont(title);
        label->setAttribute(Qt::WA_TranslucentBackground);
    }
    SetTextColor(ui_.Label5, kAqua);
    SetTextColor(ui_.Label8, Qt::blue);

    const QFont subtitle = LayoutFont({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")},
                                      QFont::SansSerif, false, true, 19);
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

void TFormAboutProgr::Label4Click() {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Сведения об авторе"),
                    QStringLiteral("Авторы: разработчики RK5720 LAN Config\n"
                                   "Организация: проект RK5720 LAN Config\n"
                                   "Связь: трекер задач проекта"),
                    QMessageBox::Ok, this);
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
