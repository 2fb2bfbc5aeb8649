#include "FolderWritable.h"

#include <QDir>
#include <QTemporaryFile>

bool FolderWritable(const QString& folder) {
    if (!QDir(folder).exists())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("rk5720-probe-XXXXXX")));
    return probe.open();
}
