#include "ProfileFileIo.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

// Windows keeps no owner, group and mode bits for the new file to take over, so
// Qt's own safe save (a file beside the old one, then a rename) is the whole job.

namespace rk {

FileReadStatus ReadProfileFile(const QString& path, QByteArray* bytes) {
    bytes->clear();
    const QFileInfo info(path);
    if (!info.exists())
        return FileReadStatus::Missing;
    if (info.isDir())
        return FileReadStatus::Directory;
    if (!info.isFile())
        return FileReadStatus::NotRegular;
    if (info.size() > kProfileFileMax)
        return FileReadStatus::TooLarge;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return FileReadStatus::Unreadable;
    *bytes = in.read(kProfileFileMax + 1);
    if (in.error() != QFileDevice::NoError) {
        bytes->clear();
        return FileReadStatus::Unreadable;
    }
    if (bytes->size() > kProfileFileMax) {
        bytes->clear();
        return FileReadStatus::TooLarge;
    }
    return FileReadStatus::Read;
}

FileWriteStatus WriteProfileFile(const QString& path, const QByteArray& bytes,
                                 const QByteArray* previous) {
    Q_UNUSED(previous);
    const QFileInfo info(ProfileFileTarget(path));
    if (info.exists() && !info.isFile())
        return FileWriteStatus::Failed;
    if (info.exists() && !info.isWritable())
        return FileWriteStatus::ReadOnly;
    QSaveFile out(info.filePath());
    if (!out.open(QIODevice::WriteOnly))
        return FileWriteStatus::Failed;
    // The buffer's own flush inside commit() does not report a failure, so flush here.
    if (out.write(bytes) != bytes.size() || !out.flush()) {
        out.cancelWriting();
        return FileWriteStatus::Failed;
    }
    return out.commit() ? FileWriteStatus::Written : FileWriteStatus::Failed;
}

} // namespace rk
