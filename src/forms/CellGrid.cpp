#include "CellGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <utility>

#include "Controls.h"
#include "Fonts.h"
#include "ImageView.h"
#include "Numbers.h"

namespace {

constexpr int kTextHeight = 15;  ///< the text band a row centres
constexpr int kTextInset = 5;    ///< text starts this far right of a column's edge
constexpr int kEditorMinHeight = 20;
constexpr int kEditorWidth = 120, kEditorHeight = 24;

QColor qc(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

void setColours(QWidget* w, Rgb text, Rgb back) {
    QPalette p = w->palette();
    for (const auto role : {QPalette::Base, QPalette::Window, QPalette::Button})
        p.setColor(role, qc(back));
    for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        p.setColor(role, qc(text));
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

/// The command of a key the grid takes from its editors (`inEditor`) or from the grid itself
/// once an edit is over; 0 for the keys the editors keep.
int commandOf(int key, bool inEditor) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return CellGrid::Commit;
        case Qt::Key_Escape:
            return CellGrid::Escape;
        case Qt::Key_Up:
            return CellGrid::Up;
        case Qt::Key_Down:
            return CellGrid::Down;
        case Qt::Key_PageUp:
            return CellGrid::PageUp;
        case Qt::Key_PageDown:
            return CellGrid::PageDown;
        case Qt::Key_Delete:
            // In an editor Delete deletes a character, whatever row is selected; in the grid
            // it asks to delete the selected row.
            return inEditor ? 0 : CellGrid::Delete;
        default:
            return 0;
    }
}

}  // namespace

CellGrid::CellGrid(QWidget* parent, GridModel& model, const Options& options, Hooks hooks,
                   EventSink sink, Controls* controls)
    : QWidget(parent),
      m_model(model),
      m_o(options),
      m_hooks(std::move(hooks)),
      m_sink(std::move(sink)) {
    m_o.index = std::clamp(m_o.index, 0, kMaxIndex);
    m_o.width = std::max(m_o.width, 8);
    m_o.height = std::max(m_o.height, 8);
    m_model.reset(m_o.lastColumn, m_o.lastRow, m_o.width);
    m_o.lastColumn = m_model.lastColumn();
    m_o.lastRow = m_model.lastRow();
    m_markBackColour = m_o.backColour;
    m_font = fonts::font(m_o.font);
    m_metrics = QFontMetrics(m_font);
    const int t = m_o.scrollBarThickness;

    setGeometry(m_o.x, m_o.y, m_o.width, m_o.height);
    const QPoint at = parent ? mapTo(window(), QPoint(0, 0)) : QPoint(0, 0);
    m_windowX = at.x();
    m_windowY = at.y();

    m_list = new QComboBox(this);
    m_list->setEditable(true);
    m_list->setInsertPolicy(QComboBox::NoInsert);
    m_list->setCompleter(nullptr);
    m_list->setFont(m_font);
    m_list->setGeometry(0, 0, kEditorWidth, kEditorHeight);
    setColours(m_list, m_o.editTextColour, m_o.editBackColour);
    setColours(m_list->lineEdit(), m_o.editTextColour, m_o.editBackColour);
    m_list->hide();
    connect(m_list->lineEdit(), &QLineEdit::textEdited, this, [this] { m_listTyped = true; });
    connect(m_list, &QComboBox::activated, this, [this] { m_listTyped = false; });

    m_text = new QLineEdit(QStringLiteral(" Edicion"), this);
    m_text->setFont(m_font);
    m_text->setGeometry(0, 0, kEditorWidth, kEditorHeight);
    setColours(m_text, m_o.editTextColour, m_o.editBackColour);
    m_text->hide();

    m_hBar = new QScrollBar(Qt::Horizontal, this);
    m_hBar->setGeometry(2, m_o.height - t - 2, m_o.width - 3, t);
    m_hBar->setRange(0, m_o.lastColumn);
    m_hBar->setPageStep(m_o.lastColumn / 3);
    m_hBar->hide();
    m_vBar = new QScrollBar(Qt::Vertical, this);
    m_vBar->setGeometry(m_o.width - t - 2, m_headerHeight - 2, t,
                        m_o.height - m_headerHeight - t + 2);
    m_vBar->setRange(0, m_o.lastRow);
    m_vBar->setPageStep(m_o.lastRow / 10);
    connect(m_hBar, &QScrollBar::valueChanged, this,
            [this] { report(UiEvent::Kind::Control, control(m_o.index, HBar)); });
    connect(m_vBar, &QScrollBar::valueChanged, this,
            [this] { report(UiEvent::Kind::Control, control(m_o.index, VBar)); });
    updateVerticalBarVisibility();

    buildBackground();
    m_image = m_background;
    m_view = new ImageView(this);
    m_view->setGeometry(0, 0, m_o.width - 5, m_o.height - 5);
    m_view->setImage(&m_image);
    m_view->lower();

    for (QObject* o :
         {static_cast<QObject*>(this), static_cast<QObject*>(m_view), static_cast<QObject*>(m_text),
          static_cast<QObject*>(m_list), static_cast<QObject*>(m_list->lineEdit())})
        o->installEventFilter(this);

    if (controls) {
        controls->add(control(m_o.index, Surface), m_o.window, ControlKind::Grid, this);
        controls->add(control(m_o.index, View), m_o.window, ControlKind::Image, m_view);
        controls->add(control(m_o.index, TextEditor), m_o.window, ControlKind::Field, m_text);
        controls->add(control(m_o.index, ListEditor), m_o.window, ControlKind::Combo, m_list);
        controls->add(control(m_o.index, HBar), m_o.window, ControlKind::ScrollBar, m_hBar);
        controls->add(control(m_o.index, VBar), m_o.window, ControlKind::ScrollBar, m_vBar);
    }
    // A new grid shows its header and, in a line colour other than black, its grid lines; the
    // cells appear with the owner's first full redraw.
    layoutColumns();
    QPainter p(&m_image);
    p.setFont(m_font);
    drawHeader(p);
    drawGridLines(p, m_o.lineColour != Rgb{});
    p.end();
    m_view->refresh();
}

void CellGrid::report(UiEvent::Kind kind, int number) {
    if (m_sink) m_sink({kind, m_o.window, number});
}

void CellGrid::setColumn(int column, const QString& title, int width, GridColumnType type,
                         bool redraw, int min, int max, bool locked) {
    if (!m_model.validColumn(column)) return;
    GridColumn& c = m_model.column(column);
    c.title = title;
    c.width = std::max(width, 0);
    c.type = type;
    c.min = min;
    c.max = max;
    c.locked = locked;
    layoutColumns();
    updateVerticalBarVisibility();
    if (redraw) {
        m_firstColumn = 0;
        const QSignalBlocker quiet(m_hBar);
        m_hBar->setValue(0);
        this->redraw();
    }
}

void CellGrid::setHeaderHeight(int height, bool redraw) {
    m_headerHeight = std::clamp(height, 0, m_o.height);
    const int t = m_o.scrollBarThickness;
    m_vBar->setGeometry(m_o.width - t - 2, m_headerHeight + 3, t,
                        std::max(0, m_o.height - m_headerHeight - 5 - (m_hBarShown ? t : 0)));
    if (redraw) this->redraw();
}

void CellGrid::setRowHeight(int height, bool redraw) {
    m_rowHeight = std::clamp(height, 1, std::max(1, m_o.height));
    if (redraw) this->redraw();
}

void CellGrid::setMarkColours(Rgb text, Rgb back) {
    m_markTextColour = text;
    m_markBackColour = back;
}

void CellGrid::updateVerticalBarVisibility() {
    // Decided from the heights at the time: the header and row setters do not decide again.
    m_vBar->setVisible(m_o.height < m_headerHeight + m_rowHeight * m_o.lastRow);
}

void CellGrid::layoutColumns() {
    const int last = m_o.lastColumn;
    int sum = 0;
    for (int c = 1; c <= last; ++c) {
        sum += m_model.column(c - 1).width;
        if (sum > m_o.width && !m_hBarShown) {
            m_hBarShown = true;
            m_hBar->show();
        }
    }
    m_firstColumn = std::clamp(m_firstColumn, 0, last);
    int left = 0;
    for (int c = 0; c <= last; ++c) {
        GridColumn& col = m_model.column(c);
        if (c < m_firstColumn) {
            col.left = -1 - col.width;  // out of view
            continue;
        }
        col.left = left;
        left += col.width;
    }
}

void CellGrid::buildBackground() {
    QImage picture;
    if (!m_o.backgroundImage.isNull())
        picture = m_o.backgroundImage;
    else if (!m_o.backgroundFile.isEmpty())
        picture.load(m_o.backgroundFile);
    m_hasPicture = !picture.isNull();
    if (m_hasPicture) {
        m_background =
            picture.scaled(m_o.width, m_o.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_RGB32);
    } else {
        m_background = QImage(m_o.width, m_o.height, QImage::Format_RGB32);
        m_background.fill(qc(m_o.backColour));
    }
}

int CellGrid::textTop(int visibleRow) const {
    return m_headerHeight + visibleRow * m_rowHeight + (m_rowHeight - kTextHeight) / 2;
}

QRect CellGrid::cellArea(int row, int column) const {
    const GridColumn& c = m_model.column(column);
    const int top = m_headerHeight + row * m_rowHeight;
    return QRect(c.left + 1, top + 1, std::max(0, c.width - 1), std::max(0, m_rowHeight - 1));
}

void CellGrid::redraw() {
    layoutColumns();
    m_image = m_background;
    QPainter p(&m_image);
    p.setFont(m_font);
    drawHeader(p);
    drawGridLines(p, true);
    const int bottom = m_o.height;
    for (int row = m_firstRow, k = 0; row <= m_o.lastRow; ++row, ++k) {
        if (textTop(k) > bottom) break;
        // The band of the selected row runs across the whole width, over the grid lines.
        if (row == m_selectedRow) p.fillRect(selectionBand(), qc(m_selectionColour));
        for (int c = m_firstColumn; c <= m_o.lastColumn; ++c) paintCell(p, k, c, false);
    }
    p.end();
    m_view->refresh();
}

void CellGrid::drawHeader(QPainter& p) {
    p.fillRect(0, 0, m_o.width, m_headerHeight, qc(m_headerBackColour));
    for (int c = m_firstColumn; c <= m_o.lastColumn; ++c) {
        const GridColumn& col = m_model.column(c);
        if (c > m_firstColumn) {
            p.setPen(Qt::black);
            p.drawLine(col.left, 0, col.left, m_headerHeight);
        }
        p.setPen(qc(m_headerTextColour));
        p.drawStaticText(col.left + kTextInset, kTextInset, laidOut(col.title));
    }
}

void CellGrid::drawGridLines(QPainter& p, bool draw) {
    int lines = 0;
    p.setPen(qc(m_o.lineColour));
    int x = 0;
    for (int c = m_firstColumn; c <= m_o.lastColumn; ++c) {
        x += m_model.column(c).width;
        if (x > m_o.width) break;
        if (draw) p.drawLine(x, m_headerHeight + 1, x, m_o.height);
    }
    for (int y = m_headerHeight; y <= m_o.height; y += m_rowHeight) {
        if (draw) p.drawLine(0, y, m_o.width, y);
        ++lines;
    }
    m_visibleRows = std::max(0, lines - 1);
}

QRect CellGrid::selectionBand() const {
    const int k = m_selectedRow - m_firstRow;
    if (m_selectedRow < 0 || k < 0) return {};
    return QRect(0, textTop(k), m_o.width, m_rowHeight - 1);
}

/// One cell between its grid lines, the same in a full redraw and alone. `alone`: the area still
/// shows what was there before, so its background, and the part of the selection band that a
/// full redraw lays there, come first.
void CellGrid::paintCell(QPainter& p, int k, int column, bool alone) {
    const int row = m_firstRow + k;
    const QRect area = cellArea(k, column).intersected(m_image.rect());
    if (area.isEmpty()) return;
    // A band reaches into the rows next to its own when rows are not 15 + 2 * 2 high; a full
    // redraw lays it after the rows above and before the rows below.
    const QRect band = alone ? selectionBand().intersected(area) : QRect();
    if (alone) {
        if (m_hasPicture)
            p.drawImage(area.topLeft(), m_background, area);
        else
            p.fillRect(area, qc(m_o.backColour));
        if (!band.isEmpty() && m_selectedRow <= row) p.fillRect(band, qc(m_selectionColour));
    }
    const int ty = textTop(k);
    const bool selected = row == m_selectedRow;
    const QString text = m_model.shownText(row, column);
    if (!text.isEmpty()) {
        const int x = m_model.column(column).left + kTextInset;
        const int advance = int(std::ceil(laidOut(text).size().width()));
        const QRect textBox(x, ty, advance, m_metrics.height());
        // Text that would reach past the cell is cut at its edge.
        const bool clip = !area.contains(textBox);
        if (clip) p.setClipRect(area);
        const bool mark = m_model.marked(row, column);
        Rgb ink = m_o.textColour, paper = m_o.backColour;
        bool opaque = !m_hasPicture && !selected;
        if (mark) {
            ink = m_markTextColour;
            paper = m_markBackColour;
            opaque = !(m_hasPicture && m_markBackColour == Rgb{});
        }
        if (opaque) p.fillRect(textBox, qc(paper));
        p.setPen(qc(ink));
        p.drawStaticText(x, ty, laidOut(text));
        if (clip) p.setClipping(false);
    }
    if (!band.isEmpty() && m_selectedRow > row) p.fillRect(band, qc(m_selectionColour));
}

const QStaticText& CellGrid::laidOut(const QString& text) {
    // Cell texts repeat from one redraw to the next: each is laid out once. The cache is
    // bounded; a grid of changing texts starts it afresh now and then. The port counters change
    // every second, so the bound is kept near what one table shows (eight rows of ten cells and
    // the titles): a larger one only holds old counters, at half a kilobyte each.
    constexpr qsizetype kMaxCached = 256;
    auto it = m_layouts.find(text);
    if (it != m_layouts.end()) return *it;
    if (m_layouts.size() >= kMaxCached) m_layouts.clear();
    QStaticText layout(text);
    layout.setTextFormat(Qt::PlainText);
    layout.setPerformanceHint(QStaticText::AggressiveCaching);
    layout.prepare(QTransform(), m_font);
    return *m_layouts.insert(text, layout);
}

void CellGrid::repaintCell(int row, int column) {
    const int k = row - m_firstRow;
    // Rows and columns out of view are drawn at the next full redraw.
    if (k < 0 || k > m_o.lastRow || !m_model.validColumn(column) || column < m_firstColumn) return;
    if (textTop(k) > m_o.height) return;
    QPainter p(&m_image);
    p.setFont(m_font);
    paintCell(p, k, column, true);
    p.end();
    m_view->update(cellArea(k, column));
}

int CellGrid::setCell(int row, int column, const QString& text, bool repaint) {
    if (!m_model.setCell(row, column, text)) return -1;
    if (repaint) repaintCell(row, column);
    return 0;
}

void CellGrid::clearMarks(bool redraw) {
    m_model.clearMarks();
    if (redraw) this->redraw();
}

void CellGrid::selectRow(int row, Rgb colour) {
    m_selectedRow = row >= 0 && row <= m_o.lastRow ? row : -1;
    m_selectionColour = colour;
    redraw();
}

CellGrid::Hit CellGrid::hitTest(QPoint windowPoint) const {
    const int x = windowPoint.x() - m_windowX;
    const int y = windowPoint.y() - m_windowY;
    Hit h{-1, -1};
    if (y < 0)
        h.row = -1;
    else if (y < m_headerHeight)
        h.row = kHeaderRow;
    else {
        h.row = (y - m_headerHeight) / m_rowHeight;
        if (h.row > m_o.lastRow + 1) h.row = -2;
    }
    if (x < 1) return h;
    for (int c = m_firstColumn; c <= m_o.lastColumn; ++c) {
        const GridColumn& col = m_model.column(c);
        if (x < col.left + col.width) {
            h.column = c;
            break;
        }
    }
    return h;  // right of the last column: no column
}

bool CellGrid::ownsFocus() const {
    const QWidget* f = QApplication::focusWidget();
    return f && (f == this || f == m_text || f == m_list || f == m_list->lineEdit());
}

bool CellGrid::listFocused() const {
    const QWidget* f = QApplication::focusWidget();
    return f && (f == m_list || f == m_list->lineEdit());
}

bool CellGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view) {
        const auto type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
            const auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() != Qt::LeftButton && me->button() != Qt::RightButton) return false;
            m_click = me->button() == Qt::RightButton       ? Click::Right
                      : type == QEvent::MouseButtonDblClick ? Click::Double
                                                            : Click::Left;
            m_clickPoint = m_view->mapTo(window(), me->position().toPoint());
            report(UiEvent::Kind::Control, control(m_o.index, View));
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        const int command = commandOf(static_cast<QKeyEvent*>(event)->key(), watched != this);
        if (command == 0) return false;
        // The grid's keys are the grid's: no window shortcut and no editor sees them.
        event->accept();
        if (event->type() == QEvent::KeyPress) report(UiEvent::Kind::Menu, command);
        return true;
    }
    if (event->type() == QEvent::FocusIn && (watched == m_list || watched == m_list->lineEdit()) &&
        !m_placing) {
        const auto* fe = static_cast<QFocusEvent*>(event);
        if (fe->reason() == Qt::MouseFocusReason && m_list->isVisible()) {
            m_click = Click::ListFocus;
            m_clickPoint = window()->mapFromGlobal(QCursor::pos());
            report(UiEvent::Kind::Control, control(m_o.index, ListEditor));
        }
    }
    return false;
}

int CellGrid::handleEvent(const UiEvent& e) {
    const int first = control(m_o.index, Surface);
    if (e.kind == UiEvent::Kind::Control) {
        if (e.number < first || e.number > first + 9) return NotAGrid;
        if (e.number == control(m_o.index, View) || e.number == control(m_o.index, ListEditor)) {
            click();
        } else if (e.number == control(m_o.index, VBar)) {
            hideEditors();
            scrollTo(m_vBar->value());
        } else if (e.number == control(m_o.index, HBar)) {
            hideEditors();
            m_firstColumn = std::clamp(m_hBar->value(), 0, m_o.lastColumn);
            redraw();
        }
        return Handled;
    }
    if (e.kind != UiEvent::Kind::Menu) return NotAGrid;
    if (!ownsFocus()) return NotAGrid;
    switch (e.number) {
        case Commit:
            commit();
            break;
        case Escape:
            hideEditor(listFocused() ? static_cast<QWidget*>(m_list) : m_text);
            break;
        case Delete:
            if (m_selectedRow >= 0 && m_hooks.rowDeleteRequest &&
                m_hooks.rowDeleteRequest(m_o.index, m_selectedRow)) {
                m_model.deleteRow(m_selectedRow);
                redraw();
            }
            break;
        case Up:
            if (m_firstRow > 0) scrollTo(m_firstRow - 1);
            break;
        case Down:
            if (m_firstRow < m_o.lastRow - m_visibleRows + 2) scrollTo(m_firstRow + 1);
            break;
        default:
            break;
    }
    return Handled;
}

void CellGrid::scrollTo(int firstRow) {
    m_firstRow = std::clamp(firstRow, 0, m_o.lastRow);
    {
        const QSignalBlocker quiet(m_vBar);
        m_vBar->setValue(m_firstRow);
    }
    redraw();
}

void CellGrid::click() {
    const Click kind = std::exchange(m_click, Click::None);
    if (kind == Click::None) return;
    m_editCell = hitTest(m_clickPoint);
    const int column = m_editCell.column;
    const int row = m_editCell.row;
    const int dataRow = m_firstRow + row;
    switch (kind) {
        case Click::Left:
            if (m_model.validColumn(column) && !m_model.column(column).locked && row >= 0)
                openEditor(column, row);
            break;
        case Click::Double:
        case Click::Right:
            selectRow(row >= 0 ? dataRow : -1, Rgb{128, 128, 128});
            if (row < 0) break;
            if (kind == Click::Double && m_hooks.rowDoubleClick)
                m_hooks.rowDoubleClick(m_o.index, dataRow);
            if (kind == Click::Right && m_hooks.rowRightClick)
                m_hooks.rowRightClick(m_o.index, dataRow, column);
            break;
        case Click::ListFocus:
            if (!m_model.validColumn(column) || row < 0) break;
            hideEditor(m_text);
            fillListEditor(column, 0);
            placeEditor(m_list, column, row);
            break;
        case Click::None:
            break;
    }
}

void CellGrid::openEditor(int column, int row) {
    const int dataRow = m_firstRow + row;
    if (m_model.column(column).type == GridColumnType::List) {
        hideEditor(m_text);
        fillListEditor(column, int(num::readInt(m_model.cell(dataRow, column))));
        placeEditor(m_list, column, row);
    } else {
        hideEditor(m_list);
        m_text->setText(m_model.cell(dataRow, column));
        placeEditor(m_text, column, row);
    }
}

void CellGrid::fillListEditor(int column, int selected) {
    m_list->clear();
    for (const QString& item : m_model.items(column)) m_list->addItem(item);
    m_list->setCurrentIndex(selected >= 0 && selected < m_list->count() ? selected : -1);
    m_listTyped = false;
}

void CellGrid::placeEditor(QWidget* editor, int column, int row) {
    const GridColumn& c = m_model.column(column);
    editor->setGeometry(c.left + 3, m_headerHeight + row * m_rowHeight + 2, c.width,
                        std::max(m_rowHeight, kEditorMinHeight));
    editor->show();
    editor->raise();
    m_placing = true;
    editor->setFocus(Qt::OtherFocusReason);
    m_placing = false;
}

void CellGrid::commit() {
    const int column = m_editCell.column;
    const int dataRow = m_firstRow + m_editCell.row;
    // Only a cell of the table can take a commit: the header, the band below the last row
    // and a point beside the columns store nothing.
    const bool valid = m_model.validColumn(column) && !m_model.column(column).locked &&
                       m_editCell.row >= 0 && dataRow >= 0 &&
                       dataRow <= std::min(m_o.lastRow + 1, GridModel::kMaxRow);
    if (!valid) return;
    if (listFocused()) {
        const int item = m_listTyped ? -1 : m_list->currentIndex();
        const QString text = num::writeInt(item);
        m_model.setMark(dataRow, column, true);
        setCell(dataRow, column, text, true);
        if (m_hooks.cellCommitted) m_hooks.cellCommitted(m_o.index, column, dataRow, text);
        hideEditor(m_list);
    } else if (QApplication::focusWidget() == m_text) {
        const QString text = m_text->text();
        hideEditor(m_text);
        m_model.setMark(dataRow, column, true);
        setCell(dataRow, column, text, true);
        if (m_hooks.cellCommitted) m_hooks.cellCommitted(m_o.index, column, dataRow, text);
    }
}

void CellGrid::hideEditors() {
    hideEditor(m_text);
    hideEditor(m_list);
}

void CellGrid::hideEditor(QWidget* editor) {
    // A hidden focus widget hands the focus to the next control of the window (in the port
    // table's window the IP field, where Return sends "NET IP"): the grid keeps it instead, so
    // that its keys still scroll it and Return commits nothing more.
    const QWidget* f = QApplication::focusWidget();
    if (f && (f == editor || editor->isAncestorOf(f))) setFocus(Qt::OtherFocusReason);
    editor->hide();
}
