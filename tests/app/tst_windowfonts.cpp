#include "AboutWindow.h"
#include "HelpWindow.h"
#include "SecondaryWindows.h"
#include "TChatForm.h"
#include "WindowFixture.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QRadioButton>
#include <QStyleOptionButton>
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
    void noTextClipped_data();
    void noTextClipped();

private:
    QWidget* windowNamed(const QString& name);
};

QWidget* TestWindowFonts::windowNamed(const QString& name) {
    if (name == QLatin1String("connect"))
        return window_->findChild<TFCombBoxDial*>();
    if (name == QLatin1String("about"))
        return window_->findChild<TFormAboutProgr*>();
    if (name == QLatin1String("help"))
        return window_->findChild<TForm_Help*>();
    return window_.get();
}

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
    QWidget* top = windowNamed(window);
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

void TestWindowFonts::noTextClipped_data() {
    QTest::addColumn<QString>("window");
    QTest::newRow("main window") << "main";
    QTest::newRow("connect dialog") << "connect";
    QTest::newRow("About") << "about";
}

// The layouts place every control at a fixed size: a label, check box or radio
// button whose text needs more room than that, at the font the system gives,
// is cut. Run on Windows (under Wine) too, where the faces differ.
void TestWindowFonts::noTextClipped() {
    QFETCH(QString, window);
    CreateWindow();
    QWidget* top = windowNamed(window);
    QVERIFY(top);
    QStringList clipped;
    const auto report = [&clipped](const QWidget* widget, const QString& text, int needed) {
        if (needed > widget->width())
            clipped << QStringLiteral("%1 \"%2\" needs %3, has %4")
                           .arg(widget->objectName(), text)
                           .arg(needed)
                           .arg(widget->width());
    };
    for (const QLabel* label : top->findChildren<QLabel*>()) {
        const QString text = label->text();
        if (text.isEmpty() || label->wordWrap() || Qt::mightBeRichText(text))
            continue;
        int widest = 0;
        for (const QString& line : text.split(QLatin1Char('\n')))
            widest = qMax(widest, label->fontMetrics().horizontalAdvance(line));
        const QMargins frame = label->contentsMargins();
        report(label, text,
               widest + frame.left() + frame.right() + 2 * label->margin() +
                   qMax(0, label->indent()));
    }
    for (const QAbstractButton* box : top->findChildren<QAbstractButton*>()) {
        // The room the style leaves the text beside the indicator.
        QStyle::SubElement contents = QStyle::SE_CheckBoxContents;
        if (qobject_cast<const QRadioButton*>(box))
            contents = QStyle::SE_RadioButtonContents;
        else if (!qobject_cast<const QCheckBox*>(box))
            continue;
        if (box->text().isEmpty())
            continue;
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const QRect room = box->style()->subElementRect(contents, &option, box);
        const int needed =
            box->fontMetrics().horizontalAdvance(QString(box->text()).remove(QLatin1Char('&')));
        report(box, box->text(), needed + box->width() - room.width());
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1String("; "))));
}

QTEST_MAIN(TestWindowFonts)
#include "tst_windowfonts.moc"
