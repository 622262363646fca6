// The command console (control 1): the banner stays first, old lines give way, long texts wrap
// once at 80 characters. Checked on the real list widget of a started console.

#include <QListWidget>
#include <QTest>

#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const QString kBanner = QStringLiteral("V1.70 8-11-24");

/// A text of `n` characters where character i (1-based) can be recognised: digits cycling,
/// with a letter at every tenth position.
QString numbered(int n)
{
    QString s;
    for (int i = 1; i <= n; ++i) s += i % 10 == 0 ? QChar(u'A' + (i / 10) % 26) : QChar(u'0' + i % 10);
    return s;
}

/// The items one text should become.
QStringList expectedItems(const QString& text)
{
    if (text.size() < 80) return {text};
    return {text.left(80) + u'-', text.mid(79, 80)};
}

QStringList items(QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

}  // namespace

class ConsoleTest : public QObject {
    Q_OBJECT
private slots:
    void bannerIsTheFirstLineAfterStartUp()
    {
        ConsoleFixture f;
        auto* list = qobject_cast<QListWidget*>(f.controls().widget(mainwindow::kConsole));
        QVERIFY(list);
        QCOMPARE(items(list), QStringList{kBanner});
    }

    void longTextsWrapOnce_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QStringList>("expected");
        const QString t = numbered(200);
        QTest::newRow("empty") << 0 << QStringList{QString()};
        QTest::newRow("79") << 79 << QStringList{t.left(79)};
        // Character 80 ends the first line (before the "-") and starts the second.
        QTest::newRow("80") << 80 << QStringList{t.left(80) + u'-', t.mid(79, 1)};
        QTest::newRow("81") << 81 << QStringList{t.left(80) + u'-', t.mid(79, 2)};
        QTest::newRow("159") << 159 << QStringList{t.left(80) + u'-', t.mid(79, 80)};
        QTest::newRow("160") << 160 << QStringList{t.left(80) + u'-', t.mid(79, 80)};
        QTest::newRow("200") << 200 << QStringList{t.left(80) + u'-', t.mid(79, 80)};
    }

    void longTextsWrapOnce()
    {
        QFETCH(int, length);
        QFETCH(QStringList, expected);
        ConsoleFixture f;
        auto* list = qobject_cast<QListWidget*>(f.controls().widget(mainwindow::kConsole));
        f.app().console().append(numbered(length));
        QCOMPARE(items(list), QStringList{kBanner} + expected);
        if (length >= 80) {
            // The second line runs from character 80 to at most character 159.
            QCOMPARE(list->item(2)->text().front(), numbered(80).back());
            QVERIFY(list->item(2)->text().size() <= 80);
        }
    }

    void oldLinesGiveWayAndTheBannerStays()
    {
        ConsoleFixture f;
        auto* list = qobject_cast<QListWidget*>(f.controls().widget(mainwindow::kConsole));
        Console& console = f.app().console();
        QStringList appended;
        for (int i = 0; i < 100; ++i) {
            // Every seventh text is long and becomes two items.
            const QString text = i % 7 == 3 ? QStringLiteral("L%1 ").arg(i) + numbered(150)
                                            : QStringLiteral("L%1").arg(i);
            console.append(text);
            appended << expectedItems(text);
            QVERIFY2(list->count() <= 35, qPrintable(QString::number(list->count())));
            QCOMPARE(list->item(0)->text(), kBanner);
            // Whatever is kept is the newest tail of what was appended, in order.
            const QStringList kept = items(list).mid(1);
            QCOMPARE(kept, appended.mid(appended.size() - kept.size()));
        }
        // With one-item appends the list settles at 34 items: 33 kept plus the new one.
        for (int i = 0; i < 5; ++i) console.append(QStringLiteral("short %1").arg(i));
        QCOMPARE(list->count(), 34);
        QCOMPARE(list->item(33)->text(), QStringLiteral("short 4"));
        QCOMPARE(list->item(29)->text(), QStringLiteral("short 0"));
        console.append(numbered(200));
        QCOMPARE(list->count(), 35);
        QCOMPARE(list->item(0)->text(), kBanner);
        QCOMPARE(list->item(34)->text(), numbered(200).mid(79, 80));
        console.append(QStringLiteral("after"));
        QCOMPARE(list->count(), 34);
        QCOMPARE(list->item(33)->text(), QStringLiteral("after"));
    }

    void atMost34ItemsGoPerAppend()
    {
        // A list overfilled from outside the console shrinks by at most 34 per append.
        ConsoleFixture f;
        auto* list = qobject_cast<QListWidget*>(f.controls().widget(mainwindow::kConsole));
        for (int i = 0; i < 80; ++i) list->addItem(QStringLiteral("x%1").arg(i));
        QCOMPARE(list->count(), 81);
        f.app().console().append(QStringLiteral("one"));
        QCOMPARE(list->count(), 81 - 34 + 1);
        QCOMPARE(list->item(0)->text(), kBanner);
        QCOMPARE(list->item(1)->text(), QStringLiteral("x34"));
        f.app().console().append(QStringLiteral("two"));
        QCOMPARE(list->count(), 34);
        QCOMPARE(list->item(0)->text(), kBanner);
    }

    void receivedBlocksAndEchoedCommandsReachTheList()
    {
        ConsoleFixture f;
        auto* list = qobject_cast<QListWidget*>(f.controls().widget(mainwindow::kConsole));
        f.app().sendCommand(QStringLiteral("STAT"));  // no echo yet
        f.click(49);
        QVERIFY(f.app().state().echoCommands);
        f.app().sendCommand(QStringLiteral("STAT"));  // no link: echoed all the same
        f.app().processReceivedChunk(networkReply("DXYPV 1 2 OK"));
        f.app().processReceivedChunk("no marker");
        QCOMPARE(items(list), (QStringList{kBanner, "STAT", "< DXYPV 1 2 OK", " <", "no marker"}));
        // A received text of 200 characters wraps like any other.
        f.app().processReceivedChunk(numbered(200).toLatin1());
        QCOMPARE(list->count(), 8);
        QCOMPARE(list->item(5)->text(), QStringLiteral(" <"));
        QCOMPARE(list->item(6)->text(), numbered(80) + u'-');
        QCOMPARE(list->item(7)->text(), numbered(200).mid(79, 80));
    }
};

QTEST_MAIN(ConsoleTest)
#include "tst_console.moc"
