#pragma once
// A list of text lines, one per row, as the console shows them: cheap to append to several times
// a second. Each line's layout is made once; when the lines move up, the pixels already on screen
// are moved with them and only the rows that really change are painted again.

#include <QAbstractScrollArea>
#include <QStaticText>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

class LineList : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LineList(QWidget* parent = nullptr);

    int count() const { return int(m_lines.size()); }
    QString line(int row) const;
    QStringList lines() const;

    /// Removes up to `n` lines from `row` on (rows outside the list are ignored).
    void removeLines(int row, int n) { edit(row, n, {}); }
    void appendLines(const QStringList& lines) { edit(0, 0, lines); }
    /// Both in one change, so that the screen is brought up to date once.
    void edit(int removeAt, int removeCount, const QStringList& append);
    /// Shows the last lines; further changes keep the end in view until the operator scrolls.
    void scrollToBottom();

    /// The row the operator clicked last, -1 for none.
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);

    /// The first row in view.
    int firstVisibleRow() const { return m_first; }
    /// The rows that fit wholly in view.
    int fullRows() const;
    int rowHeight() const { return m_rowHeight; }

signals:
    void rowClicked(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Line {
        quint64 id;
        QString text;
        QStaticText layout;
    };

    /// Brings the scroll bar and the screen up to date with the lines: moves what is already
    /// painted where it can and asks for the rest to be painted.
    void sync();
    /// The line ids at each row of the view, -1 past the end.
    std::vector<qint64> rowsInView() const;
    int rowsInViewCount() const;
    void updateRows(int from, int to);

    std::deque<Line> m_lines;
    quint64 m_nextId = 0;
    int m_first = 0;
    bool m_followEnd = true;
    int m_current = -1;
    int m_rowHeight = 1;
    std::vector<qint64> m_shown;  ///< rowsInView() as the screen shows it
};
