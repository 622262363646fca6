// The command console on the real list of the main window: the banner stays first, old lines
// give way, and long texts wrap once at 80 characters.

#include <QTest>

#include "LineList.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const QString kBanner = QStringLiteral("V1.70 8-11-24");

LineList* consoleList(ConsoleFixture& f) {
    return qobject_cast<LineList*>(f.controls().widget(mainwindow::kConsole));
}

QStringList items(LineList* list) { return list->lines(); }

/// A text whose every character tells its position: position i (0-based) holds one of 62
/// letters and digits, so a shifted slice never matches by accident for short slices.
QString numberedText(int length) {
    static const QString alphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    QString s;
    for (int i = 0; i < length; ++i) s += alphabet[(i * 7 + i / 62) % alphabet.size()];
    return s;
}

}  // namespace

class ConsoleList : public QObject {
    Q_OBJECT
private slots:
    void bannerIsTheOnlyLineAfterStart() {
        ConsoleFixture f;
        LineList* list = consoleList(f);
        QVERIFY(list);
        QCOMPARE(items(list), QStringList{kBanner});
    }

    void wrapsAtEightyCharacters_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("secondStart");   // 1-based first character of the second item
        QTest::addColumn<int>("secondLength");  // 0: one item only
        QTest::newRow("empty") << 0 << 0 << 0;
        QTest::newRow("79 characters") << 79 << 0 << 0;
        QTest::newRow("80 characters") << 80 << 80 << 1;
        QTest::newRow("81 characters") << 81 << 80 << 2;
        QTest::newRow("159 characters") << 159 << 80 << 80;
        QTest::newRow("160 characters") << 160 << 80 << 80;
        QTest::newRow("200 characters") << 200 << 80 << 80;
    }

    void wrapsAtEightyCharacters() {
        QFETCH(int, length);
        QFETCH(int, secondStart);
        QFETCH(int, secondLength);
        ConsoleFixture f;
        const QString text = numberedText(length);
        f.app().console().append(text);

        const QStringList got = items(consoleList(f));
        QCOMPARE(got.first(), kBanner);
        if (secondLength == 0) {
            QCOMPARE(got.size(), 2);
            QCOMPARE(got[1], text);
            return;
        }
        QCOMPARE(got.size(), 3);
        QCOMPARE(got[1].size(), 81);
        QCOMPARE(got[1], text.left(80) + u'-');
        QCOMPARE(got[2].size(), secondLength);
        QCOMPARE(got[2], text.mid(secondStart - 1, secondLength));
        // Character 80 is on both lines.
        QCOMPARE(got[2].front(), text[79]);
        QCOMPARE(got[1][79], text[79]);
    }

    void neverMoreThanThirtyFiveItems() {
        ConsoleFixture f;
        LineList* list = consoleList(f);
        for (int i = 0; i < 120; ++i) {
            // Every third text is long and becomes two items.
            const QString text =
                QStringLiteral("line %1 ").arg(i) + (i % 3 == 2 ? numberedText(100) : QString());
            f.app().console().append(text);
            QVERIFY2(list->count() <= 35, qPrintable(QString::number(list->count())));
            QCOMPARE(list->line(0), kBanner);
            const QString last = list->line(list->count() - 1);
            if (text.size() < 80)
                QCOMPARE(last, text);
            else
                QCOMPARE(last, text.mid(79, 80));
        }
        // Before the last append the list held 33 kept items plus at most two new.
        QVERIFY(list->count() >= 34);
    }

    void oldestLinesGiveWayFirst() {
        ConsoleFixture f;
        LineList* list = consoleList(f);
        for (int i = 1; i <= 33; ++i) f.app().console().append(QStringLiteral("old %1").arg(i));
        QCOMPARE(list->count(), 34);

        // 34 items: the oldest after the banner goes, the long text adds two.
        f.app().console().append(numberedText(120));
        QCOMPARE(list->count(), 35);
        QCOMPARE(list->line(0), kBanner);
        QCOMPARE(list->line(1), QStringLiteral("old 2"));
        QCOMPARE(list->line(32), QStringLiteral("old 33"));

        // 35 items: two go, one comes.
        f.app().console().append(QStringLiteral("new"));
        QCOMPARE(list->count(), 34);
        QCOMPARE(list->line(1), QStringLiteral("old 4"));
        QCOMPARE(list->line(33), QStringLiteral("new"));
    }

    void atMostThirtyFourRemovedInOneAppend() {
        ConsoleFixture f;
        LineList* list = consoleList(f);
        // Lines that did not come through the console (the list is the same widget).
        for (int i = 1; i <= 99; ++i) list->appendLines({QStringLiteral("extra %1").arg(i)});
        QCOMPARE(list->count(), 100);
        f.app().console().append(QStringLiteral("after"));
        QCOMPARE(list->count(), 100 - 34 + 1);
        QCOMPARE(list->line(0), kBanner);
        QCOMPARE(list->line(1), QStringLiteral("extra 35"));
        // The next append trims again, down to 33 before adding.
        f.app().console().append(QStringLiteral("again"));
        QCOMPARE(list->count(), 34);
        QCOMPARE(list->line(0), kBanner);
        QCOMPARE(list->line(33), QStringLiteral("again"));
    }

    void receivedBlocksAndEchoesUseTheSameRules() {
        ConsoleFixture f;
        LineList* list = consoleList(f);
        // A long block that is no reply: the mark, then the block in two items.
        const QByteArray block = "< " + numberedText(198).toLatin1();
        f.app().processReceivedChunk(block);
        QCOMPARE(items(list).mid(1),
                 (QStringList{QStringLiteral(" <"), QString::fromLatin1(block.left(80)) + u'-',
                              QString::fromLatin1(block.mid(79, 80))}));
        // Echoed commands, many of them: the banner stays.
        f.click(49);
        QVERIFY(f.app().state().echoCommands);
        for (int i = 0; i < 60; ++i) f.app().sendCommand(QStringLiteral("CMD %1").arg(i));
        QCOMPARE(list->line(0), kBanner);
        QVERIFY(list->count() <= 35);
        QCOMPARE(list->line(list->count() - 1), QStringLiteral("CMD 59"));
    }
};

QTEST_MAIN(ConsoleList)
#include "tst_console_list.moc"
