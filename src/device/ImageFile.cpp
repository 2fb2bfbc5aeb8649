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
