#include "HelpText.h"
#include "SecondaryWindows.h"
#include "TChatForm.h"
#include "ValueChecks.h"
#include "Version.h"
#include "VersionInfo.h"
#include "WindowFixture.h"

#include <QAccessible>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTextBlock>
#include <QtEndian>
#include <QtTest>

#include <cstring>
#include <functional>

namespace {

// Runs `inside` once `match` names the active modal window, while the modal
// loop that showed it is running; `inside` must close that window. A window
// left open is rejected after the deadline, so the test fails instead of
// hanging. Delete the returned poll when the modal loop is over.
QPointer<QTimer> WhileModal(QObject* context, std::function<bool(QWidget*)> match,
                            std::function<void(QWidget*)> inside) {
    auto* poll = new QTimer(context);
    QDeadlineTimer deadline(10000);
    QObject::connect(poll, &QTimer::timeout, context, [=]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (deadline.hasExpired()) {
            poll->deleteLater();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            return;
        }
        if (!modal || !modal->isVisible() || !match(modal))
            return;
        poll->deleteLater();
        inside(modal);
    });
    poll->start(10);
    return poll;
}

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

FileVersion BuildVersion() {
    return {rk::kVersionParts[0], rk::kVersionParts[1], rk::kVersionParts[2], rk::kVersionParts[3]};
}

// The bytes of `value` from byte 3 (most significant) to byte 0.
QByteArray FloatBytes(float value) {
    quint32 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray bytes(4, '\0');
    qToBigEndian(bits, bytes.data());
    return bytes;
}

} // namespace

class TestAboutWindows : public QObject, private WindowFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void versionLabel_data();
    void versionLabel();
    void dateLabel_data();
    void dateLabel();
    void unreadableTimeKeepsDateLabel();
    void helpSections();
    void helpByteOrderTables();
    void docsNameRealMenuPaths_data();
    void docsNameRealMenuPaths();

    void windowPosition_data();
    void windowPosition();
    void aboutShowsVersionInfo();
    void aboutCloses_data();
    void aboutCloses();
    void helpCloses_data();
    void helpCloses();
    void authorBox_data();
    void authorBox();
    void aboutLayout_data();
    void aboutLayout();
    void aboutLook();
    void helpLook();
    void helpResizes();
    void accessibleNames_data();
    void accessibleNames();

private:
    // Opens `window` through its menu item and returns what `inside` saw;
    // `inside` closes it.
    void OpenByMenu(QAction* item, QDialog* window, std::function<void(QWidget*)> inside);
};

void TestAboutWindows::init() {
    InitFixture();
}

void TestAboutWindows::cleanup() {
    CleanupFixture();
}

void TestAboutWindows::versionLabel_data() {
    QTest::addColumn<FileVersion>("version");
    QTest::addColumn<QString>("label");
    QTest::newRow("third part left out") << FileVersion{1, 1, 1, 9} << "1.1.9";
    QTest::newRow("all different") << FileVersion{2, 3, 4, 5} << "2.3.5";
    QTest::newRow("this project's form") << FileVersion{1, 0, 0, 1} << "1.0.1";
    QTest::newRow("zeros") << FileVersion{0, 0, 0, 0} << "0.0.0";
    QTest::newRow("16-bit parts unsigned") << FileVersion{65535, 10, 7, 65535} << "65535.10.65535";
}

void TestAboutWindows::versionLabel() {
    QFETCH(FileVersion, version);
    QFETCH(QString, label);
    QCOMPARE(VersionLabelText(version), label);
    const VersionLabels shown =
        ComputeVersionLabels({"1.1.1", "01-01-14 12:00"}, version,
                             QDateTime(QDate(2014, 1, 1), QTime(12, 0)), QLocale::c());
    QCOMPARE(shown.version, label);
}

void TestAboutWindows::dateLabel_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("label");
    const QDateTime morning(QDate(2026, 3, 7), QTime(9, 5, 59));
    QTest::newRow("C locale, seconds dropped") << "C" << morning << " 07.03.2026  09:05";
    QTest::newRow("US English: 24-hour clock all the same")
        << "en_US" << QDateTime(QDate(2014, 12, 31), QTime(23, 59)) << " 31.12.2014  23:59";
    QTest::newRow("midnight") << "de_DE" << QDateTime(QDate(2000, 1, 1), QTime(0, 0))
                              << " 01.01.2000  00:00";
    QTest::newRow("point as time separator") << "fi_FI" << morning << " 07.03.2026  09.05";
    QTest::newRow("quoted text as time separator") << "fr_CA" << morning << " 07.03.2026  09 h 05";
    QTest::newRow("four-digit year below 1000")
        << "C" << QDateTime(QDate(987, 6, 5), QTime(4, 3)) << " 05.06.0987  04:03";
}

void TestAboutWindows::dateLabel() {
    QFETCH(QString, locale);
    QFETCH(QDateTime, time);
    QFETCH(QString, label);
    QCOMPARE(DateLabelText(time, QLocale(locale)), label);
}

void TestAboutWindows::unreadableTimeKeepsDateLabel() {
    const VersionLabels layout{"1.1.1", "01-01-14 12:00"};
    const VersionLabels shown =
        ComputeVersionLabels(layout, FileVersion{1, 0, 0, 1}, QDateTime(), QLocale::c());
    QCOMPARE(shown.version, QStringLiteral("1.0.1"));
    QCOMPARE(shown.dateTime, layout.dateTime);
}

void TestAboutWindows::helpSections() {
    const QStringList lines = HelpText().split(QLatin1Char('\n'));
    QList<int> at;
    for (int i = 0; i < lines.size(); ++i) {
        if (IsHelpMarkerLine(lines[i]))
            at << i;
    }
    // "!", "!!", "!!!" between dashes, then a double rule: five sections.
    QCOMPARE(at.size(), 4);
    QVERIFY(lines[at[0]].contains(QLatin1String(" ! ")));
    QVERIFY(lines[at[1]].contains(QLatin1String(" !! ")));
    QVERIFY(lines[at[2]].contains(QLatin1String(" !!! ")));
    QVERIFY(lines[at[3]].startsWith(QLatin1String("=====")));
    at.prepend(-1);
    at.append(lines.size());
    for (int s = 0; s + 1 < at.size(); ++s) {
        const QStringList body = lines.mid(at[s] + 1, at[s + 1] - at[s] - 1);
        QVERIFY2(body.join(QString()).trimmed().size() > 100, qPrintable(QString::number(s + 1)));
    }
    QVERIFY(!IsHelpMarkerLine(QStringLiteral("--- !!!! ---")));
    QVERIFY(!IsHelpMarkerLine(QStringLiteral("1-0-3-2")));
}

void TestAboutWindows::helpByteOrderTables() {
    const QStringList items = PackFloatItems();
    QCOMPARE(items.size(), 4);
    const QByteArray code = FloatBytes(101.25f);
    QCOMPARE(code.toHex(' ').toUpper(), QByteArray("42 CA 80 00"));
    const QString text = HelpText();
    QVERIFY(text.contains(QLatin1String("101.25")));
    QVERIFY(text.contains(QLatin1String("42 CA 80 00")));

    // A table row: variant, the byte (3..0) in each of the four register
    // positions, the drop-down's item. An example row: the same with the bytes
    // of 101.25 in hexadecimal.
    static const QRegularExpression tableRow(
        QStringLiteral("^(\\d)\\t(\\d)\\t(\\d)\\t(\\d)\\t(\\d)\\t(\\S+)$"));
    static const QRegularExpression exampleRow(QStringLiteral(
        "^(\\d)\\t([0-9A-F]{2})\\t([0-9A-F]{2})\\t([0-9A-F]{2})\\t([0-9A-F]{2})\\t(\\S+)$"));
    int tableRows = 0;
    int exampleRows = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch table = tableRow.match(line);
        const QRegularExpressionMatch example = exampleRow.match(line);
        const QRegularExpressionMatch& row = table.hasMatch() ? table : example;
        if (!row.hasMatch())
            continue;
        const int variant = row.captured(1).toInt();
        QVERIFY2(variant >= 1 && variant <= items.size(), qPrintable(line));
        const QString item = items[variant - 1];
        QCOMPARE(row.captured(6), item);
        const QStringList order = item.split(QLatin1Char('-'));
        QCOMPARE(order.size(), 4);
        for (int position = 0; position < 4; ++position) {
            const int byte = order[position].toInt();
            if (table.hasMatch()) {
                QCOMPARE(row.captured(2 + position).toInt(), byte);
            } else {
                const QByteArray expected = code.mid(3 - byte, 1).toHex().toUpper();
                QCOMPARE(row.captured(2 + position).toLatin1(), expected);
            }
        }
        QCOMPARE(variant, (table.hasMatch() ? tableRows : exampleRows) + 1);
        ++(table.hasMatch() ? tableRows : exampleRows);
    }
    QCOMPARE(tableRows, 4);
    QCOMPARE(exampleRows, 4);
}

void TestAboutWindows::docsNameRealMenuPaths_data() {
    QTest::addColumn<QString>("document"); // empty: the help text
    // How the text words a path in a sub-menu (menu, item) and an item on the
    // menu bar itself.
    QTest::addColumn<QString>("inMenu");
    QTest::addColumn<QString>("onMenuBar");
    QTest::addColumn<int>("connectItems"); // how often it sends the user to "Connect..."
    QTest::newRow("help text") << QString()
                               << QStringLiteral(
                                      "меню (\\w+), пункт ((?:\\w+ )*\\w+(?:\\.\\.\\.)?)")
                               << QStringLiteral("пункт (\\S+) главного меню") << 3;
    QTest::newRow("README") << QStringLiteral(RK_README)
                            << QStringLiteral(
                                   "\"(\\w+)\"(?: > \"?|,\\s+\")((?:\\w+ )*\\w+(?:\\.\\.\\.)?)")
                            << QStringLiteral("menu\\s+bar\\s+item\\s+\"([^\"]+)\"") << 1;
}

void TestAboutWindows::docsNameRealMenuPaths() {
    // Every menu item the user is sent to is where the text says: in the
    // named sub-menu, or on the menu bar itself.
    QFETCH(QString, document);
    QFETCH(QString, inMenu);
    QFETCH(QString, onMenuBar);
    QFETCH(int, connectItems);
    CreateWindow();
    auto plain = [](QString caption) { return caption.remove(QLatin1Char('&')); };
    QMap<QString, QStringList> subMenus;
    QStringList menuBarItems;
    for (const QAction* top : window_->menuBar()->actions()) {
        if (!top->menu()) {
            menuBarItems << plain(top->text());
            continue;
        }
        for (const QAction* item : top->menu()->actions())
            subMenus[plain(top->text())] << plain(item->text());
    }
    QString text = HelpText();
    if (!document.isEmpty()) {
        QFile file(document);
        QVERIFY(file.open(QIODevice::ReadOnly));
        text = QString::fromUtf8(file.readAll());
    }

    int connects = 0;
    for (const QRegularExpressionMatch& path : QRegularExpression(inMenu).globalMatch(text)) {
        QVERIFY2(subMenus.value(path.captured(1)).contains(path.captured(2)),
                 qPrintable(path.captured(0)));
        connects += path.captured(2).startsWith(QLatin1String("Connect")) ? 1 : 0;
    }
    for (const QRegularExpressionMatch& item : QRegularExpression(onMenuBar).globalMatch(text)) {
        QVERIFY2(menuBarItems.contains(item.captured(1)), qPrintable(item.captured(0)));
        connects += item.captured(1).startsWith(QLatin1String("Connect")) ? 1 : 0;
    }
    QCOMPARE(connects, connectItems);
}

void TestAboutWindows::OpenByMenu(QAction* item, QDialog* window,
                                  std::function<void(QWidget*)> inside) {
    bool seen = false;
    QPointer<QTimer> poll = WhileModal(
        window, [window](QWidget* modal) { return modal == window; },
        [&seen, inside](QWidget* modal) {
            seen = true;
            inside(modal);
        });
    item->trigger();
    delete poll.data();
    QVERIFY2(seen, "the window did not come up modally");
    QVERIFY(!window->isVisible());
}

void TestAboutWindows::windowPosition_data() {
    QTest::addColumn<QString>("item");
    QTest::newRow("About") << "About1";
    QTest::newRow("Help") << "Programmhelp1";
}

void TestAboutWindows::windowPosition() {
    QFETCH(QString, item);
    CreateWindow();
    QAction* action = window_->findChild<QAction*>(item);
    QVERIFY(action);
    QDialog* dialog = item == QLatin1String("About1")
                          ? static_cast<QDialog*>(&*window_->findChild<TFormAboutProgr*>())
                          : static_cast<QDialog*>(&*window_->findChild<TForm_Help*>());
    // Moving the main window between showings moves the next one with it.
    for (const QPoint mainAt : {QPoint(0, 0), QPoint(120, 45), QPoint(333, 217)}) {
        window_->move(mainAt);
        QTRY_COMPARE_WITH_TIMEOUT(window_->pos(), mainAt, 5000);
        QPoint shownAt;
        bool modal = false;
        OpenByMenu(action, dialog, [&](QWidget* shown) {
            shownAt = shown->pos();
            modal = shown->isModal() && QApplication::activeModalWidget() == shown;
            shown->close();
        });
        QCOMPARE(shownAt, mainAt + QPoint(40, 70));
        QVERIFY(modal);
    }
}

void TestAboutWindows::aboutShowsVersionInfo() {
    CreateWindow();
    TFormAboutProgr& about = *window_->findChild<TFormAboutProgr*>();
    QCOMPARE(about.ui().LabelVersion->text(), QStringLiteral("1.1.1"));
    QCOMPARE(about.ui().LabelDateTime->text(), QStringLiteral("01-01-14 12:00"));
    QString version;
    QString date;
    OpenByMenu(Controls(*window_).get<QAction>("About1"), &about, [&](QWidget*) {
        version = about.ui().LabelVersion->text();
        date = about.ui().LabelDateTime->text();
        about.close();
    });
    const QStringList parts = QStringLiteral(RK_VERSION_STRING).split(QLatin1Char('.'));
    QCOMPARE(parts.size(), 4);
    QCOMPARE(version, QStringList({parts[0], parts[1], parts[3]}).join(QLatin1Char('.')));
    QCOMPARE(version, VersionLabelText(BuildVersion()));
    const QDateTime written = QFileInfo(QCoreApplication::applicationFilePath()).lastModified();
    QCOMPARE(date, DateLabelText(written, QLocale::system()));

    // Every showing works the labels out again.
    about.ui().LabelDateTime->setText(QStringLiteral("stale"));
    OpenByMenu(Controls(*window_).get<QAction>("About1"), &about, [&](QWidget*) {
        date = about.ui().LabelDateTime->text();
        about.close();
    });
    QCOMPARE(date, DateLabelText(written, QLocale::system()));
}

void TestAboutWindows::aboutCloses_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Exit button") << "exit";
    QTest::newRow("Enter") << "enter";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close box") << "close";
}

void TestAboutWindows::aboutCloses() {
    QFETCH(QString, how);
    CreateWindow();
    TFormAboutProgr& about = *window_->findChild<TFormAboutProgr*>();
    QVERIFY(about.ui().BitBtn1->isDefault());
    OpenByMenu(Controls(*window_).get<QAction>("About1"), &about, [&](QWidget*) {
        if (how == QLatin1String("exit"))
            QTest::mouseClick(about.ui().BitBtn1, Qt::LeftButton);
        else if (how == QLatin1String("enter"))
            QTest::keyClick(&about, Qt::Key_Return);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(&about, Qt::Key_Escape);
        else
            about.close();
    });
    // It is only hidden, and shows again.
    OpenByMenu(Controls(*window_).get<QAction>("About1"), &about, [&](QWidget*) { about.close(); });
}

void TestAboutWindows::helpCloses_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Exit button") << "exit";
    QTest::newRow("Return on Exit") << "return";
    QTest::newRow("keypad Enter on Exit") << "enter";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close box") << "close";
}

void TestAboutWindows::helpCloses() {
    QFETCH(QString, how);
    CreateWindow();
    TForm_Help& help = *window_->findChild<TForm_Help*>();
    bool stayedOnReturn = false;
    bool closed = false;
    OpenByMenu(Controls(*window_).get<QAction>("Programmhelp1"), &help, [&](QWidget*) {
        // The guide has no default button: Return in the text leaves it open.
        help.ui().Memo1->setFocus();
        QTest::keyClick(help.ui().Memo1, Qt::Key_Return);
        stayedOnReturn = help.isVisible();
        if (how == QLatin1String("exit")) {
            QTest::mouseClick(help.ui().Button1, Qt::LeftButton);
        } else if (how == QLatin1String("return") || how == QLatin1String("enter")) {
            help.ui().Button1->setFocus(Qt::TabFocusReason);
            QTest::keyClick(help.ui().Button1,
                            how == QLatin1String("return") ? Qt::Key_Return : Qt::Key_Enter,
                            how == QLatin1String("return") ? Qt::NoModifier : Qt::KeypadModifier);
        } else if (how == QLatin1String("escape")) {
            QTest::keyClick(help.ui().Memo1, Qt::Key_Escape);
        } else {
            help.close();
        }
        closed = !help.isVisible();
        // A key that closed nothing must not leave the modal loop running.
        help.close();
    });
    QVERIFY(stayedOnReturn);
    QVERIFY(closed);
}

void TestAboutWindows::authorBox_data() {
    QTest::addColumn<QString>("label");
    QTest::newRow("legal notice") << "Label3";
    QTest::newRow("maker") << "Label4";
}

void TestAboutWindows::authorBox() {
    QFETCH(QString, label);
    CreateWindow();
    TFormAboutProgr& about = *window_->findChild<TFormAboutProgr*>();
    QLabel* clicked = about.findChild<QLabel*>(label);
    QVERIFY(clicked);
    QCOMPARE(clicked->cursor().shape(), Qt::WhatsThisCursor);

    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QAbstractButton*> buttons;
    OpenByMenu(Controls(*window_).get<QAction>("About1"), &about, [&](QWidget*) {
        WhileModal(
            &about, [](QWidget* modal) { return qobject_cast<QMessageBox*>(modal) != nullptr; },
            [&](QWidget* modal) {
                auto* box = static_cast<QMessageBox*>(modal);
                caption = box->windowTitle();
                text = box->text();
                icon = box->icon();
                buttons = box->buttons();
                box->accept();
            });
        QTest::mouseClick(clicked, Qt::LeftButton);
        about.close();
    });
    QCOMPARE(caption, QStringLiteral("Сведения об авторе"));
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(text.split(QLatin1Char('\n')).size(), 3);
    QVERIFY(text.contains(QLatin1String("RK5720 LAN Config")));
}

void TestAboutWindows::aboutLayout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QString>("text");
    QTest::newRow("Label5") << "Label5" << QPoint(226, 17) << "RK5720 LAN_Config";
    QTest::newRow("Label8") << "Label8" << QPoint(224, 20) << "RK5720 LAN_Config";
    QTest::newRow("Label1") << "Label1" << QPoint(235, 70)
                            << "Programm for configuration of RK5720 LAN";
    QTest::newRow("Label2") << "Label2" << QPoint(227, 150) << "Version";
    QTest::newRow("LabelVersion") << "LabelVersion" << QPoint(280, 150) << "1.1.1";
    QTest::newRow("LabelDateTime") << "LabelDateTime" << QPoint(325, 150) << "01-01-14 12:00";
    QTest::newRow("Label3") << "Label3" << QPoint(227, 175) << "Copyright © 2026";
    QTest::newRow("Label4") << "Label4" << QPoint(321, 175) << "KORVENTA";
}

void TestAboutWindows::aboutLayout() {
    QFETCH(QString, name);
    QFETCH(QPoint, at);
    QFETCH(QString, text);
    TFormAboutProgr about;
    auto* label = about.findChild<QLabel*>(name);
    QVERIFY(label);
    QCOMPARE(label->parentWidget(), about.ui().Panel1);
    QCOMPARE(label->pos(), at);
    QCOMPARE(label->text(), text);
    // Nothing is cut at the panel's right edge.
    if (!label->wordWrap())
        QVERIFY(label->x() + label->fontMetrics().horizontalAdvance(text) <=
                about.ui().Panel1->width());
}

void TestAboutWindows::aboutLook() {
    TFormAboutProgr about;
    Ui::TFormAboutProgr& ui = about.ui();
    QCOMPARE(about.size(), QSize(529, 218));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QVERIFY(!about.windowIcon().isNull());
    QCOMPARE(about.palette().color(QPalette::Window), QColor(212, 212, 212));
    QCOMPARE(ui.Panel1->size(), QSize(517, 208));
    QCOMPARE(ui.Panel1->frameShadow(), QFrame::Sunken);
    QCOMPARE(ui.Shape1->geometry(), QRect(8, 16, 209, 177));
    QCOMPARE(ui.Image1->geometry(), QRect(19, 44, 185, 120));
    QVERIFY(!ui.Image1->pixmap().isNull());
    QCOMPARE(ui.BitBtn1->geometry(), QRect(427, 179, 80, 25));

    // A blue title over its aqua shadow, in a bold serif; the line below in italics.
    QVERIFY(ui.Label8->geometry().intersects(ui.Label5->geometry()));
    QVERIFY(ui.Panel1->children().indexOf(ui.Label8) > ui.Panel1->children().indexOf(ui.Label5));
    QCOMPARE(ui.Label8->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QCOMPARE(ui.Label5->palette().color(QPalette::WindowText), QColor(0, 255, 255));
    QVERIFY(ui.Label8->font().bold());
    QVERIFY(ui.Label8->fontMetrics().height() <= 32);
    QVERIFY(ui.Label8->fontMetrics().height() > 20);
    QVERIFY(ui.Label1->font().italic());
    QVERIFY(ui.Label1->wordWrap());

    // The frame: red outline, green hatch inside.
    const QImage shape = ui.Shape1->grab().toImage();
    QCOMPARE(shape.pixelColor(2, 88), QColor(Qt::red));
    QCOMPARE(shape.pixelColor(104, 2), QColor(Qt::red));
    bool hatch = false;
    for (int x = 6; x < 20 && !hatch; ++x)
        hatch = shape.pixelColor(x, 8) == QColor(0, 128, 0);
    QVERIFY(hatch);
}

void TestAboutWindows::helpLook() {
    TForm_Help help;
    Ui::TForm_Help& ui = help.ui();
    QCOMPARE(help.size(), QSize(548, 480));
    QCOMPARE(help.windowTitle(), QStringLiteral("RK5720ETH_Config Help"));
    QCOMPARE(ui.Memo1->geometry(), QRect(8, 8, 531, 431));
    QCOMPARE(ui.Button1->geometry(), QRect(459, 449, 75, 25));
    QVERIFY(ui.Memo1->isReadOnly());
    QCOMPARE(ui.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(ui.Memo1->palette().color(QPalette::Base), QColor(255, 255, 220));
    QCOMPARE(ui.Memo1->toPlainText(), HelpText());
    QVERIFY(ui.Memo1->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    int centred = 0;
    for (QTextBlock block = ui.Memo1->document()->begin(); block.isValid(); block = block.next()) {
        const bool marker = IsHelpMarkerLine(block.text());
        QCOMPARE(block.blockFormat().alignment() == Qt::AlignHCenter, marker);
        centred += marker ? 1 : 0;
    }
    QCOMPARE(centred, 4);
}

void TestAboutWindows::helpResizes() {
    TForm_Help help;
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    Ui::TForm_Help& ui = help.ui();
    for (const QSize size : {QSize(700, 600), QSize(400, 300), QSize(548, 480)}) {
        help.resize(size);
        QTRY_COMPARE_WITH_TIMEOUT(help.size(), size, 5000);
        QCOMPARE(ui.Memo1->geometry(), QRect(8, 8, size.width() - 17, size.height() - 49));
        QCOMPARE(ui.Button1->geometry(),
                 QRect(size.width() - 89, size.height() - 31, 75, ui.Button1->height()));
    }
}

void TestAboutWindows::accessibleNames_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("accessible");
    QTest::newRow("About window") << "about"
                                  << ""
                                  << "About";
    QTest::newRow("picture") << "about"
                             << "Image1"
                             << "Picture of the RK5720 LAN server";
    QTest::newRow("title") << "about"
                           << "Label8"
                           << "RK5720 LAN_Config";
    QTest::newRow("version label shows its value") << "about"
                                                   << "LabelVersion"
                                                   << "1.1.1";
    QTest::newRow("maker") << "about"
                           << "Label4"
                           << "KORVENTA";
    QTest::newRow("About's exit") << "about"
                                  << "BitBtn1"
                                  << "Exit";
    QTest::newRow("Help window") << "help"
                                 << ""
                                 << "RK5720ETH_Config Help";
    QTest::newRow("help text") << "help"
                               << "Memo1"
                               << "Help text";
    QTest::newRow("Help's exit") << "help"
                                 << "Button1"
                                 << "Exit";
}

void TestAboutWindows::accessibleNames() {
    QFETCH(QString, window);
    QFETCH(QString, name);
    QFETCH(QString, accessible);
    TFormAboutProgr about;
    TForm_Help help;
    QWidget* top = window == QLatin1String("about") ? static_cast<QWidget*>(&about) : &help;
    QWidget* widget = name.isEmpty() ? top : top->findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(AccessibleName(widget), accessible);
}

QTEST_MAIN(TestAboutWindows)
#include "tst_aboutwindows.moc"
