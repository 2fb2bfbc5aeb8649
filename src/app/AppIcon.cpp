#include "AppIcon.h"

// Outside any namespace, as the resource initialiser requires.
static void InitAppImages() {
    Q_INIT_RESOURCE(app_images);
}

namespace {

void EnsureImages() {
    static const bool ready = (InitAppImages(), true);
    Q_UNUSED(ready);
}

} // namespace

QIcon AppIcon() {
    EnsureImages();
    QIcon icon;
    for (const char* size : {"16", "32", "48", "256"})
        icon.addFile(QStringLiteral(":/images/icon-") + QLatin1String(size));
    return icon;
}

QPixmap DevicePicture() {
    EnsureImages();
    return QPixmap(QStringLiteral(":/images/device"));
}
