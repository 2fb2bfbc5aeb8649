#pragma once

#include "StatusPanel.h"

#include <QLabel>
#include <QWidget>

#include <array>
#include <functional>

class QPainter;
class QStatusBar;

// A panel rectangle the way the lamp geometry is defined: right and bottom are
// the first pixels outside.
struct PanelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const PanelRect& a, const PanelRect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

// The connection lamp's ellipse for a panel rectangle: radius (height - 2) / 2,
// centred across the panel, one pixel inside at top and bottom.
PanelRect LampEllipse(const PanelRect& panel);

// Paints the lamp for panel 0 of a rectangle; other panels are left alone.
void DrawLamp(QPainter& painter, const PanelRect& panel);

// Status bar panels on top of the form's QStatusBar: panel 0 is the owner-drawn
// lamp, panels 1..3 real labels so that accessibility tools read them.
class StatusPanels : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 17;
    static constexpr int kPanel1Total = 170;
    static constexpr int kPanel2Width = 240;
    static constexpr int kPanel3Width = 50;

    using DrawPanel = std::function<void(QPainter&, int panel, const PanelRect&)>;

    StatusPanels(QStatusBar* bar, DrawPanel drawPanel);

    void SetText(StatusPanel panel, const QString& text);
    QString Text(StatusPanel panel) const;
    void SetLampWidth(int width);
    int LampWidth() const;
    QLabel* Panel(StatusPanel panel) const;
    QWidget* Lamp() const { return lamp_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* lamp_ = nullptr;
    std::array<QLabel*, 4> labels_{};
};
