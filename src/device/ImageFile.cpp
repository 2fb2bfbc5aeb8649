#include "ImageFile.h"

#include "ImageCheck.h"

#include <QFile>
#include <QFileInfo>

ImageFile ReadImageFile(const QString& fileName) {
    ImageFile result;
    // Only a regular file: a folder reads as nothing, and opening a pipe
    // would block the window until something writes to it.
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile())
        return result;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    result.size = file.size();
    if (result.size > kImageMaxSize) {
        result.status = ImageFile::Status::TooLong;
        return result;
    }
    result.bytes = QByteArray(result.size, '\0');
    const qint64 got = result.size > 0 ? file.read(result.bytes.data(), result.size) : 0;
    result.status = got == result.size ? ImageFile::Status::Read : ImageFile::Status::ShortRead;
    return result;
}

QString ImageFileMessage(ImageFile::Status status, ImageFileUse use) {
    switch (status) {
    case ImageFile::Status::Read:
        break;
    case ImageFile::Status::CannotOpen:
        if (use == ImageFileUse::Upload)
            return QStringLiteral("Can't open file");
        if (use == ImageFileUse::CommandLine)
            return QStringLiteral("cannot open it as a file");
        return ImageCheckMessage(ImageEmpty);
    case ImageFile::Status::TooLong:
        if (use == ImageFileUse::CommandLine)
            return QStringLiteral("larger than %1 bytes, no image").arg(kImageMaxSize);
        return ImageCheckMessage(ImageTooLong);
    case ImageFile::Status::ShortRead:
        if (use == ImageFileUse::Compare)
            return ImageCheckMessage(ImageEmpty);
        if (use == ImageFileUse::CommandLine)
            return QStringLiteral("could not be read whole");
        return QStringLiteral("Error file reading");
    }
    return QString();
}
