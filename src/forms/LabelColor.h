#pragma once

#include "TextColor.h"

#include <QLabel>
#include <QString>

// Result labels say success in blue, failure in red and neutral texts in black.
inline void SetLabel(QLabel* label, const QString& text, const QColor& color) {
    label->setText(text);
    SetTextColor(label, color);
}

inline void SetLabelColor(QLabel* label, const QColor& color) {
    SetTextColor(label, color);
}

inline QColor LabelColor(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}
