#include "AnswerGrammar.h"

#include <QElapsedTimer>
#include <QtTest>

#include <limits>

using Items = QList<AnswerItem>;
Q_DECLARE_METATYPE(AnswerItem)

namespace QTest {
template <> char* toString(const AnswerItem& item) {
    return QTest::toString(QStringLiteral("[%1]=[%2]").arg(item.key, item.value));
}
} // namespace QTest

class TestAnswerGrammar : public QObject {
    Q_OBJECT
private slots:
    void itemsAreCappedPerAnswer();
    void splitAnswer_data();
    void splitAnswer();
    void splitMegabyte_data();
    void splitMegabyte();
    void findAnswerKey_data();
    void findAnswerKey();
    void keyNamesRoundTrip();
};

void TestAnswerGrammar::splitAnswer_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Items>("expected");
    const Items setIpOk{{"SET_IPADDR", "OK"}};
    QTest::newRow("blanks around =") << "SET_IPADDR = OK" << setIpOk;
    QTest::newRow("lower case, closing ;") << "set_ipaddr=ok;" << setIpOk;
    QTest::newRow("leading blanks, blank before ;") << "  SET_IPADDR =OK ;" << setIpOk;
    QTest::newRow("CR LF and control padding") << "\r\n\tSET_IPADDR = OK\r\n" << setIpOk;
    QTest::newRow("two items") << "IPADDR = 192.168.100.222; NETMASK = 255.255.255.0;"
                               << Items{{"IPADDR", "192.168.100.222"},
                                        {"NETMASK", "255.255.255.0"}};
    QTest::newRow("two answers in one arrival, no final ;")
        << "SET_GW = OK;SET_MACADDR = Error" << Items{{"SET_GW", "OK"}, {"SET_MACADDR", "ERROR"}};
    QTest::newRow("empty item between two")
        << "A = 1;;B = 2" << Items{{"A", "1"}, {"", ""}, {"B", "2"}};
    QTest::newRow("lone ;") << ";" << Items{{"", ""}};
    QTest::newRow("lone ; in blanks") << "  ;\r\n" << Items{{"", ""}};
    QTest::newRow("two ;") << ";;" << Items{{"", ""}, {"", ""}};
    QTest::newRow("leading ; gives an empty first item") << ";NO" << Items{{"", ""}, {"NO", ""}};
    QTest::newRow("later = stay in the value")
        << "GW = 10.0.0.1 = X" << Items{{"GW", "10.0.0.1 = X"}};
    QTest::newRow("no =: whole item is the key") << "readbuf" << Items{{"READBUF", ""}};
    QTest::newRow("= with nothing after") << "PACKFLOAT =" << Items{{"PACKFLOAT", ""}};
    QTest::newRow("= with nothing before") << "= 5" << Items{{"", "5"}};
    QTest::newRow("blanks inside key stay") << "SET IP = OK" << Items{{"SET IP", "OK"}};
    QTest::newRow("control chars trimmed in key and value")
        << "KEY\t=\x01VAL\x02;" << Items{{"KEY", "VAL"}};
    QTest::newRow("version upper-cased") << "VERSION = v1.2a" << Items{{"VERSION", "V1.2A"}};
    QTest::newRow("cyrillic upper-cased")
        << QStringLiteral("NO = \u043e\u0448\u0438\u0431\u043a\u0430")
        << Items{{"NO", QStringLiteral("\u041e\u0428\u0418\u0411\u041a\u0410")}};
    QTest::newRow("empty") << "" << Items{};
    QTest::newRow("only blanks and line ends") << " \r\n \t" << Items{};
    QTest::newRow("garbage") << QString::fromLatin1("\x7f\xff#=*=;=;;x==y")
                             << Items{{QString::fromLatin1("\x7f\xff#").toUpper(), "*="},
                                      {"", ""},
                                      {"", ""},
                                      {"X", "=Y"}};
    QTest::newRow("NUL inside an item")
        << QString::fromLatin1("A\0B=1", 5) << Items{{QString::fromLatin1("A\0B", 3), "1"}};
}

void TestAnswerGrammar::splitAnswer() {
    QFETCH(QString, text);
    QFETCH(Items, expected);
    QCOMPARE(SplitAnswer(text), expected);
}

void TestAnswerGrammar::splitMegabyte_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("count");
    QTest::addColumn<AnswerItem>("last");
    const qsizetype mega = 1 << 20;
    QTest::newRow("short items") << QStringLiteral("A=1;").repeated(mega / 4) << mega / 4
                                 << AnswerItem{"A", "1"};
    QTest::newRow("only ;") << QStringLiteral(";").repeated(mega) << mega << AnswerItem{};
    QTest::newRow("one huge item")
        << QStringLiteral("K=") + QString(mega, QLatin1Char('v')) << qsizetype(1)
        << AnswerItem{"K", QString(mega, QLatin1Char('V'))};
}

void TestAnswerGrammar::splitMegabyte() {
    QFETCH(QString, text);
    QFETCH(qsizetype, count);
    QFETCH(AnswerItem, last);
    QElapsedTimer timer;
    timer.start();
    const Items items = SplitAnswer(text, std::numeric_limits<qsizetype>::max());
    // Linear cutting takes milliseconds; searching each ";" from the start would take minutes.
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(items.size(), count);
    QCOMPARE(items.last(), last);
}

void TestAnswerGrammar::itemsAreCappedPerAnswer() {
    // Ten megabytes of separators: the first 4096 items, cut in little time
    // and memory, and nothing of the rest.
    const QString flood = QStringLiteral(";").repeated(10 << 20);
    QElapsedTimer timer;
    timer.start();
    const Items items = SplitAnswer(flood);
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(items.size(), kMaxAnswerItems);
    QCOMPARE(SplitAnswer(QStringLiteral("A=1;B=2;C=3"), 2), (Items{{"A", "1"}, {"B", "2"}}));
}

void TestAnswerGrammar::findAnswerKey_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("index");
    const char* const keys[] = {"NO",           "SET_IPADDR",     "SET_NETMASK",
                                "SET_SERVICE",  "SET_GW",         "SET_PACKFLOAT",
                                "IPADDR",       "NETMASK",        "SERVICE",
                                "GW",           "VERSION",        "DATEVERSION",
                                "PACKFLOAT",    "WRITESOFT",      "UPGRADE",
                                "READSOFT",     "NDEVICE",        "LENBLOCK",
                                "NBLOCKS",      "READ",           "READBUF",
                                "SET_MACADDR",  "MACADDR",        "SET_SPEED_DUPLEX",
                                "SPEED_DUPLEX", "SET_SERVORRCOM", "SERVORRCOM"};
    int i = 0;
    for (const char* k : keys) {
        QTest::newRow(k) << QString::fromLatin1(k) << i;
        ++i;
    }
    QTest::newRow("empty key") << "" << -1;
    QTest::newRow("unknown") << "ABC" << -1;
    QTest::newRow("lower case is not found") << "ipaddr" << -1;
    QTest::newRow("prefix of a key") << "SET_" << -1;
    QTest::newRow("key with trailing blank") << "GW " << -1;
    QTest::newRow("key with a longer tail") << "READBUFX" << -1;
    QTest::newRow("ERROR is no key") << "ERROR" << -1;
}

void TestAnswerGrammar::findAnswerKey() {
    QFETCH(QString, key);
    QFETCH(int, index);
    QCOMPARE(FindAnswerKey(key), index);
}

void TestAnswerGrammar::keyNamesRoundTrip() {
    // The enum is what the caller switches on: it must name the same entry as the table.
    QCOMPARE(FindAnswerKey("NO"), int(AnswerKey::NO));
    QCOMPARE(FindAnswerKey("PACKFLOAT"), int(AnswerKey::PACKFLOAT));
    QCOMPARE(FindAnswerKey("READ"), int(AnswerKey::READ));
    QCOMPARE(FindAnswerKey("SERVORRCOM"), int(AnswerKey::SERVORRCOM));
    QCOMPARE(int(AnswerKey::SERVORRCOM), kAnswerKeyCount - 1);
    for (int i = 0; i < kAnswerKeyCount; ++i)
        QCOMPARE(FindAnswerKey(AnswerKeyName(i)), i);
    QVERIFY(AnswerKeyName(-1).isEmpty());
    QVERIFY(AnswerKeyName(kAnswerKeyCount).isEmpty());
}

QTEST_GUILESS_MAIN(TestAnswerGrammar)
#include "tst_answergrammar.moc"
