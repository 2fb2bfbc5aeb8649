#include "PanelDock.h"

#include <QEvent>
#include <QWidget>

PanelDock::PanelDock(QWidget* clientArea, QWidget* log, int panelHeight)
    : QObject(clientArea), client_(clientArea), log_(log), panelHeight_(panelHeight) {
    client_->installEventFilter(this);
}

void PanelDock::AddPanel(QWidget* panel) {
    if (!panels_.contains(panel)) {
        panels_.append(panel);
        panel->installEventFilter(this);
        // A panel that fills the window lies over the log and must hide it.
        panel->setAutoFillBackground(true);
    }
}

void PanelDock::Stretch(QWidget* child, bool width, bool height) {
    const QWidget* parent = child->parentWidget();
    const QRect g = child->geometry();
    stretched_.append(Stretched{child, width, height, parent->width() - g.right() - 1,
                                parent->height() - g.bottom() - 1});
}

void PanelDock::Show(QWidget* panel, Dock dock) {
    AddPanel(panel);
    shown_ = panel;
    dock_ = dock;
    for (QWidget* p : panels_) {
        if (p != panel)
            p->hide();
    }
    Relayout();
    panel->show();
    panel->raise();
}

void PanelDock::Relayout() {
    const int w = client_->width();
    const int h = client_->height();
    if (shown_ && dock_ == Dock::Top) {
        shown_->setGeometry(0, 0, w, panelHeight_);
        log_->setGeometry(0, panelHeight_, w, qMax(0, h - panelHeight_));
    } else {
        if (shown_)
            shown_->setGeometry(0, 0, w, h);
        log_->setGeometry(0, 0, w, h);
    }
    // Hidden widgets get their resize event only when shown; stretch now.
    if (shown_)
        ApplyStretch(shown_);
}

void PanelDock::ApplyStretch(QWidget* parent) {
    for (const Stretched& s : stretched_) {
        if (s.child->parentWidget() != parent)
            continue;
        QRect g = s.child->geometry();
        if (s.width)
            g.setRight(qMax(g.left(), parent->width() - s.rightMargin - 1));
        if (s.height)
            g.setBottom(qMax(g.top(), parent->height() - s.bottomMargin - 1));
        s.child->setGeometry(g);
    }
}

bool PanelDock::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == client_)
            Relayout();
        else if (auto* panel = qobject_cast<QWidget*>(watched); panels_.contains(panel))
            ApplyStretch(panel);
    }
    return QObject::eventFilter(watched, event);
}
