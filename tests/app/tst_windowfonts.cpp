#include "AboutWindow.h"
#include "HelpWindow.h"
#include "SecondaryWindows.h"
#include "TChatForm.h"
#include "WindowFixture.h"

#include <QFontInfo>
#include <QtTest>

// The layouts are drawn for the fonts the windows ask for; a machine that lacks
// one draws in whatever fontconfig substitutes (a monospace face on a minimal
// system), which clips labels and fields. The offscreen platform asks fontconfig
// too, so this sees what the user's window gets.
class TestWindowFonts : public QObject, private WindowFixture {
    Q_OBJECT
private slots:
    void init() { InitFixture(); }
    void cleanup() { CleanupFixture(); }

    void fontIsTheOneAskedFor_data();
    void fontIsTheOneAskedFor();
};

void TestWindowFonts::fontIsTheOneAskedFor_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("child"); // objectName; empty: the window itself
    QTest::newRow("main window") << "main" << QString();
    QTest::newRow("connect dialog") << "connect" << QString();
    QTest::newRow("About") << "about" << QString();
    QTest::newRow("Help") << "help" << QString();
    // These ask for a list: the face named first where it exists, else its free
    // metric-compatible twin.
    QTest::newRow("About title") << "about"
                                 << "Label8";
    QTest::newRow("About subtitle") << "about"
                                    << "Label1";
}

void TestWindowFonts::fontIsTheOneAskedFor() {
    QFETCH(QString, window);
    QFETCH(QString, child);
    CreateWindow();
    QWidget* top = window_.get();
    if (window == QLatin1String("connect"))
        top = window_->findChild<TFCombBoxDial*>();
    else if (window == QLatin1String("about"))
        top = window_->findChild<TFormAboutProgr*>();
    else if (window == QLatin1String("help"))
        top = window_->findChild<TForm_Help*>();
    QWidget* widget = child.isEmpty() ? top : top->findChild<QWidget*>(child);
    QVERIFY(widget);

    const QFont font = widget->font();
    const QStringList asked =
        font.families().isEmpty() ? QStringList{font.family()} : font.families();
    const QString got = QFontInfo(font).family();
    QVERIFY2(asked.contains(got),
             qPrintable(QStringLiteral("asked for %1, got %2: is its font package installed?")
                            .arg(asked.join(QLatin1String(", ")), got)));
}

QTEST_MAIN(TestWindowFonts)
#include "tst_windowfonts.moc"
