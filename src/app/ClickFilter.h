#pragma once

#include <QMouseEvent>
#include <QObject>
#include <QWidget>

#include <functional>

// Gives a widget without a click signal (a label, a read-only field) a click:
// the handler runs when the left button is released inside the widget.
class ClickFilter : public QObject {
public:
    ClickFilter(QWidget* target, std::function<void()> onClick)
        : QObject(target), onClick_(std::move(onClick)) {
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            auto* widget = static_cast<QWidget*>(watched);
            if (mouse->button() == Qt::LeftButton &&
                widget->rect().contains(mouse->position().toPoint()))
                onClick_();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onClick_;
};
