#pragma once

#include <QIcon>
#include <QPixmap>

// The program's icon at the sizes the build renders from its drawing.
QIcon AppIcon();
// The server device as the About window shows it (185 by 120).
QPixmap DevicePicture();
