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

// Where a file that did not read is reported: one status has different words in
// different places, and users know each place's words.
enum class ImageFileUse {
    Check,       // the window's file check
    Upload,      // the window's upload: a file that won't open is "Can't open file"
    Compare,     // the window's compare and the CLI's image-info: a short read is "File not open"
    CommandLine, // the CLI's upgrade and compare, printed after the file's name
};

// The words for a file that did not read; an empty text for Status::Read.
QString ImageFileMessage(ImageFile::Status status, ImageFileUse use);
