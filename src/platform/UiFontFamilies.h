#pragma once

#include <QStringList>

// The windows' font, first choice first. Linux: DejaVu Sans, which the
// layouts were measured with. Windows: the system's own dialog faces.
QStringList UiFontFamilies();
