#include "PrivateProfile.h"

#include "ChildProcess.h"
#include "FileBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using rk::GetPrivateProfileBool;
using rk::GetPrivateProfileInt;
using rk::GetPrivateProfileString;
using rk::WritePrivateProfileBool;
using rk::WritePrivateProfileInt;
using rk::WritePrivateProfileString;

namespace {

QString fromUtf8(const char* s) {
    return QString::fromUtf8(s);
}

} // namespace

class TestPrivateProfile : public QObject {
    Q_OBJECT
private slots:
    void readString_data();
    void readString();
    void readMissingFile();
    void readCapsLength_data();
    void readCapsLength();
    void readInt_data();
    void readInt();
    void readBool_data();
    void readBool();
    void write_data();
    void write();
    void writeFailsWithoutTouchingFile_data();
    void writeFailsWithoutTouchingFile();
    void writeReadRoundTrip_data();
    void writeReadRoundTrip();
    void writeLeavesNoTemporaryFiles();
    void writeKeepsModeAndLink();
    void writeKeepsOwnerAndMode_data();
    void writeKeepsOwnerAndMode();
    void writeInReadOnlyFolder_data();
    void writeInReadOnlyFolder();
};

void TestPrivateProfile::readString_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QString d = QStringLiteral("<default>");
    const QString s = QStringLiteral("Sec");
    const QString k = QStringLiteral("Key");

    QTest::newRow("plain") << QByteArray("[Sec]\nKey=v\n") << s << k << "v";
    QTest::newRow("missing key") << QByteArray("[Sec]\nOther=v\n") << s << k << d;
    QTest::newRow("missing section") << QByteArray("[Else]\nKey=v\n") << s << k << d;
    QTest::newRow("empty file") << QByteArray() << s << k << d;
    QTest::newRow("empty value is a value") << QByteArray("[Sec]\nKey=\n") << s << k << "";
    QTest::newRow("names case-insensitive") << QByteArray("[sEC]\nkEY=v\n") << s << k << "v";
    QTest::newRow("blanks around everything")
        << QByteArray("  [ Sec ]  \n \t Key \t =  a b \t\n") << s << k << "a b";
    QTest::newRow("CRLF") << QByteArray("[Sec]\r\nKey=v\r\n") << s << k << "v";
    QTest::newRow("no final line end") << QByteArray("[Sec]\nKey=v") << s << k << "v";
    QTest::newRow("double quotes lose, inner blanks kept")
        << QByteArray("[Sec]\nKey = \"  a b  \" \n") << s << k << "  a b  ";
    QTest::newRow("single quotes") << QByteArray("[Sec]\nKey='x'\n") << s << k << "x";
    QTest::newRow("mismatched quotes kept") << QByteArray("[Sec]\nKey=\"x'\n") << s << k << "\"x'";
    QTest::newRow("lone quote kept") << QByteArray("[Sec]\nKey=\"\n") << s << k << "\"";
    QTest::newRow("empty quotes") << QByteArray("[Sec]\nKey=\"\"\n") << s << k << "";
    QTest::newRow("comment line is no key")
        << QByteArray("[Sec]\n ;Key=c\nKey=v\n") << s << k << "v";
    QTest::newRow("semicolon inside value kept")
        << QByteArray("[Sec]\nKey=a;b ; c\n") << s << k << "a;b ; c";
    QTest::newRow("equals inside value kept") << QByteArray("[Sec]\nKey=a=b\n") << s << k << "a=b";
    QTest::newRow("header ends at first ]")
        << QByteArray("[Sec]x] trailing\nKey=v\n") << s << k << "v";
    QTest::newRow("header without ] opens nothing")
        << QByteArray("[Sec]\n[Other\nKey=v\n") << s << k << "v";
    QTest::newRow("first of two sections only")
        << QByteArray("[Sec]\nA=1\n[Sec]\nKey=second\n") << s << k << d;
    QTest::newRow("first of two keys wins")
        << QByteArray("[Sec]\nKey=first\nKEY=second\n") << s << k << "first";
    QTest::newRow("key before first header ignored")
        << QByteArray("Key=top\n[Sec]\n") << s << k << d;
    QTest::newRow("line without equals is no key") << QByteArray("[Sec]\nKey\n") << s << k << d;
    QTest::newRow("key of next section not taken")
        << QByteArray("[Sec]\n[Next]\nKey=v\n") << s << k << d;
    QTest::newRow("empty key name is no key") << QByteArray("[Sec]\n=v\n") << s << k << d;
    QTest::newRow("UTF-8 value") << QByteArray("[Sec]\nKey=Привет\n") << s << k
                                 << fromUtf8("Привет");
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF[Sec]\nKey=v\n") << s << k << "v";
    QTest::newRow("not UTF-8 reads as 1251")
        << QByteArray("[Sec]\nKey=\xCF\xF0\xE8\xE2\xE5\xF2\n") << s << k << fromUtf8("Привет");
    QTest::newRow("cut-off UTF-8 sequence reads as 1251")
        << QByteArray("[Sec]\nKey=\xD0") << s << k << fromUtf8("Р");
    QTest::newRow("UTF-16LE") << Utf16WithBom("[Sec]\r\nKey=Привет\r\n", true) << s << k
                              << fromUtf8("Привет");
    QTest::newRow("UTF-16BE, no final line end")
        << Utf16WithBom("[Sec]\nKey = \"日本\"", false) << s << k << fromUtf8("日本");
    QTest::newRow("UTF-16 with a cut-off character is not read")
        << Utf16WithBom("[Sec]\nKey=v\n", true) + 'x' << s << k << d;
    QTest::newRow("Cyrillic names, case-insensitive")
        << QByteArray("[Раздел]\nКлюч=v\n") << fromUtf8("раздел") << fromUtf8("КЛЮЧ") << "v";
}

void TestPrivateProfile::readString() {
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    writeBytes(path, file);
    QCOMPARE(GetPrivateProfileString(section, key, QStringLiteral("<default>"), path), expected);
}

void TestPrivateProfile::readMissingFile() {
    QTemporaryDir dir;
    QCOMPARE(GetPrivateProfileString(u"Sec", u"Key", QStringLiteral("d"),
                                     dir.filePath(QStringLiteral("none.ini"))),
             QStringLiteral("d"));
    QCOMPARE(GetPrivateProfileInt(u"Sec", u"Key", 42, dir.filePath(QStringLiteral("none.ini"))),
             42);
    // A folder where the file should be reads as no file.
    QCOMPARE(GetPrivateProfileString(u"Sec", u"Key", QStringLiteral("d"), dir.path()),
             QStringLiteral("d"));
}

void TestPrivateProfile::readCapsLength_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    const QString a2047(2047, QLatin1Char('a'));
    QTest::newRow("2047 kept") << a2047 << a2047;
    QTest::newRow("2048 cut") << a2047 + QLatin1Char('b') << a2047;
    QTest::newRow("long cut") << QString(100000, QLatin1Char('a')) << a2047;
    QTest::newRow("quotes removed before the cut")
        << QLatin1Char('"') + a2047 + QLatin1Char('"') << a2047;
    // Never half a character: a pair straddling the limit goes whole.
    const QString pair = fromUtf8("😀");
    QTest::newRow("surrogate pair at the limit")
        << QString(2046, QLatin1Char('a')) + pair << QString(2046, QLatin1Char('a'));
}

void TestPrivateProfile::readCapsLength() {
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    writeBytes(path, "[S]\nK=" + value.toUtf8() + "\n");
    QCOMPARE(GetPrivateProfileString(u"S", u"K", QString(), path), expected);
}

void TestPrivateProfile::readInt_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");
    const int d = -777;
    QTest::newRow("decimal") << QByteArray("7") << 7;
    QTest::newRow("negative") << QByteArray("-5") << -5;
    QTest::newRow("plus") << QByteArray("+5") << 5;
    QTest::newRow("blanks around trimmed") << QByteArray("  12  ") << 12;
    QTest::newRow("quoted") << QByteArray("\"3\"") << 3;
    QTest::newRow("hex 0x2") << QByteArray("0x2") << 2;
    QTest::newRow("hex 0X1f") << QByteArray("0X1f") << 31;
    QTest::newRow("hex 32-bit pattern") << QByteArray("0xFFFFFFFF") << -1;
    QTest::newRow("hex overflow") << QByteArray("0x1FFFFFFFF") << d;
    QTest::newRow("0x alone") << QByteArray("0x") << d;
    QTest::newRow("0x then junk") << QByteArray("0xG") << d;
    QTest::newRow("signed hex is not a number") << QByteArray("-0x2") << d;
    QTest::newRow("dollar hex is not decimal") << QByteArray("$10") << d;
    QTest::newRow("x hex is not decimal") << QByteArray("x10") << d;
    QTest::newRow("trailing junk") << QByteArray("5abc") << d;
    QTest::newRow("word") << QByteArray("abc") << d;
    QTest::newRow("empty") << QByteArray("") << d;
    QTest::newRow("sign only") << QByteArray("-") << d;
    QTest::newRow("inner blank") << QByteArray("1 2") << d;
    QTest::newRow("int max") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("decimal overflow") << QByteArray("2147483648") << d;
    QTest::newRow("int min") << QByteArray("-2147483648") << int(-2147483647 - 1);
    QTest::newRow("leading zeros") << QByteArray("007") << 7;
}

void TestPrivateProfile::readInt() {
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    writeBytes(path, "[S]\nK=" + value + "\n");
    QCOMPARE(GetPrivateProfileInt(u"S", u"K", -777, path), expected);
}

void TestPrivateProfile::readBool_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("def");
    QTest::addColumn<bool>("expected");
    QTest::newRow("1") << QByteArray("1") << false << true;
    QTest::newRow("0") << QByteArray("0") << true << false;
    QTest::newRow("5 is true") << QByteArray("5") << false << true;
    QTest::newRow("-1 is true") << QByteArray("-1") << false << true;
    QTest::newRow("0x0 is false") << QByteArray("0x0") << true << false;
    QTest::newRow("word gives default true") << QByteArray("yes") << true << true;
    QTest::newRow("word gives default false") << QByteArray("true") << false << false;
    QTest::newRow("empty gives default") << QByteArray("") << true << true;
}

void TestPrivateProfile::readBool() {
    QFETCH(QByteArray, value);
    QFETCH(bool, def);
    QFETCH(bool, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    writeBytes(path, "[S]\nK=" + value + "\n");
    QCOMPARE(GetPrivateProfileBool(u"S", u"K", def, path), expected);
}

void TestPrivateProfile::write_data() {
    QTest::addColumn<QByteArray>("before"); // "<none>": no file
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
    const QString s = QStringLiteral("Sec");
    const QString k = QStringLiteral("Key");

    QTest::newRow("creates file and section")
        << QByteArray("<none>") << s << k << "v" << QByteArray("[Sec]\nKey=v\n");
    QTest::newRow("empty file") << QByteArray() << s << k << "v" << QByteArray("[Sec]\nKey=v\n");
    QTest::newRow("rewrites in place, spelling and CRLF kept")
        << QByteArray("; head\r\n[SEC]\r\n  kEy =  old \r\nNext=1\r\n") << s << k << "new"
        << QByteArray("; head\r\n[SEC]\r\nkEy=new\r\nNext=1\r\n");
    QTest::newRow("last line without line end stays so")
        << QByteArray("[Sec]\nKey=old") << s << k << "new" << QByteArray("[Sec]\nKey=new");
    QTest::newRow("new key after last key, before trailing comment and blank")
        << QByteArray("[Sec]\nA=1\n; note\nB=2\n; tail\n\n[Next]\nC=3\n") << s << k << "v"
        << QByteArray("[Sec]\nA=1\n; note\nB=2\nKey=v\n; tail\n\n[Next]\nC=3\n");
    QTest::newRow("new key in empty section goes after header")
        << QByteArray("[Sec]\n\n[Next]\n") << s << k << "v"
        << QByteArray("[Sec]\nKey=v\n\n[Next]\n");
    QTest::newRow("new key follows CRLF") << QByteArray("[Sec]\r\nA=1\r\n") << s << k << "v"
                                          << QByteArray("[Sec]\r\nA=1\r\nKey=v\r\n");
    QTest::newRow("new section at end") << QByteArray("[Other]\r\nA=1\r\n\r\n") << s << k << "v"
                                        << QByteArray("[Other]\r\nA=1\r\n\r\n[Sec]\r\nKey=v\r\n");
    QTest::newRow("new section after last line without line end")
        << QByteArray("[Other]\nA=1") << s << k << "v"
        << QByteArray("[Other]\nA=1\n[Sec]\nKey=v\n");
    QTest::newRow("new section after a last comment without line end")
        << QByteArray("[Other]\nA=1\n; tail") << s << k << "v"
        << QByteArray("[Other]\nA=1\n; tail\n[Sec]\nKey=v\n");
    QTest::newRow("new section after a lone key without line end")
        << QByteArray("Key=top") << s << k << "v" << QByteArray("Key=top\n[Sec]\nKey=v\n");
    QTest::newRow("new key after section's last line without line end")
        << QByteArray("[Sec]\nA=1") << s << k << "v" << QByteArray("[Sec]\nA=1\nKey=v\n");
    QTest::newRow("value verbatim") << QByteArray("[Sec]\nKey=1\n") << s << k << " \"a;b\" "
                                    << QByteArray("[Sec]\nKey= \"a;b\" \n");
    QTest::newRow("empty value") << QByteArray("[Sec]\nKey=1\n") << s << k << ""
                                 << QByteArray("[Sec]\nKey=\n");
    QTest::newRow("line breaks in value flattened")
        << QByteArray("[Sec]\nKey=1\n") << s << k << "a\r\nb\nc\rd"
        << QByteArray("[Sec]\nKey=a b c d\n");
    QTest::newRow("only first of two sections written")
        << QByteArray("[Sec]\nA=1\n[Sec]\nKey=2\n") << s << k << "v"
        << QByteArray("[Sec]\nA=1\nKey=v\n[Sec]\nKey=2\n");
    QTest::newRow("only first of two keys written") << QByteArray("[Sec]\nKey=1\nKey=2\n") << s << k
                                                    << "v" << QByteArray("[Sec]\nKey=v\nKey=2\n");
    QTest::newRow("key before first header untouched")
        << QByteArray("Key=top\n[Sec]\n") << s << k << "v" << QByteArray("Key=top\n[Sec]\nKey=v\n");
    QTest::newRow("commented key untouched") << QByteArray("[Sec]\nA=1\n;Key=c\n") << s << k << "v"
                                             << QByteArray("[Sec]\nA=1\nKey=v\n;Key=c\n");
    QTest::newRow("header with trailing text kept") << QByteArray("[Sec] ; main\nKey=1\n") << s << k
                                                    << "2" << QByteArray("[Sec] ; main\nKey=2\n");
    QTest::newRow("BOM kept") << QByteArray("\xEF\xBB\xBF[Sec]\nKey=1\n") << s << k << "2"
                              << QByteArray("\xEF\xBB\xBF[Sec]\nKey=2\n");
    QTest::newRow("mixed line ends kept")
        << QByteArray("[A]\r\nX=1\n[Sec]\nKey=1\r\nY=2\n") << s << k << "2"
        << QByteArray("[A]\r\nX=1\n[Sec]\nKey=2\r\nY=2\n");
    QTest::newRow("UTF-8 value") << QByteArray("[Sec]\nKey=1\n") << s << k << fromUtf8("Ключ")
                                 << QByteArray("[Sec]\nKey=Ключ\n");
    // "Привет" in 1251 on an untouched line; a new Cyrillic value is stored in 1251 too.
    QTest::newRow("1251 file keeps its bytes")
        << QByteArray("; \xCF\xF0\xE8\xE2\xE5\xF2\r\n[Sec]\r\nKey=1\r\n") << s << k
        << fromUtf8("Мир")
        << QByteArray("; \xCF\xF0\xE8\xE2\xE5\xF2\r\n[Sec]\r\nKey=\xCC\xE8\xF0\r\n");
    QTest::newRow("1251 file moves to UTF-8 for text outside 1251")
        << QByteArray("; \xCF\xF0\xE8\xE2\xE5\xF2\n[Sec]\nKey=1\n") << s << k << fromUtf8("日本")
        << QByteArray("; Привет\n[Sec]\nKey=日本\n");
    // Only the bytes that are not UTF-8 tell 1251 apart; "ВёР°" in 1251 is valid UTF-8.
    QTest::newRow("1251 file moves to UTF-8 when it would lose its last 1251 mark")
        << QByteArray("[Sec]\nKey=\xCF\xF0\xEE\xE1\xE0\nF=\xC2\xB8\xD0\xB0\n") << s << k << "x"
        << QByteArray("[Sec]\nKey=x\nF=ВёР°\n");
    QTest::newRow("UTF-16LE file stays UTF-16LE")
        << Utf16WithBom("[Sec]\r\nKey=1\r\n", true) << s << k << fromUtf8("Мир")
        << Utf16WithBom("[Sec]\r\nKey=Мир\r\n", true);
    QTest::newRow("UTF-16BE file gets a UTF-16BE section")
        << Utf16WithBom("[A]\nX=1", false) << s << k << "v"
        << Utf16WithBom("[A]\nX=1\n[Sec]\nKey=v\n", false);
}

void TestPrivateProfile::write() {
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    if (before != "<none>")
        writeBytes(path, before);
    QVERIFY(WritePrivateProfileString(section, key, value, path));
    QCOMPARE(readBytes(path), after);
}

void TestPrivateProfile::writeFailsWithoutTouchingFile_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("parent is a regular file") << "parent file";
    QTest::newRow("parent missing") << "parent missing";
    QTest::newRow("path is a folder") << "folder";
    QTest::newRow("section name with ]") << "bad section";
    QTest::newRow("key name with =") << "bad key";
    QTest::newRow("empty key name") << "empty key";
    QTest::newRow("unreadable file") << "unreadable";
    QTest::newRow("read-only file") << "read-only";
    QTest::newRow("read-only to everyone, root too") << "read-only to all";
}

void TestPrivateProfile::writeFailsWithoutTouchingFile() {
    QFETCH(QString, how);
    QTemporaryDir dir;
    const QByteArray original("[Sec]\nKey=1\n");
    QString path = dir.filePath(QStringLiteral("t.ini"));
    QString section = QStringLiteral("Sec");
    QString key = QStringLiteral("Key");
    bool asOwner = false;
    writeBytes(path, original);
    if (how == QLatin1String("parent file")) {
        // Blocks the write for root too, unlike a read-only folder.
        path = dir.filePath(QStringLiteral("t.ini/inner.ini"));
    } else if (how == QLatin1String("parent missing")) {
        path = dir.filePath(QStringLiteral("no/such/folder.ini"));
    } else if (how == QLatin1String("folder")) {
        path = dir.path();
    } else if (how == QLatin1String("bad section")) {
        section = QStringLiteral("S]ec");
    } else if (how == QLatin1String("bad key")) {
        key = QStringLiteral("K=ey");
    } else if (how == QLatin1String("empty key")) {
        key.clear();
    } else if (how == QLatin1String("unreadable")) {
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        asOwner = true;
    } else if (how == QLatin1String("read-only")) {
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        asOwner = true;
    } else if (how == QLatin1String("read-only to all")) {
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    }
    if (asOwner) {
        // As the file's owner, without root's override.
        QVERIFY(GiveToNobody({dir.path(), path}));
        ChildSetup setup;
        setup.unprivileged = true;
        RK_VERIFY_CHILD(RunInChild(setup, [=] {
            return WritePrivateProfileString(section, key, u"2", path) ? QStringLiteral("written")
                                                                       : QString();
        }));
    } else {
        QVERIFY(!WritePrivateProfileString(section, key, u"2", path));
    }
    QFile::setPermissions(dir.filePath(QStringLiteral("t.ini")),
                          QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("t.ini"))), original);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("t.ini")});
}

void TestPrivateProfile::writeReadRoundTrip_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("plain") << "abc"
                           << "abc";
    QTest::newRow("path") << "C:\\Program Files\\fw.bin"
                          << "C:\\Program Files\\fw.bin";
    QTest::newRow("semicolon and equals") << "a;b=c"
                                          << "a;b=c";
    QTest::newRow("hex bytes with blanks") << "02 03 00 00"
                                           << "02 03 00 00";
    // The file's own rules, not ours: outer blanks and outer quotes do not survive.
    QTest::newRow("outer blanks lost") << "  x  "
                                       << "x";
    QTest::newRow("outer quotes lost") << "'x'"
                                       << "x";
}

void TestPrivateProfile::writeReadRoundTrip() {
    QFETCH(QString, value);
    QFETCH(QString, readBack);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    QVERIFY(WritePrivateProfileString(u"S", u"K", value, path));
    QVERIFY(WritePrivateProfileInt(u"S", u"N", -12, path));
    QVERIFY(WritePrivateProfileBool(u"S", u"B", true, path));
    QCOMPARE(GetPrivateProfileString(u"s", u"k", QString(), path), readBack);
    QCOMPARE(GetPrivateProfileInt(u"S", u"N", 0, path), -12);
    QCOMPARE(GetPrivateProfileBool(u"S", u"B", false, path), true);
    QCOMPARE(readBytes(path), "[S]\nK=" + value.toUtf8() + "\nN=-12\nB=1\n");
}

void TestPrivateProfile::writeLeavesNoTemporaryFiles() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    for (int i = 0; i < 20; ++i)
        QVERIFY(WritePrivateProfileInt(u"S", u"K", i, path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("t.ini")});
    QCOMPARE(readBytes(path), QByteArray("[S]\nK=19\n"));
}

void TestPrivateProfile::writeKeepsModeAndLink() {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("real.ini"));
    const QString link = dir.filePath(QStringLiteral("link.ini"));
    writeBytes(target, "[S]\nK=1\n");
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(target, mode));
    QVERIFY(QFile::link(target, link));
    QVERIFY(WritePrivateProfileInt(u"S", u"K", 2, link));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readBytes(target), QByteArray("[S]\nK=2\n"));
    QCOMPARE(QFile::permissions(target) & ~(QFile::ReadUser | QFile::WriteUser), mode);
}

void TestPrivateProfile::writeKeepsOwnerAndMode_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("0640") << 0640;
    QTest::newRow("0606") << 0606;
}

void TestPrivateProfile::writeKeepsOwnerAndMode() {
    QFETCH(int, mode);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    const QByteArray native = QFile::encodeName(path);
    writeBytes(path, "[S]\nK=1\n");
    QCOMPARE(::chmod(native.constData(), mode_t(mode)), 0);
    // Root writing a user's file must leave it the user's.
    QVERIFY(GiveToNobody({path}));
    struct stat before {};
    QCOMPARE(::stat(native.constData(), &before), 0);
    QVERIFY(WritePrivateProfileInt(u"S", u"K", 2, path));
    struct stat after {};
    QCOMPARE(::stat(native.constData(), &after), 0);
    QCOMPARE(readBytes(path), QByteArray("[S]\nK=2\n"));
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(after.st_mode & 07777, mode_t(mode));
}

void TestPrivateProfile::writeInReadOnlyFolder_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
    const QByteArray before("[Sec]\nKey=1\n");
    QTest::newRow("grows in place") << 0644 << "22" << QByteArray("[Sec]\nKey=22\n");
    QTest::newRow("shrinks in place") << 0600 << "" << QByteArray("[Sec]\nKey=\n");
    QTest::newRow("read-only file stays") << 0444 << "22" << before;
}

void TestPrivateProfile::writeInReadOnlyFolder() {
    QFETCH(int, mode);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    const QString path = folder + QStringLiteral("/t.ini");
    QVERIFY(QDir().mkdir(folder));
    writeBytes(path, "[Sec]\nKey=1\n");
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    QVERIFY(GiveToNobody({dir.path(), folder, path}));
    QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    ChildSetup asOwner;
    asOwner.unprivileged = true;
    const ChildResult result = RunInChild(asOwner, [=] {
        const bool written = WritePrivateProfileString(u"Sec", u"Key", value, path);
        return written == (mode != 0444) ? QString() : QStringLiteral("written: %1").arg(written);
    });
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    RK_VERIFY_CHILD(result);
    QCOMPARE(readBytes(path), after);
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(mode));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("t.ini")});
}

QTEST_GUILESS_MAIN(TestPrivateProfile)
#include "tst_privateprofile.moc"
