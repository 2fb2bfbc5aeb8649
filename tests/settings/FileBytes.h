#pragma once

// Settings tests compare files byte for byte.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

// `text` (UTF-8) as UTF-16 with its byte-order mark.
inline QByteArray Utf16WithBom(const char* text, bool littleEndian) {
    QByteArray out = littleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
    for (QChar c : QString::fromUtf8(text)) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        out += littleEndian ? low : high;
        out += littleEndian ? high : low;
    }
    return out;
}
