#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <vector>

namespace rk {

// A private-profile file read once, looked up and changed in memory, and
// written back once. Look-ups and changes follow the rules of the per-key
// functions in PrivateProfile.h; every line that no change touches keeps its
// bytes. The file is UTF-8, or UTF-16 when it begins with a UTF-16 byte-order
// mark; a file that is not valid UTF-8 is Windows-1251, and stays so.
class ProfileDocument {
public:
    enum class LoadStatus {
        Loaded,
        Missing,    // no file, or a folder in its place: an empty document
        NotRegular, // a pipe, a device or the like
        TooLarge,   // over kProfileFileMax
        Unreadable,
        Undecodable, // UTF-16 with an odd number of bytes
    };
    enum class Encoding { Utf8, Cp1251, Utf16LE, Utf16BE };
    enum class SetStatus {
        Set,
        BadName,       // a section or key name that would read back as something else
        NotInCodePage, // a Windows-1251 file cannot hold the text
        LosesCodePage, // the file would be left valid UTF-8 with its 1251 text misread
    };
    enum class SaveStatus { Saved, ReadOnly, Failed, NotLoaded };
    // How a line reads: a section header, a key, or anything else.
    enum class LineKind : quint8 { Other, Section, Key };

    ProfileDocument() = default;
    ProfileDocument(const ProfileDocument&) = delete;
    ProfileDocument& operator=(const ProfileDocument&) = delete;

    LoadStatus load(const QString& path);
    Encoding encoding() const { return encoding_; }

    // The value of `key` in `section`, or `def` when either is missing.
    QString value(QStringView section, QStringView key, const QString& def) const;
    int intValue(QStringView section, QStringView key, int def) const;
    bool boolValue(QStringView section, QStringView key, bool def) const;

    // Sets the key in memory; nothing changes unless the result is Set.
    SetStatus setValue(QStringView section, QStringView key, QStringView value);
    // Re-encodes a Windows-1251 document in UTF-8, for text the code page lacks.
    void convertToUtf8();

    // Writes the whole document to the file it was loaded from, once
    // (ProfileFileIo.h). A document whose file could not be loaded is not saved.
    SaveStatus save();

private:
    enum class LineEnd : quint8 { None, Lf, CrLf };
    // A section header or a key line. The lines between them matter to no
    // look-up and stay as the bytes of original_ they are, so a file of many
    // blank or comment lines costs no more than its bytes.
    struct Entry {
        qint32 at = 0;       // where the line starts in original_; for an added line, where it goes
        qint32 size = 0;     // the original line's bytes with its end; 0 for an added line
        qint32 rawSize = 0;  // the original line's bytes without its end
        qint32 changed = -1; // the line's new bytes in changed_, if any
        LineEnd end = LineEnd::None;
        LineEnd before = LineEnd::None; // ends a last line that had none, ahead of an added line
        LineKind kind = LineKind::Other;
        bool notUtf8 = false;   // 8-bit files: bytes that are not valid UTF-8
        bool highBytes = false; // 8-bit files: bytes above 127
    };
    struct Location {
        qsizetype header = -1;
        qsizetype key = -1;
        qsizetype lastKey = -1;
    };

    void parse(QByteArray data);
    QByteArrayView raw(const Entry& entry) const;
    bool nameIs(const Entry& entry, QStringView name) const;
    QString nameOf(const Entry& entry) const;
    Location locate(QStringView section, QStringView key) const;
    Entry addedEntry(const QString& text, LineEnd end);
    QString decode(QByteArrayView raw) const;
    QByteArray encode(const QString& text) const;
    QByteArray endBytes(LineEnd end) const;
    LineEnd newLineEnd() const;
    bool wide() const;
    QByteArray bytes() const;

    QString path_;
    LoadStatus status_ = LoadStatus::Missing;
    Encoding encoding_ = Encoding::Utf8;
    QByteArray original_; // the file's bytes as parsed
    QByteArray onDisk_;   // what the file holds, to put back if an in-place write fails
    qsizetype bomSize_ = 0;
    LineEnd firstEnd_ = LineEnd::None;
    std::vector<Entry> entries_;
    std::vector<QByteArray> changed_;
    qsizetype notUtf8Lines_ = 0;
    qsizetype highLines_ = 0;
};

} // namespace rk
