// The cell grid's store: normalisation by column type, the table's limits and the sparse cells.

#include <QTest>

#include "GridModel.h"

using T = GridColumnType;
Q_DECLARE_METATYPE(GridColumnType)

class GridModelTest : public QObject {
    Q_OBJECT
private slots:
    void normalisation_data() {
        QTest::addColumn<GridColumnType>("type");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("no digits") << T::Integer << 0 << 9000 << "abc"
                                   << "0";
        QTest::newRow("above the range") << T::Integer << 0 << 9000 << "12000"
                                         << "9000";
        QTest::newRow("below the range") << T::Integer << 0 << 9000 << "-7"
                                         << "0";
        QTest::newRow("min = max: no clamping") << T::Integer << 0 << 0 << "12000"
                                                << "12000";
        QTest::newRow("min = max, negative") << T::Integer << 5 << 5 << "-3"
                                             << "-3";
        QTest::newRow("hexadecimal") << T::Integer << 0 << 0 << "$1F"
                                     << "31";
        QTest::newRow("binary") << T::Integer << 0 << 0 << "%101"
                                << "5";
        QTest::newRow("leading blanks, trailing text") << T::Integer << 0 << 0 << " \t42x"
                                                       << "42";
        QTest::newRow("past 64 bits, clamped") << T::Integer << 0 << 9000 << "99999999999999999999"
                                               << "9000";
        QTest::newRow("two decimals") << T::Decimal << 0 << 0 << "3.14159"
                                      << "3.14";
        QTest::newRow("decimal zero") << T::Decimal << 0 << 0 << "abc"
                                      << "0.00";
        QTest::newRow("decimal clamped") << T::Decimal << -10 << 10 << "-12.5"
                                         << "-10.00";
        QTest::newRow("decimal NaN stays") << T::Decimal << 0 << 10 << "nan"
                                           << "NaN";
        QTest::newRow("text unchanged") << T::Text << 0 << 9000 << " 12 000 "
                                        << " 12 000 ";
        QTest::newRow("list unchanged") << T::List << 0 << 0 << "-1"
                                        << "-1";
    }

    void normalisation() {
        QFETCH(GridColumnType, type);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QCOMPARE(normaliseCell(type, min, max, typed), stored);
    }

    void limitsOfTheTable() {
        GridModel m;
        m.reset(40, 5000, 600);  // limited to columns 0..24, rows 0..1000
        QCOMPARE(m.lastColumn(), GridModel::kMaxColumn);
        QCOMPARE(m.lastRow(), GridModel::kMaxRow);
        QCOMPARE(m.column(3).width, 600 / 24);
        QCOMPARE(m.column(3).title, QStringLiteral("Col 3"));
        m.column(24).type = T::Text;
        QVERIFY(m.setCell(1000, 24, u"last"));
        QVERIFY(!m.setCell(1001, 0, u"x"));
        QVERIFY(!m.setCell(0, 25, u"x"));
        QVERIFY(!m.setCell(-1, 0, u"x"));
        QCOMPARE(m.cell(1000, 24), QStringLiteral("last"));
        QCOMPARE(m.cell(5000, 99), QString());

        m.reset(9, 7, 580);
        QVERIFY(m.setCell(8, 1, u"1"));  // one row past the last is held
        QVERIFY(!m.setCell(9, 1, u"1"));
        QVERIFY(m.setItem(2, 64, QStringLiteral("last item")));
        QVERIFY(!m.setItem(2, 65, QStringLiteral("x")));
        QVERIFY(!m.setItem(10, 0, QStringLiteral("x")));
    }

    void listTexts() {
        GridModel m;
        m.reset(3, 7, 100);
        m.column(1).type = T::List;
        m.setItem(1, 0, QStringLiteral("OFF"));
        m.setItem(1, 1, QStringLiteral("ON"));
        m.setItem(1, 3, QStringLiteral("after a gap"));
        QCOMPARE(m.items(1), (std::vector<QString>{"OFF", "ON"}));
        const struct {
            const char* value;
            const char* shown;
        } cases[] = {{"1", "ON"},          {"-1", "??"}, {"2", ""},
                     {"3", "after a gap"}, {"64", ""},   {"999", ""}};
        for (const auto& c : cases) {
            m.setCell(0, 1, QString::fromLatin1(c.value));
            QCOMPARE(m.shownText(0, 1), QString::fromLatin1(c.shown));
        }
    }

    void sparseCellsAndMarks() {
        GridModel m;
        m.reset(24, 1000, 600);
        QCOMPARE(m.storedCells(), std::size_t(0));
        m.column(2).type = T::Text;
        m.setCell(10, 2, u"a");
        m.setMark(10, 2, true);
        m.setMark(11, 2, true);
        QCOMPARE(m.storedCells(), std::size_t(2));
        m.clearMarks();
        QVERIFY(!m.marked(10, 2));
        QCOMPARE(m.storedCells(), std::size_t(1));  // the empty mark-only cell is gone
        m.setCell(10, 2, u"");
        QCOMPARE(m.storedCells(), std::size_t(0));
        // A new life keeps the cells but not the marks.
        m.setCell(3, 2, u"kept");
        m.setMark(3, 2, true);
        m.reset(24, 1000, 600);
        QCOMPARE(m.cell(3, 2), QStringLiteral("kept"));
        QVERIFY(!m.marked(3, 2));
    }

    void deletingARow() {
        GridModel m;
        m.reset(2, 3, 90);
        for (int r = 0; r <= 3; ++r)
            for (int c = 0; c <= 2; ++c) m.setCell(r, c, QString::number(10 * r + c));
        m.setMark(2, 1, true);
        m.deleteRow(1);
        QCOMPARE(m.cell(1, 0), QStringLiteral("10"));  // column 0 stays
        QCOMPARE(m.cell(1, 1), QStringLiteral("21"));
        QVERIFY(m.marked(1, 1));
        QCOMPARE(m.cell(2, 2), QStringLiteral("32"));
        QCOMPARE(m.cell(3, 1), QString());
        QCOMPARE(m.cell(3, 0), QStringLiteral("30"));
    }
};

QTEST_APPLESS_MAIN(GridModelTest)
#include "tst_protocol_grid_model.moc"
