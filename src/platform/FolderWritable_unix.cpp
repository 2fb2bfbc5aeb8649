#include "FolderWritable.h"

#include <QFileInfo>

bool FolderWritable(const QString& folder) {
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}
