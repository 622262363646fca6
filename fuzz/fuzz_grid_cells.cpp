// The cell grid's store on arbitrary input, no widgets: the first eight bytes choose the column
// (type, range) and the cell, the rest is the typed text. What a cell stores must be the
// column's normal form of the text, within its range, and the table's limits must hold.

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "GridModel.h"
#include "Invariant.h"
#include "Numbers.h"

namespace {

QString shown(const QString& s) {
    return QString::fromLatin1(s.toUtf8().toPercentEncoding(" .-+$%"));
}

void checkNormalForm(GridColumnType type, int min, int max, const QString& text) {
    const QString out = normaliseCell(type, min, max, text);
    const QString ctx =
        shown(text) + " -> " + shown(out) + QStringLiteral(" in %1..%2").arg(min).arg(max);
    const int lo = std::min(min, max), hi = std::max(min, max);
    switch (type) {
        case GridColumnType::Integer: {
            const qint64 v = num::readInt(out);
            CHECK(num::writeInt(v) == out, ctx);  // plain decimal digits, nothing else
            if (min != max)
                CHECK(v >= lo && v <= hi, ctx);
            else
                CHECK(v == num::readInt(text), ctx);
            CHECK(normaliseCell(type, min, max, out) == out, ctx);
            break;
        }
        case GridColumnType::Decimal: {
            static const QRegularExpression twoDecimals(
                QStringLiteral("^-?[0-9]+\\.[0-9]{2}$|^[+-]Infinity$|^NaN$"));
            CHECK(twoDecimals.match(out).hasMatch(), ctx);
            const float v = num::readDecimal(out);
            if (min != max && !std::isnan(v))
                CHECK(v >= float(lo) - 0.01f && v <= float(hi) + 0.01f, ctx);
            break;
        }
        case GridColumnType::Text:
        case GridColumnType::List:
            CHECK(out == text, ctx);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    static constexpr GridColumnType kTypes[] = {GridColumnType::Integer, GridColumnType::Decimal,
                                                GridColumnType::Text, GridColumnType::List};
    const GridColumnType type = kTypes[data[0] % 4];
    std::int16_t a = 0, b = 0;
    std::memcpy(&a, data + 1, 2);
    std::memcpy(&b, data + 3, 2);
    const int min = a * (data[7] & 1 ? 1000 : 1), max = b * (data[7] & 2 ? 1000 : 1);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 8), qsizetype(size - 8));
    const QString latin1 = QString::fromLatin1(bytes);
    checkNormalForm(type, min, max, latin1);
    checkNormalForm(type, min, max, QString::fromUtf8(bytes));

    // A grid at the table's limits: rows and columns past them store nothing.
    GridModel m;
    const int lastColumn = data[5] % 30, lastRow = int(data[6]) * 5;
    m.reset(lastColumn, lastRow, 580);
    const int column = int(data[5] / 8) - 2, row = int(data[6]) * 5 - 3 + (data[7] >> 2);
    m.column(column).type = type;
    m.column(column).min = min;
    m.column(column).max = max;
    m.setItem(column, data[7] & 0x7f, latin1.left(8));
    const bool stored = m.setCell(row, column, latin1);
    const bool inside = row >= 0 && row <= std::min(m.lastRow() + 1, GridModel::kMaxRow) &&
                        column >= 0 && column <= m.lastColumn();
    CHECK(stored == inside, QStringLiteral("row %1 column %2").arg(row).arg(column));
    CHECK(m.storedCells() <= 1, shown(latin1));
    if (stored) {
        CHECK(m.cell(row, column) == normaliseCell(type, min, max, latin1), shown(latin1));
        (void)m.shownText(row, column);
        m.setMark(row, column, true);
        m.deleteRow(row);
        CHECK(m.storedCells() <= 1, shown(latin1));
    }
    return 0;
}
