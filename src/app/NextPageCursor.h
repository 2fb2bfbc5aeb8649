#pragma once

#include <QCursor>

// The program's own cursor "CR_NEXTPAGE1": a 32 x 32 two-colour hand pointing
// to the upper left, hot spot (3, 3), shown over the panels' title labels.
QCursor NextPageCursor();
