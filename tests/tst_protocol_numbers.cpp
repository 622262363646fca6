#include <QLocale>
#include <QTest>
#include <clocale>
#include <cmath>
#include <limits>

#include "Numbers.h"

namespace {

constexpr qint64 kMax64 = std::numeric_limits<qint64>::max();
constexpr qint64 kMin64 = std::numeric_limits<qint64>::min();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int kMaxInt = std::numeric_limits<int>::max();
constexpr int kMinInt = std::numeric_limits<int>::min();

bool sameFloat(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

}  // namespace

class TestNumbers : public QObject {
    Q_OBJECT

private slots:
    void readInt_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("fraction cut") << "12.7" << qint64(12);
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("blanks sign garbage") << "  -42x" << qint64(-42);
        QTest::newRow("tab plus") << "\t+7" << qint64(7);
        QTest::newRow("no digits") << "abc" << qint64(0);
        QTest::newRow("sign only") << "-" << qint64(0);
        QTest::newRow("blank after sign") << "- 5" << qint64(0);
        QTest::newRow("two signs") << "+-5" << qint64(0);
        QTest::newRow("leading zeros") << "0009" << qint64(9);
        QTest::newRow("negative zero") << "-0" << qint64(0);
        QTest::newRow("newline is no blank") << "\n5" << qint64(0);
        QTest::newRow("non-ASCII digit") << QStringLiteral("\u0663") << qint64(0);
        QTest::newRow("hex") << "$FF" << qint64(255);
        QTest::newRow("hex lower") << "$ff" << qint64(255);
        QTest::newRow("hex stops at g") << "$1g" << qint64(1);
        QTest::newRow("hex negative") << "-$10" << qint64(-16);
        QTest::newRow("hex empty") << "$" << qint64(0);
        QTest::newRow("binary") << "%101" << qint64(5);
        QTest::newRow("binary stops at 2") << "%102" << qint64(2);
        QTest::newRow("max") << "9223372036854775807" << kMax64;
        QTest::newRow("max + 1") << "9223372036854775808" << kMax64;
        QTest::newRow("min exact") << "-9223372036854775808" << kMin64;
        QTest::newRow("min - 1") << "-9223372036854775809" << kMin64;
        QTest::newRow("20 digits") << "12345678901234567890" << kMax64;
        QTest::newRow("20 digits negative") << "-12345678901234567890" << kMin64;
        QTest::newRow("300 digits") << QString(300, u'9') << kMax64;
        QTest::newRow("300 digits negative") << (u'-' + QString(300, u'9')) << kMin64;
        QTest::newRow("300 digits then text")
            << (QString(300, u'7') + QStringLiteral("x1")) << kMax64;
        QTest::newRow("hex overflow") << "$FFFFFFFFFFFFFFFFF" << kMax64;
        QTest::newRow("hex max") << "$7FFFFFFFFFFFFFFF" << kMax64;
        QTest::newRow("hex min") << "-$8000000000000000" << kMin64;
        QTest::newRow("binary overflow") << (u'%' + QString(70, u'1')) << kMax64;
    }
    void readInt() {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        QCOMPARE(num::readInt(text), expected);
    }

    void readDecimal_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("expected");
        QTest::newRow("whole") << "1234" << 1234.0f;
        QTest::newRow("negative fraction only") << "-.5" << -0.5f;
        QTest::newRow("trailing point") << "12." << 12.0f;
        QTest::newRow("point only") << "." << 0.0f;
        QTest::newRow("empty") << "" << 0.0f;
        QTest::newRow("no number") << "abc" << 0.0f;
        QTest::newRow("sign only") << "-" << 0.0f;
        QTest::newRow("leading blank") << " 2.25" << 2.25f;
        QTest::newRow("plus") << "+3.5" << 3.5f;
        QTest::newRow("exponent is no part") << "1e5" << 1.0f;
        QTest::newRow("comma is no point") << "3,5" << 3.0f;
        QTest::newRow("tenth") << "0.1" << 0.1f;
        QTest::newRow("+Infinity") << "+Infinity" << kInf;
        QTest::newRow("-INFINITY") << "-INFINITY" << -kInf;
        QTest::newRow("nan") << "nan" << kNaN;
        QTest::newRow("NaN") << "NaN" << kNaN;
        QTest::newRow("blanks around NaN") << " nAn " << kNaN;
        QTest::newRow("nano is no word") << "nano" << 0.0f;
        QTest::newRow("NaN5 is no word") << "NaN5" << 0.0f;
        QTest::newRow("+Infinity7") << "+Infinity7" << 0.0f;
        QTest::newRow("-infinite") << "-infinite" << 0.0f;
        QTest::newRow("Infinity without sign") << "Infinity" << 0.0f;
        QTest::newRow("400 digits") << QString(400, u'9') << kInf;
        QTest::newRow("400 digits negative") << (u'-' + QString(400, u'9')) << -kInf;
        QTest::newRow("past float, inside double") << (u'1' + QString(39, u'0')) << kInf;
        QTest::newRow("float max")
            << "340282346638528859811704183484516925440" << std::numeric_limits<float>::max();
        QTest::newRow("tiny fraction")
            << (QStringLiteral("0.") + QString(400, u'0') + u'1') << 0.0f;
        QTest::newRow("tiny negative fraction")
            << (QStringLiteral("-0.") + QString(400, u'0') + u'1') << 0.0f;
        QTest::newRow("many leading zeros") << (QString(400, u'0') + u'7') << 7.0f;
        // Just above the midpoint between 1 and the next float: the nearest float is the upper
        // one, which a detour through double would miss.
        QTest::newRow("no double rounding")
            << "1.0000000596046447753906250001" << std::nextafter(1.0f, 2.0f);
    }
    void readDecimal() {
        QFETCH(QString, text);
        QFETCH(float, expected);
        const float got = num::readDecimal(text);
        QVERIFY2(sameFloat(got, expected), qPrintable(QStringLiteral("got %1, expected %2")
                                                          .arg(double(got), 0, 'g', 9)
                                                          .arg(double(expected), 0, 'g', 9)));
    }

    void readDecimalIgnoresLocale() {
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(QLocale().decimalPoint(), QStringLiteral(","));
        // The C library's locale as well, where this machine has a German one.
        const QByteArray oldC = std::setlocale(LC_ALL, nullptr);
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German"}) {
            if (std::setlocale(LC_ALL, name)) break;
        }
        const float comma = num::readDecimal(u"3,5");
        const float point = num::readDecimal(u"3.5");
        const QString written = num::writeFixed(3.25, 2);
        std::setlocale(LC_ALL, oldC.constData());
        QLocale::setDefault(before);
        QCOMPARE(comma, 3.0f);
        QCOMPARE(point, 3.5f);
        QCOMPARE(written, QStringLiteral("3.25"));
    }

    void writeInt_data() {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << qint64(0) << "0";
        QTest::newRow("negative") << qint64(-5) << "-5";
        QTest::newRow("max") << kMax64 << "9223372036854775807";
        QTest::newRow("min") << kMin64 << "-9223372036854775808";
    }
    void writeInt() {
        QFETCH(qint64, value);
        QFETCH(QString, expected);
        QCOMPARE(num::writeInt(value), expected);
    }

    void writeFixed_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one decimal") << 12.3 << 1 << "12.3";
        QTest::newRow("voltage 12345 mV") << 12345 / 1000.0 << 1 << "12.3";
        QTest::newRow("voltage 12350 mV") << 12350 / 1000.0 << 1 << "12.3";
        QTest::newRow("rounds up") << 0.05 << 1 << "0.1";
        QTest::newRow("two decimals") << 1234.5678 << 2 << "1234.57";
        QTest::newRow("exact tie to even down") << 2.5 << 0 << "2";
        QTest::newRow("exact tie to even up") << 3.5 << 0 << "4";
        QTest::newRow("negative tie") << -1.25 << 1 << "-1.2";
        QTest::newRow("zero padded") << 0.0 << 3 << "0.000";
        QTest::newRow("negative decimals") << 12.0 << -1 << "12";
        QTest::newRow("+Infinity") << std::numeric_limits<double>::infinity() << 1 << "+Infinity";
        QTest::newRow("-Infinity") << -std::numeric_limits<double>::infinity() << 1 << "-Infinity";
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 1 << "NaN";
        QTest::newRow("largest double") << std::numeric_limits<double>::max() << 2
                                        << (QStringLiteral("179769313486231570814527423731704356798"
                                                           "070567525844996598917476803157260780028"
                                                           "538760589558632766878171540458953514382"
                                                           "464234321326889464182768467546703537516"
                                                           "986049910576551282076245490090389328944"
                                                           "075868508455133942304583236903222948165"
                                                           "808559332123348274797826204144723168738"
                                                           "177180919299881250404026184124858368") +
                                            QStringLiteral(".00"));
    }
    void writeFixed() {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, expected);
        QCOMPARE(num::writeFixed(value, decimals), expected);
    }

    void writeFixedKeepsAtMostThirtyDecimals() {
        const QString t = num::writeFixed(-1.0 / 3.0, 1000);
        QVERIFY(t.startsWith(QStringLiteral("-0.3333")));
        QCOMPARE(t.size(), 3 + 30);
    }

    void roundHalfEven_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("13.5") << 13.5 << 14;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("-1.5") << -1.5 << -2;
        QTest::newRow("-90.5") << -90.5 << -90;
        QTest::newRow("below half") << 0.49999999999999994 << 0;
        QTest::newRow("above half") << 2.5000000000000004 << 3;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0;
        QTest::newRow("1e30") << 1e30 << kMaxInt;
        QTest::newRow("-1e30") << -1e30 << kMinInt;
        QTest::newRow("+inf") << std::numeric_limits<double>::infinity() << kMaxInt;
        QTest::newRow("-inf") << -std::numeric_limits<double>::infinity() << kMinInt;
        QTest::newRow("int max") << 2147483647.0 << kMaxInt;
        QTest::newRow("just past int max") << 2147483647.5 << kMaxInt;
        QTest::newRow("int min") << -2147483648.0 << kMinInt;
        QTest::newRow("just past int min") << -2147483649.0 << kMinInt;
    }
    void roundHalfEven() {
        QFETCH(double, value);
        QFETCH(int, expected);
        QCOMPARE(num::roundHalfEven(value), expected);
    }

    void saturatingSub_data() {
        QTest::addColumn<qint64>("a");
        QTest::addColumn<qint64>("b");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("plain") << qint64(5) << qint64(8) << qint64(-3);
        QTest::newRow("below min") << kMin64 << qint64(1) << kMin64;
        QTest::newRow("above max") << kMax64 << qint64(-1) << kMax64;
        QTest::newRow("zero minus min") << qint64(0) << kMin64 << kMax64;
        QTest::newRow("minus one minus min") << qint64(-1) << kMin64 << kMax64;
        QTest::newRow("min minus max") << kMin64 << kMax64 << kMin64;
    }
    void saturatingSub() {
        QFETCH(qint64, a);
        QFETCH(qint64, b);
        QFETCH(qint64, expected);
        QCOMPARE(num::saturatingSub(a, b), expected);
    }

    void clampAngle() {
        QCOMPARE(num::clampAngle(360.5f, 0, 360), 360.0f);
        QCOMPARE(num::clampAngle(-0.1f, 0, 360), 0.0f);
        QCOMPARE(num::clampAngle(-100.0f, -90, 90), -90.0f);
        QCOMPARE(num::clampAngle(123.4f, 0, 360), 123.4f);
        QCOMPARE(num::clampAngle(kInf, 0, 360), 360.0f);
        QCOMPARE(num::clampAngle(kNaN, 0, 360), 0.0f);
        QCOMPARE(num::clampAngle(kNaN, 10, 20), 10.0f);
    }
};

QTEST_APPLESS_MAIN(TestNumbers)
#include "tst_protocol_numbers.moc"
