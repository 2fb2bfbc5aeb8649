#include "ProfileFileIo.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rk {

namespace {

bool writeAll(int fd, const char* data, qsizetype size, off_t at) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(size), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
        at += n;
    }
    return true;
}

bool readOnly(const QByteArray& native, const struct stat& st) {
    // Root passes every access check, so the mode bits decide for it.
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
           ::faccessat(AT_FDCWD, native.constData(), W_OK, AT_EACCESS) != 0;
}

int createBeside(const QByteArray& target, mode_t mode, QByteArray* name) {
    for (int attempt = 0; attempt < 64; ++attempt) {
        *name = target + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void syncFolder(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : target.left(std::max<qsizetype>(slash, 1));
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // The rename has happened; a folder that cannot be synced changes nothing.
        ::fsync(fd);
        ::close(fd);
    }
}

enum class Beside { Replaced, Failed, NotHere };

Beside replaceBeside(const QByteArray& target, const QByteArray& bytes, const struct stat* old) {
    QByteArray temp;
    const int fd = createBeside(target, old ? 0600 : 0666, &temp);
    if (fd < 0)
        return errno == EACCES || errno == EPERM ? Beside::NotHere : Beside::Failed;
    if (old) {
        struct stat made {};
        // Only root may give a file away; anyone else keeps the owner by
        // writing in place instead.
        if (::fstat(fd, &made) != 0 ||
            ((made.st_uid != old->st_uid || made.st_gid != old->st_gid) &&
             ::fchown(fd, old->st_uid, old->st_gid) != 0)) {
            ::close(fd);
            ::unlink(temp.constData());
            return Beside::NotHere;
        }
    }
    bool ok = (!old || ::fchmod(fd, old->st_mode & 07777) == 0) &&
              writeAll(fd, bytes.constData(), bytes.size(), 0) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.constData(), target.constData()) == 0;
    if (!ok) {
        ::unlink(temp.constData());
        return Beside::Failed;
    }
    syncFolder(target);
    return Beside::Replaced;
}

bool rewriteInPlace(const QByteArray& target, const QByteArray& bytes, const QByteArray* previous) {
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    const qsizetype oldSize = qsizetype(st.st_size);
    const qsizetype newSize = bytes.size();
    if (newSize > oldSize &&
        !(writeAll(fd, bytes.constData() + oldSize, newSize - oldSize, off_t(oldSize)) &&
          ::fsync(fd) == 0)) {
        // Nothing of the old contents has been touched yet.
        (void)!::ftruncate(fd, off_t(oldSize));
        ::close(fd);
        return false;
    }
    bool ok = writeAll(fd, bytes.constData(), std::min(oldSize, newSize), 0) &&
              ::ftruncate(fd, off_t(newSize)) == 0 && ::fsync(fd) == 0;
    if (!ok && previous && previous->size() == oldSize) {
        // A mix of old and new lines is worse than either; try to put the old back.
        if (writeAll(fd, previous->constData(), oldSize, 0))
            (void)!::ftruncate(fd, off_t(oldSize));
        ::fsync(fd);
    }
    ok = ::close(fd) == 0 && ok;
    return ok;
}

} // namespace

FileReadStatus ReadProfileFile(const QString& path, QByteArray* bytes) {
    bytes->clear();
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileReadStatus::Missing
                                                   : FileReadStatus::Unreadable;
    if (S_ISDIR(st.st_mode))
        return FileReadStatus::Directory;
    // Checked before opening: opening a pipe waits for a writer, and opening a
    // device can have effects of its own.
    if (!S_ISREG(st.st_mode))
        return FileReadStatus::NotRegular;
    if (st.st_size > kProfileFileMax)
        return FileReadStatus::TooLarge;
    // Non-blocking too, in case a pipe took the file's place since the check.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? FileReadStatus::Missing : FileReadStatus::Unreadable;
    FileReadStatus status = FileReadStatus::Read;
    if (::fstat(fd, &st) != 0) {
        status = FileReadStatus::Unreadable;
    } else if (!S_ISREG(st.st_mode)) {
        status = FileReadStatus::NotRegular;
    } else {
        bytes->reserve(qsizetype(std::min<qint64>(st.st_size, kProfileFileMax)) + 1);
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                status = FileReadStatus::Unreadable;
                break;
            }
            if (n == 0)
                break;
            // The file may have grown since it was measured.
            if (bytes->size() + n > kProfileFileMax) {
                status = FileReadStatus::TooLarge;
                break;
            }
            bytes->append(chunk, qsizetype(n));
        }
    }
    ::close(fd);
    if (status != FileReadStatus::Read)
        bytes->clear();
    return status;
}

FileWriteStatus WriteProfileFile(const QString& path, const QByteArray& bytes,
                                 const QByteArray* previous) {
    const QByteArray target = QFile::encodeName(ProfileFileTarget(path));
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return FileWriteStatus::Failed;
    if (exists && !S_ISREG(st.st_mode))
        return FileWriteStatus::Failed;
    if (exists && readOnly(target, st))
        return FileWriteStatus::ReadOnly;
    switch (replaceBeside(target, bytes, exists ? &st : nullptr)) {
    case Beside::Replaced:
        return FileWriteStatus::Written;
    case Beside::Failed:
        return FileWriteStatus::Failed;
    case Beside::NotHere:
        break;
    }
    return exists && rewriteInPlace(target, bytes, previous) ? FileWriteStatus::Written
                                                             : FileWriteStatus::Failed;
}

} // namespace rk
