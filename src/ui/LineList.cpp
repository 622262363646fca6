#include "LineList.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {

constexpr int kTextMargin = 3;    ///< left of every line
constexpr int kRowPadding = 2;    ///< added to the font's height

}  // namespace

LineList::LineList(QWidget* parent) : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    m_rowHeight = fontMetrics().height() + kRowPadding;
    sync();
}

QString LineList::line(int row) const
{
    return row >= 0 && row < count() ? m_lines[std::size_t(row)].text : QString();
}

QStringList LineList::lines() const
{
    QStringList out;
    out.reserve(count());
    for (const Line& l : m_lines) out << l.text;
    return out;
}

void LineList::edit(int removeAt, int removeCount, const QStringList& append)
{
    const int row = removeAt;
    if (row >= 0 && row < count() && removeCount > 0) {
        const int end = std::min(count(), row + removeCount);
        m_lines.erase(m_lines.begin() + row, m_lines.begin() + end);
        if (m_current >= end) m_current -= end - row;
        else if (m_current >= row) m_current = -1;
    }
    for (const QString& text : append) {
        Line l{m_nextId++, text, QStaticText(text)};
        l.layout.setTextFormat(Qt::PlainText);
        l.layout.setPerformanceHint(QStaticText::AggressiveCaching);
        l.layout.prepare(QTransform(), font());
        m_lines.push_back(std::move(l));
    }
    sync();
}

void LineList::scrollToBottom()
{
    m_followEnd = true;
    sync();
}

void LineList::setCurrentRow(int row)
{
    const int next = row >= 0 && row < count() ? row : -1;
    if (next == m_current) return;
    const int previous = m_current;
    m_current = next;
    for (int r : {previous, next})
        if (r >= m_first) updateRows(r - m_first, r - m_first + 1);
}

int LineList::fullRows() const
{
    return std::max(1, viewport()->height() / m_rowHeight);
}

int LineList::rowsInViewCount() const
{
    return (viewport()->height() + m_rowHeight - 1) / m_rowHeight;
}

std::vector<qint64> LineList::rowsInView() const
{
    std::vector<qint64> ids(std::size_t(rowsInViewCount()), -1);
    for (std::size_t p = 0; p < ids.size(); ++p) {
        const std::size_t row = std::size_t(m_first) + p;
        if (row < m_lines.size()) ids[p] = qint64(m_lines[row].id);
    }
    return ids;
}

void LineList::updateRows(int from, int to)
{
    if (to <= from) return;
    viewport()->update(0, from * m_rowHeight, viewport()->width(), (to - from) * m_rowHeight);
}

void LineList::sync()
{
    const int last = std::max(0, count() - fullRows());
    if (m_followEnd) m_first = last;
    m_first = std::clamp(m_first, 0, last);
    {
        QScrollBar* bar = verticalScrollBar();
        const QSignalBlocker quiet(bar);
        bar->setRange(0, last);
        bar->setPageStep(fullRows());
        bar->setValue(m_first);
    }

    const std::vector<qint64> now = rowsInView();
    const std::vector<qint64>& before = m_shown;
    const int rows = int(now.size());
    if (int(before.size()) != rows) {
        viewport()->update();
        m_shown = now;
        return;
    }
    // Rows that kept their line stay as painted. At the first row that changed, look for the
    // line it now shows further down the old picture: the rows from there moved up together
    // (the oldest lines gave way) and their pixels are moved instead of painted again.
    int p = 0;
    while (p < rows && now[std::size_t(p)] == before[std::size_t(p)]) ++p;
    if (p == rows) return;
    int from = p;
    if (now[std::size_t(p)] >= 0) {
        const auto found = std::find(before.begin() + p + 1, before.end(), now[std::size_t(p)]);
        if (found != before.end()) {
            const int shift = int(found - before.begin()) - p;
            int q = p;
            while (q + shift < rows && now[std::size_t(q)] == before[std::size_t(q + shift)]) ++q;
            const QRect area(0, p * m_rowHeight, viewport()->width(), (q + shift - p) * m_rowHeight);
            viewport()->scroll(0, -shift * m_rowHeight, area);
            from = q;
        }
    }
    // Everything below what moved may have changed.
    updateRows(from, rows);
    m_shown = now;
}

void LineList::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    const int top = std::max(0, area.top() / m_rowHeight);
    const int bottom = std::min(rowsInViewCount() - 1, area.bottom() / m_rowHeight);
    const QPalette& pal = palette();
    const int textTop = (m_rowHeight - fontMetrics().height()) / 2;
    for (int p = top; p <= bottom; ++p) {
        const int row = m_first + p;
        if (row >= count()) break;
        const int y = p * m_rowHeight;
        const bool current = row == m_current;
        if (current) painter.fillRect(0, y, viewport()->width(), m_rowHeight, pal.brush(QPalette::Highlight));
        painter.setPen(pal.color(current ? QPalette::HighlightedText : QPalette::Text));
        painter.drawStaticText(kTextMargin, y + textTop, m_lines[std::size_t(row)].layout);
    }
}

void LineList::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    m_shown.clear();
    sync();
}

void LineList::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_rowHeight = fontMetrics().height() + kRowPadding;
        for (Line& l : m_lines) l.layout.prepare(QTransform(), font());
        m_shown.clear();
        sync();
    }
}

void LineList::mousePressEvent(QMouseEvent* event)
{
    const int row = m_first + int(event->position().y()) / m_rowHeight;
    if (event->button() != Qt::LeftButton || row >= count()) return;
    setCurrentRow(row);
    emit rowClicked(row);
}

void LineList::scrollContentsBy(int, int)
{
    m_first = verticalScrollBar()->value();
    m_followEnd = m_first >= verticalScrollBar()->maximum();
    m_shown = rowsInView();
    viewport()->update();
}
