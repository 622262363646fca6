// The capture file's lines, and the replaying tracker that reads them.

#include <QTest>

#include "CaptureFormat.h"
#include "ReplayScript.h"

using capture::Direction;
using capture::Link;
using capture::Record;

Q_DECLARE_METATYPE(Direction)
Q_DECLARE_METATYPE(Link)

class TestSimReplay : public QObject {
    Q_OBJECT

private slots:
    void lineRoundTrip_data() {
        QTest::addColumn<Direction>("direction");
        QTest::addColumn<Link>("link");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("escaped");
        QTest::newRow("command") << Direction::Sent << Link::Udp << QByteArray("DXYPV")
                                 << QByteArray("DXYPV");
        QTest::newRow("serial reply")
            << Direction::Received << Link::Serial << QByteArray("< STAT 1 OK@25<PC")
            << QByteArray("< STAT 1 OK@25<PC");
        QTest::newRow("line ends, tab, backslash")
            << Direction::Received << Link::Tcp << QByteArray("a\\b\tc\r\n")
            << QByteArray("a\\\\b\\tc\\r\\n");
        QTest::newRow("NUL and 8-bit") << Direction::Received << Link::Udp
                                       << QByteArray("x\0\xBA\x7F\xFFy", 6)
                                       << QByteArray("x\\x00\\xBA\\x7F\\xFFy");
        QTest::newRow("blanks at both ends")
            << Direction::Sent << Link::Serial << QByteArray("  @PC>25 STAT  ")
            << QByteArray("  @PC>25 STAT \\x20");
        QTest::newRow("one blank") << Direction::Sent << Link::Udp << QByteArray(" ")
                                   << QByteArray("\\x20");
    }

    void lineRoundTrip() {
        QFETCH(Direction, direction);
        QFETCH(Link, link);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, escaped);
        const Record r{1733650600123, direction, link, bytes};
        const QByteArray line = capture::formatLine(r);
        QVERIFY2(line.endsWith(" " + escaped), line.constData());
        for (const char c : line) QVERIFY(uchar(c) >= 0x20 && uchar(c) < 0x7F);
        QCOMPARE(line.left(25), QByteArray("2024-12-08T09:36:40.123Z "));
        const std::optional<Record> back = capture::parseLine(line + "\r\n");
        QVERIFY(back.has_value());
        QVERIFY(*back == r);
    }

    void malformedLines_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("comment") << QByteArray("# antenna-tracker-studio capture, format 1");
        QTest::newRow("no bytes field") << QByteArray("2024-12-08T09:36:40.123Z tx udp");
        QTest::newRow("bad time") << QByteArray("yesterday tx udp STAT");
        QTest::newRow("bad direction") << QByteArray("2024-12-08T09:36:40.123Z up udp STAT");
        QTest::newRow("bad link") << QByteArray("2024-12-08T09:36:40.123Z tx can STAT");
        QTest::newRow("two blanks after time") << QByteArray("2024-12-08T09:36:40.123Z  tx udp STAT");
        QTest::newRow("unknown escape") << QByteArray("2024-12-08T09:36:40.123Z rx udp a\\q");
        QTest::newRow("cut hex escape") << QByteArray("2024-12-08T09:36:40.123Z rx udp a\\x4");
        QTest::newRow("bad hex digit") << QByteArray("2024-12-08T09:36:40.123Z rx udp \\xG0");
        QTest::newRow("backslash at end") << QByteArray("2024-12-08T09:36:40.123Z rx udp a\\");
        QTest::newRow("raw tab") << QByteArray("2024-12-08T09:36:40.123Z rx udp a\tb");
        QTest::newRow("raw 8-bit") << QByteArray("2024-12-08T09:36:40.123Z rx udp \xBA");
    }

    void malformedLines() {
        QFETCH(QByteArray, line);
        QVERIFY(!capture::parseLine(line).has_value());
    }

    // What the replaying tracker answers, command after command, on a network link (n) or the
    // serial line (s). "-" stands for no answer.
    void replay_data() {
        QTest::addColumn<QByteArray>("capture");
        QTest::addColumn<QByteArrayList>("exchanges");  // "n DXYPV=..." or "s DXYPV=..."
        const QByteArray t = "2024-12-08T09:36:40.123Z ";
        QTest::newRow("queues per command, last repeated")
            << t + "tx udp DXYPV\n" + t + "rx udp < DXYPV 1 OK\n" + t + "tx udp STAT\n" + t +
                   "rx udp < STAT 9 OK\n" + t + "tx udp DXYPV\n" + t + "rx udp < DXYPV 2 OK\n"
            << QByteArrayList{"n DXYPV=< DXYPV 1 OK", "n DXYPV=< DXYPV 2 OK",
                              "n STAT=< STAT 9 OK", "n DXYPV=< DXYPV 2 OK", "n STAT=< STAT 9 OK"};
        QTest::newRow("blocks of one reply joined, serial marker kept on the pty")
            << t + "tx com @PC>25 STAT\n" + t + "rx com < STAT 1\n" + t + "rx com  2 OK@25<PC\n"
            << QByteArrayList{"s STAT=< STAT 1 2 OK@25<PC", "s  STAT\\r\\n=< STAT 1 2 OK@25<PC"};
        QTest::newRow("serial capture over the network loses the marker")
            << t + "tx com @PC>25 STAT\n" + t + "rx com < STAT 1 OK@25<PC\n"
            << QByteArrayList{"n STAT=< STAT 1 OK"};
        QTest::newRow("network capture over the pty gains the marker")
            << t + "tx tcp STAT\n" + t + "rx tcp < STAT 1 OK\n"
            << QByteArrayList{"s STAT=< STAT 1 OK@25<PC"};
        QTest::newRow("silent and unknown commands, replies before any command")
            << t + "rx udp < IP8 OK\n" + t + "tx udp IP8\n" + t + "tx udp HOME 1,G\n" + t +
                   "rx udp < HOME 1 OK\n"
            << QByteArrayList{"n IP8=-", "n HOME 1,G=< HOME 1 OK", "n HOME 2,G=-", "n =-"};
        QTest::newRow("broken lines skipped, the rest kept")
            << "# capture\n" + t + "tx udp STAT\nrubbish\n" + t + "rx udp < STAT \\q\n" + t +
                   "rx udp < STAT 3 OK\r\n"
            << QByteArrayList{"n STAT=< STAT 3 OK"};
    }

    void replay() {
        QFETCH(QByteArray, capture);
        QFETCH(QByteArrayList, exchanges);
        ReplayScript script;
        script.read(capture);
        for (const QByteArray& e : exchanges) {
            const qsizetype eq = e.indexOf('=');
            const QByteArray command = capture::unescape(e.mid(2, eq - 2)).value_or("?");
            const QByteArray expected = e.mid(eq + 1) == "-" ? QByteArray() : e.mid(eq + 1);
            QCOMPARE(script.answer(command, e.startsWith('s')), expected);
        }
        if (QByteArray(QTest::currentDataTag()).startsWith("broken")) {
            QCOMPARE(script.skippedLines(), 2);
            QCOMPARE(script.firstSkippedLine(), 3);
        }
    }
};

QTEST_GUILESS_MAIN(TestSimReplay)
#include "tst_sim_replay.moc"
