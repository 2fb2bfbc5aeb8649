#include "NextPageCursor.h"

#include <QPixmap>

// Outside any namespace, as the resource initialiser requires.
static void InitAppResources() {
    Q_INIT_RESOURCE(app_resources);
}

QCursor NextPageCursor() {
    static const bool resourcesReady = (InitAppResources(), true);
    Q_UNUSED(resourcesReady);
    const QPixmap picture(QStringLiteral(":/cursors/CR_NEXTPAGE1"), "XPM");
    if (picture.isNull())
        return QCursor(Qt::PointingHandCursor);
    return QCursor(picture, 3, 3);
}
