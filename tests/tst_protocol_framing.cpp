#include <QTest>

#include "Framing.h"

namespace {

QStringList words(const ReplyFields& fields) {
    QStringList out;
    for (int i = 1; i < ReplyFields::kCount && !fields[i].isEmpty(); ++i) out << fields[i];
    return out;
}

QStringList numberedWords(int from, int to) {
    QStringList out;
    for (int i = from; i <= to; ++i) out << QStringLiteral("w%1").arg(i);
    return out;
}

}  // namespace

class TestFraming : public QObject {
    Q_OBJECT

private slots:
    void split_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("leading blank, double blank")
            << " DXYPV  12.5 30 OK" << QStringList{"DXYPV", "12.5", "30", "OK"};
        QTest::newRow("single word") << "OK" << QStringList{"OK"};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("blanks only") << "    " << QStringList{};
        QTest::newRow("trailing blanks") << "A B   " << QStringList{"A", "B"};
        QTest::newRow("CR LF stay in words") << "STAT 1\r\nOK\r\n"
                                             << QStringList{"STAT", "1\r\nOK\r\n"};
        QTest::newRow("tab is no separator") << "A\tB C" << QStringList{"A\tB", "C"};
        QTest::newRow("thirty words") << numberedWords(1, 30).join(u' ') << numberedWords(1, 30);
        QTest::newRow("thirty-one words")
            << numberedWords(1, 31).join(u' ') << numberedWords(1, 30);
        QTest::newRow("forty words, runs of blanks")
            << (QStringLiteral("   ") + numberedWords(1, 40).join(QStringLiteral("  ")))
            << numberedWords(1, 30);
    }
    void split() {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        ReplyFields fields;
        splitReplyFields(text, u' ', fields);
        QCOMPARE(words(fields), expected);
        QVERIFY(fields[0].isEmpty());
        for (int i = int(expected.size()) + 1; i < ReplyFields::kCount; ++i)
            QVERIFY2(fields[i].isEmpty(), qPrintable(QString::number(i)));
    }

    void splitClearsThePreviousReply() {
        ReplyFields fields;
        splitReplyFields(numberedWords(1, 30).join(u' '), u' ', fields);
        QCOMPARE(fields[30], QStringLiteral("w30"));
        splitReplyFields(u"STAT 1 2 OK", u' ', fields);
        QCOMPARE(words(fields), (QStringList{"STAT", "1", "2", "OK"}));
        for (int i = 5; i < ReplyFields::kCount; ++i) QVERIFY(fields[i].isEmpty());
        splitReplyFields(u"", u' ', fields);
        QVERIFY(words(fields).isEmpty());
    }

    void splitOtherSeparator() {
        ReplyFields fields;
        splitReplyFields(u",,a b,,c,", u',', fields);
        QCOMPARE(words(fields), (QStringList{"a b", "c"}));
    }

    void frame_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("serial");
        QTest::addColumn<bool>("parse");
        QTest::addColumn<bool>("mark");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("console");

        QTest::newRow("serial with marker")
            << QByteArray("@25<PC< AB 1 2 OK") << true << true << false << "AB 1 2 OK"
            << "< AB 1 2 OK";
        QTest::newRow("serial marker at the end")
            << QByteArray("< AB 1 2 OK@25<PC") << true << true << false << "AB 1 2 OK"
            << "< AB 1 2 OK";
        QTest::newRow("serial marker twice")
            << QByteArray("@25<PC< A OK@25<PC") << true << true << false << "A OK"
            << "< A OK";
        QTest::newRow("serial without marker")
            << QByteArray("< AB 1 2 OK") << true << false << true << ""
            << "< AB 1 2 OK";
        QTest::newRow("serial with the prefix, not the marker")
            << QByteArray("@PC>25< AB OK") << true << false << true << ""
            << "@PC>25< AB OK";
        QTest::newRow("network") << QByteArray("< AB 1 2 OK") << false << true << false
                                 << "AB 1 2 OK"
                                 << "< AB 1 2 OK";
        QTest::newRow("network keeps a marker")
            << QByteArray("@25<PC< A OK") << false << true << false << "@25<PCA OK"
            << "@25<PC< A OK";
        QTest::newRow("no OK") << QByteArray("< AB 1 2") << false << false << true << ""
                               << "< AB 1 2";
        QTest::newRow("no reply marker") << QByteArray("AB 1 2 OK") << false << false << true << ""
                                         << "AB 1 2 OK";
        QTest::newRow("every reply marker removed")
            << QByteArray("< A < B OK") << false << true << false << "A B OK"
            << "< A < B OK";
        QTest::newRow("OK inside a word")
            << QByteArray("< OKAY") << false << true << false << "OKAY"
            << "< OKAY";
        QTest::newRow("OK only after the marker is removed")
            << QByteArray("< O< K") << false << true << false << "OK"
            << "< O< K";
        QTest::newRow("lower-case ok") << QByteArray("< A ok") << false << false << true << ""
                                       << "< A ok";
        QTest::newRow("line end kept")
            << QByteArray("< A OK\r\n") << false << true << false << "A OK\r\n"
            << "< A OK\r\n";
        QTest::newRow("254 characters")
            << (QByteArray("< OK ") + QByteArray(249, 'x')) << false << true << false
            << ("OK " + QString(249, u'x')) << ("< OK " + QString(249, u'x'));
        QTest::newRow("255 characters") << (QByteArray("< OK ") + QByteArray(250, 'x')) << false
                                        << false << false << "" << ("< OK " + QString(250, u'x'));
        QTest::newRow("1000 characters") << (QByteArray("< OK ") + QByteArray(995, 'x')) << false
                                         << false << false << "" << ("< OK " + QString(995, u'x'));
        QTest::newRow("serial length counted without the marker")
            << (QByteArray("@25<PC< OK ") + QByteArray(249, 'x')) << true << true << false
            << ("OK " + QString(249, u'x')) << ("< OK " + QString(249, u'x'));
        QTest::newRow("zero byte ends the text")
            << QByteArray("< A OK\0< B", 10) << false << true << false << "A OK"
            << "< A OK";
        QTest::newRow("zero byte before OK")
            << QByteArray("< A \0OK", 7) << false << false << true << ""
            << "< A ";
        QTest::newRow("zero byte first")
            << QByteArray("\0< A OK", 7) << false << false << true << ""
            << "";
        QTest::newRow("empty block") << QByteArray() << false << false << true << ""
                                     << "";
        QTest::newRow("Latin-1 degree sign")
            << QByteArray("< TEMP T:25\xBA OK") << false << true << false
            << QStringLiteral("TEMP T:25\u00BA OK") << QStringLiteral("< TEMP T:25\u00BA OK");
        QTest::newRow("high bytes one character each")
            << QByteArray("< \xFF\xE9 OK") << false << true << false
            << QStringLiteral("\u00FF\u00E9 OK") << QStringLiteral("< \u00FF\u00E9 OK");
    }
    void frame() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, serial);
        QFETCH(bool, parse);
        QFETCH(bool, mark);
        QFETCH(QString, reply);
        QFETCH(QString, console);
        const FramedBlock b = frameBlock(bytes, serial);
        QCOMPARE(b.parse, parse);
        QCOMPARE(b.markUnparsed, mark);
        QCOMPARE(b.reply, reply);
        QCOMPARE(b.consoleText, console);
        QVERIFY(!(b.parse && b.markUnparsed));
    }

    void parsedSerialBlockSplitsIntoItsWords() {
        const FramedBlock b = frameBlock("@25<PC< AB 1 2 OK", true);
        QVERIFY(b.parse);
        ReplyFields fields;
        splitReplyFields(b.reply, u' ', fields);
        QCOMPARE(words(fields), (QStringList{"AB", "1", "2", "OK"}));
    }
};

QTEST_APPLESS_MAIN(TestFraming)
#include "tst_protocol_framing.moc"
