#include <QTest>
#include <limits>

#include "Coordinates.h"
#include "Numbers.h"

class TestCoordinates : public QObject {
    Q_OBJECT

private slots:
    void format_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << "0" << QStringLiteral("0.0000000\u00BA");
        QTest::newRow("5") << "5" << QStringLiteral("0.0000005\u00BA");
        QTest::newRow("-5") << "-5" << QStringLiteral("-0.0000005\u00BA");
        QTest::newRow("12345") << "12345" << QStringLiteral("0.0012345\u00BA");
        QTest::newRow("seven digits") << "1234567" << QStringLiteral("0.1234567\u00BA");
        QTest::newRow("seven digits negative") << "-1234567" << QStringLiteral("-0.1234567\u00BA");
        QTest::newRow("eight digits") << "12345678" << QStringLiteral("1.2345678\u00BA");
        QTest::newRow("eight digits negative") << "-12345678" << QStringLiteral("-1.2345678\u00BA");
        QTest::newRow("one degree") << "10000000" << QStringLiteral("1.0000000\u00BA");
        QTest::newRow("latitude") << "415678901" << QStringLiteral("41.5678901\u00BA");
        QTest::newRow("longitude") << "-37654321" << QStringLiteral("-3.7654321\u00BA");
        QTest::newRow("180 degrees") << "-1800000000" << QStringLiteral("-180.0000000\u00BA");
        QTest::newRow("64-bit max")
            << "9223372036854775807" << QStringLiteral("922337203685.4775807\u00BA");
        QTest::newRow("64-bit min")
            << "-9223372036854775808" << QStringLiteral("-922337203685.4775808\u00BA");
        QTest::newRow("past 64 bits saturates")
            << "-99999999999999999999" << QStringLiteral("-922337203685.4775808\u00BA");
        QTest::newRow("integer reading") << " 12x" << QStringLiteral("0.0000012\u00BA");
        QTest::newRow("already decimal") << "41.5" << QStringLiteral("0.0000041\u00BA");
        QTest::newRow("no number") << "abc" << QStringLiteral("0.0000000\u00BA");
        QTest::newRow("empty") << "" << QStringLiteral("0.0000000\u00BA");
        QTest::newRow("negative zero") << "-0" << QStringLiteral("0.0000000\u00BA");
    }
    void format() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(formatCoordinate(text), expected);
    }

    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("formatted") << QStringLiteral("41.5678901\u00BA") << "415678901";
        QTest::newRow("short fraction") << "-3.5"
                                        << "-35000000";
        QTest::newRow("whole degrees") << "41"
                                       << "410000000";
        QTest::newRow("below one degree") << QStringLiteral("-0.1234567\u00BA") << "-1234567";
        QTest::newRow("long fraction cut") << "41.123456789"
                                           << "411234567";
        QTest::newRow("no integer part") << ".5"
                                         << "5000000";
        QTest::newRow("negative, no integer part") << "-.5"
                                                   << "-5000000";
        QTest::newRow("trailing point") << "7."
                                        << "70000000";
        QTest::newRow("every degree sign removed")
            << QStringLiteral("\u00BA4\u00BA1.5\u00BA") << "415000000";
        QTest::newRow("blanks before") << "  12.25"
                                       << "122500000";
        QTest::newRow("second point") << "1.2.3"
                                      << "12";
        QTest::newRow("comma is no point") << "41,5"
                                           << "41";
        QTest::newRow("empty") << ""
                               << "0";
        QTest::newRow("no number") << "abc"
                                   << "0";
        QTest::newRow("other degree sign stops the digits")
            << QStringLiteral("41.5\u00B0") << "415";
        QTest::newRow("past 64 bits") << "99999999999999.5"
                                      << "9223372036854775807";
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(parseCoordinate(text), expected);
    }

    void roundTrip_data() {
        QTest::addColumn<qint64>("n");
        for (const qint64 n :
             {qint64(0), qint64(5), qint64(-5), qint64(1234567), qint64(-1234567), qint64(12345678),
              qint64(-12345678), qint64(415678901), qint64(-37654321), qint64(9999999),
              qint64(-10000000), std::numeric_limits<qint64>::max(),
              std::numeric_limits<qint64>::min()})
            QTest::newRow(qPrintable(QString::number(n))) << n;
    }
    void roundTrip() {
        QFETCH(qint64, n);
        QCOMPARE(parseCoordinate(formatCoordinate(num::writeInt(n))), num::writeInt(n));
    }
};

QTEST_APPLESS_MAIN(TestCoordinates)
#include "tst_protocol_coordinates.moc"
