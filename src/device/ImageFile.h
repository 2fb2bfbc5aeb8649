#pragma once

#include <QByteArray>
#include <QString>

// An image file read whole. The window's procedures read it anew each time, so
// a file changed since it was last checked is seen as it is now.
struct ImageFile {
    enum class Status {
        Read,
        CannotOpen, // also no regular file (a folder, a pipe), an empty name
        TooLong,    // larger than 262,144 bytes; not read
        ShortRead,  // fewer bytes came than the size promised
    };
    Status status = Status::CannotOpen;
    // `size` bytes; past a short read the rest is zero, never stale memory.
    QByteArray bytes;
    qsizetype size = 0;
};

ImageFile ReadImageFile(const QString& fileName);
