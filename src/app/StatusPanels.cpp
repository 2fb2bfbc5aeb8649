#include "StatusPanels.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QStatusBar>

namespace {

// The status bar leaves a two-pixel strip above its panels.
constexpr int kPanelTop = 2;

class LampWidget : public QWidget {
public:
    LampWidget(QWidget* parent, StatusPanels::DrawPanel draw)
        : QWidget(parent), draw_(std::move(draw)) {
        setAccessibleName(QStringLiteral("Connection lamp"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!draw_ || width() <= 0)
            return;
        QPainter painter(this);
        draw_(painter, 0, PanelRect{0, kPanelTop, width(), height()});
    }

private:
    StatusPanels::DrawPanel draw_;
};

} // namespace

PanelRect LampEllipse(const PanelRect& panel) {
    const int r = (panel.bottom - panel.top - 2) / 2;
    const int cx = panel.left + (panel.right - panel.left) / 2;
    return PanelRect{cx - r, panel.top + 1, cx + r, panel.bottom - 1};
}

void DrawLamp(QPainter& painter, const PanelRect& panel) {
    const PanelRect e = LampEllipse(panel);
    if (e.right <= e.left || e.bottom <= e.top)
        return;
    painter.setBrush(QColor(255, 0, 0));
    // The corners bound the ellipse like a GDI rectangle: the outline stays
    // inside right - 1 and bottom - 1.
    painter.drawEllipse(QRect(e.left, e.top, e.right - e.left - 1, e.bottom - e.top - 1));
}

StatusPanels::StatusPanels(QStatusBar* bar, DrawPanel drawPanel) : QWidget(bar) {
    setObjectName(QStringLiteral("StatusPanels"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);

    lamp_ = new LampWidget(this, std::move(drawPanel));
    lamp_->setObjectName(QStringLiteral("StatusLamp"));
    lamp_->setFixedSize(0, kHeight);
    layout->addWidget(lamp_);

    // A screen reader reads a panel's text as its name (a label's default), and
    // its role as the description.
    static const char* const roles[] = {"", "Connection", "Status", "Progress"};
    static const int widths[] = {0, kPanel1Total, kPanel2Width, kPanel3Width};
    for (int i = 1; i <= 3; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setAccessibleDescription(QString::fromLatin1(roles[i]));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setFixedSize(widths[i], kHeight);
        label->setTextFormat(Qt::PlainText);
        if (i == 3)
            label->setAlignment(Qt::AlignCenter);
        else
            label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
        layout->addWidget(label);
        labels_[i] = label;
    }
    layout->addStretch(1);
    // The panels keep their widths; a narrow window clips them instead of
    // being held wider by them.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(kHeight);
    bar->setContentsMargins(0, 0, 0, 0);
    // The panels cover the bar exactly: the bar's own layout would put them a
    // few pixels lower and cut off their bottom edge.
    bar->installEventFilter(this);
    setGeometry(bar->rect());
}

bool StatusPanels::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(static_cast<QWidget*>(watched)->rect());
    return QWidget::eventFilter(watched, event);
}

void StatusPanels::SetText(StatusPanel panel, const QString& text) {
    if (QLabel* label = Panel(panel)) {
        label->setText(text);
        // A text longer than its panel is cut; the whole of it stays a
        // hover (and a screen reader's description) away.
        label->setToolTip(text);
    }
}

QString StatusPanels::Text(StatusPanel panel) const {
    const QLabel* label = Panel(panel);
    return label ? label->text() : QString();
}

QLabel* StatusPanels::Panel(StatusPanel panel) const {
    const int i = int(panel);
    return i >= 1 && i <= 3 ? labels_[static_cast<size_t>(i)] : nullptr;
}

void StatusPanels::SetLampWidth(int width) {
    width = qBound(0, width, kPanel1Total);
    lamp_->setFixedWidth(width);
    lamp_->setVisible(width > 0);
    labels_[1]->setFixedWidth(kPanel1Total - width);
    lamp_->update();
}

int StatusPanels::LampWidth() const {
    return lamp_->isVisibleTo(this) ? lamp_->width() : 0;
}
