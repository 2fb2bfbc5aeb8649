#pragma once

#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QPushButton>
#include <QWidget>

// Return and Enter press the focused push button, as Windows users expect; Qt
// gives them only to a dialog's default button. Installed on a window, it
// sees the keys its focused button ignored, so a dialog's own default button
// still takes Return typed into its other fields.
class ReturnPressesButton : public QObject {
public:
    explicit ReturnPressesButton(QWidget* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            auto* button = qobject_cast<QPushButton*>(window_->focusWidget());
            if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && button &&
                button->isEnabled() && button->isVisible()) {
                button->click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* window_;
};
