#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

// Result labels change colour at run time (blue "OK", red "Error", black "-");
// the palette is used rather than a style sheet so that one call undoes another.
inline void SetTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}
