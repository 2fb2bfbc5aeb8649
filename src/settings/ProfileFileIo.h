#pragma once

#include <QByteArray>
#include <QString>

// Reading and replacing a settings file as a whole, so that no failure leaves a
// damaged file behind and nothing in place of the file can stall the program.

namespace rk {

// Nothing a person keeps settings in is this large; a bigger file is not read,
// as holding it would cost more memory and time than the settings are worth.
inline constexpr qint64 kProfileFileMax = 16 * 1024 * 1024;

enum class FileReadStatus { Read, Missing, Directory, NotRegular, TooLarge, Unreadable };

// Reads the whole file. A folder, a named pipe, a device or a file larger than
// kProfileFileMax is not read, and nothing here waits for a writer to appear.
FileReadStatus ReadProfileFile(const QString& path, QByteArray* bytes);

enum class FileWriteStatus { Written, ReadOnly, Failed };

// Makes `bytes` the contents of the file at `path`; a symbolic link is followed
// and stays a link. Where the folder allows it the new contents go to a file
// beside the old one, which takes the old file's owner, group and mode and then
// replaces it in one step, so a failure or a kill leaves the old file whole.
// Otherwise an existing file is rewritten in place: grown to its new size first,
// so a full disk fails before any old byte is touched, and put back to
// `previous` (what it held) should a later step fail. A file with no write
// permission at all is read-only even to root. Every write and the flush to
// disk are checked.
FileWriteStatus WriteProfileFile(const QString& path, const QByteArray& bytes,
                                 const QByteArray* previous);

// The file a chain of symbolic links from `path` ends at, even when it does not
// exist yet; `path` itself for a loop.
QString ProfileFileTarget(const QString& path);

} // namespace rk
