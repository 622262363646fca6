#pragma once
// The console's own drawn table: a header, grid lines, typed columns, marked (changed) cells and
// in-place editing with a one-line text editor or a drop-down list editor. Everything is drawn
// into one off-screen image that the image view shows in one step. The grid knows nothing of
// what its rows mean: the owner fills columns and cells and hears of the operator's actions
// through four hooks.
//
// Operator actions reach the dispatcher as events of the grid's window: clicks and scroll bar
// moves as control events of the grid's controls, keys in an editor, or in the grid itself once
// an edit is over, as the grid's commands (Return is menu event 10). The dispatcher hands them
// back to handleEvent().

#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QStaticText>
#include <QWidget>
#include <functional>

#include "GridModel.h"
#include "Rgb.h"
#include "UiEvent.h"

class Controls;
class ImageView;
class QComboBox;
class QLineEdit;
class QScrollBar;

class CellGrid : public QWidget {
public:
    static constexpr int kMaxIndex = 16;       ///< grids 0..16
    static constexpr int kFirstControl = 400;  ///< grid i owns 400 + 10 i .. 400 + 10 i + 9
    static constexpr int kLastControl = 570;
    enum Part { Surface = 0, View = 1, TextEditor = 2, ListEditor = 3, HBar = 4, VBar = 5 };
    static constexpr int control(int index, Part part) { return kFirstControl + 10 * index + part; }

    /// The commands of the grid's keys, as the dispatcher reports them (menu events).
    enum Command {
        Home = 1,
        End = 2,
        PageUp = 3,
        PageDown = 4,
        Left = 6,
        Up = 7,
        Delete = 8,
        Right = 9,
        Commit = kMenuGridReturn,
        Down = 11,
        Escape = 20
    };
    enum Result { Handled = 0, NoEvent = -1, NotAGrid = -2 };

    struct Options {
        int window = 0;  ///< the number of the window the grid lives in
        int index = 0;
        int x = 0, y = 0, width = 100, height = 100;
        int lastColumn = 1, lastRow = 0;
        Rgb textColour{}, backColour{}, lineColour{};  ///< black: no lines until the first redraw
        QString backgroundFile;
        QImage backgroundImage;  ///< used before the file when not null
        Rgb editTextColour{}, editBackColour{};
        int font = -1;  ///< a numbered font
        int scrollBarThickness = 15;
    };
    struct Hooks {
        std::function<void(int index, int column, int row, const QString& text)> cellCommitted;
        std::function<bool(int index, int row)> rowDeleteRequest;  ///< true allows deleting
        std::function<void(int index, int row)> rowDoubleClick;
        std::function<void(int index, int row, int column)> rowRightClick;
    };

    /// `CreateGrid`: builds the surface and its controls as a child of `parent` and registers
    /// them in `controls` (when given). The model keeps the cells of an earlier life; columns,
    /// layout and marks start afresh.
    CellGrid(QWidget* parent, GridModel& model, const Options& options, Hooks hooks, EventSink sink,
             Controls* controls = nullptr);

    int index() const { return m_o.index; }
    GridModel& model() { return m_model; }
    const QImage& image() const { return m_image; }

    void setColumn(int column, const QString& title, int width, GridColumnType type, bool redraw,
                   int min = 0, int max = 0, bool locked = false);
    void addListItem(int column, int item, const QString& text) {
        m_model.setItem(column, item, text);
    }
    void setHeaderHeight(int height, bool redraw);
    void setRowHeight(int height, bool redraw);
    void setMarkColours(Rgb text, Rgb back);
    /// 0, or -1 outside the table (nothing changes). With `repaint` the cell alone is painted.
    int setCell(int row, int column, const QString& text, bool repaint = false);
    QString cell(int row, int column) const { return m_model.cell(row, column); }
    void clearMarks(bool redraw);
    void selectRow(int row, Rgb colour);
    /// The full redraw.
    void redraw();

    struct Hit {
        int column;
        int row;  ///< a visible row; -1 above, kHeaderRow in the header, -2 below the rows
    };
    static constexpr int kHeaderRow = -100;
    /// What lies under a point of the window's client area.
    Hit hitTest(QPoint windowPoint) const;

    /// `HandleGridEvent`.
    int handleEvent(const UiEvent& e);

    int firstRow() const { return m_firstRow; }
    int visibleRows() const { return m_visibleRows; }
    int selectedRow() const { return m_selectedRow; }
    int headerHeight() const { return m_headerHeight; }
    int rowHeight() const { return m_rowHeight; }
    /// The area of a cell at visible row `row` inside the surface, between its grid lines.
    QRect cellArea(int row, int column) const;
    QLineEdit* textEditor() const { return m_text; }
    QComboBox* listEditor() const { return m_list; }
    QScrollBar* verticalBar() const { return m_vBar; }
    QScrollBar* horizontalBar() const { return m_hBar; }
    ImageView* view() const { return m_view; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Click { None, Left, Double, Right, ListFocus };

    void report(UiEvent::Kind kind, int number);
    void layoutColumns();
    void updateVerticalBarVisibility();
    void buildBackground();
    void drawHeader(QPainter& p);
    /// Counts the row bands that fit below the header; draws the lines only when `draw`.
    void drawGridLines(QPainter& p, bool draw);
    /// The selected row's band in the grid image; empty when that row is not in view.
    QRect selectionBand() const;
    void paintCell(QPainter& p, int row, int column, bool alone);
    void repaintCell(int row, int column);
    int textTop(int visibleRow) const;
    const QStaticText& laidOut(const QString& text);

    void click();
    void openEditor(int column, int row);
    void fillListEditor(int column, int selected);
    void placeEditor(QWidget* editor, int column, int row);
    void commit();
    void hideEditors();
    void hideEditor(QWidget* editor);
    void scrollTo(int firstRow);
    bool ownsFocus() const;
    bool listFocused() const;

    GridModel& m_model;
    Options m_o;
    Hooks m_hooks;
    EventSink m_sink;

    int m_windowX = 0, m_windowY = 0;
    int m_rowHeight = 25;
    int m_headerHeight = 25;
    int m_firstRow = 0;
    int m_firstColumn = 0;
    int m_visibleRows = 0;
    Rgb m_headerTextColour{0, 0, 0};
    Rgb m_headerBackColour{160, 160, 160};
    Rgb m_markTextColour{255, 255, 255};
    Rgb m_markBackColour{};
    bool m_hBarShown = false;
    int m_selectedRow = -1;
    Rgb m_selectionColour{128, 128, 128};
    bool m_hasPicture = false;

    QImage m_image;       ///< what the view shows
    QImage m_background;  ///< the untouched background
    QFont m_font;
    QFontMetrics m_metrics{QFont()};
    QHash<QString, QStaticText> m_layouts;

    ImageView* m_view = nullptr;
    QLineEdit* m_text = nullptr;
    QComboBox* m_list = nullptr;
    QScrollBar* m_hBar = nullptr;
    QScrollBar* m_vBar = nullptr;

    Hit m_editCell{-1, -1};
    Click m_click = Click::None;
    QPoint m_clickPoint;       ///< window coordinates of the last click
    bool m_listTyped = false;  ///< the operator typed over the list editor's text
    bool m_placing = false;    ///< the grid itself moves the focus
};
