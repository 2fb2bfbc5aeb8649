#include "ProfileFileIo.h"

#include <QFileInfo>

namespace rk {

QString ProfileFileTarget(const QString& path) {
    QFileInfo info(path);
    int depth = 128;
    while (info.isSymLink() && --depth > 0)
        info.setFile(info.symLinkTarget());
    return depth > 0 ? info.filePath() : path;
}

} // namespace rk
