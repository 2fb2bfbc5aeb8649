#pragma once

#include <QObject>
#include <QRect>
#include <QVector>

class QWidget;

// Places the mode panels and the message log in the client area the way docked
// controls behave: the shown panel either keeps its height at the top edge with
// the log filling the rest below it, or fills the whole area above the log.
// Controls inside a filling panel can be stretched with it.
class PanelDock : public QObject {
    Q_OBJECT
public:
    enum class Dock { Top, Fill };

    PanelDock(QWidget* clientArea, QWidget* log, int panelHeight);

    // Shows `panel`, hides every other registered panel and lays them out.
    void Show(QWidget* panel, Dock dock);
    void AddPanel(QWidget* panel);
    // Keeps `child`'s distance to its parent's right (and bottom) edge as laid
    // out in the form, so it grows with a filling panel.
    void Stretch(QWidget* child, bool width, bool height);

    QWidget* ShownPanel() const { return shown_; }
    Dock ShownDock() const { return dock_; }

    void Relayout();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Stretched {
        QWidget* child;
        bool width;
        bool height;
        int rightMargin;
        int bottomMargin;
    };
    void ApplyStretch(QWidget* parent);

    QWidget* client_;
    QWidget* log_;
    int panelHeight_;
    QVector<QWidget*> panels_;
    QVector<Stretched> stretched_;
    QWidget* shown_ = nullptr;
    Dock dock_ = Dock::Top;
};
