// The cell grid driven as an operator drives it: real mouse clicks on its picture and keys in its
// editors, on Qt's offscreen platform. A small dispatcher hands the grid's events back to it as
// the console's does; the picture is read back from the grid's image.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "CellGrid.h"
#include "ImageView.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

using T = GridColumnType;
constexpr Rgb kBack{48, 48, 48}, kMarkBack{240, 0, 0};
enum Col { Locked = 0, Bounded, OnOff, Free, Dec };

struct Commit {
    int column, row;
    QString text;
};

/// A grid of the port table's size in a window of its own.
struct Rig {
    QWidget window;
    GridModel model;
    CellGrid* grid = nullptr;
    QList<Commit> commits;
    int deleteRequests = 0;

    explicit Rig(int lastRow = 7) {
        window.resize(620, 240);
        CellGrid::Options o;
        o.window = 6, o.index = 1, o.x = 20, o.y = 30, o.width = 580, o.height = 183;
        o.lastColumn = 4, o.lastRow = lastRow;
        o.textColour = {120, 255, 150}, o.backColour = kBack, o.lineColour = {128, 128, 128};
        o.editTextColour = {255, 254, 0}, o.editBackColour = kBack, o.font = 100;
        CellGrid::Hooks hooks;
        hooks.cellCommitted = [this](int, int c, int r, const QString& t) {
            commits << Commit{c, r, t};
        };
        hooks.rowDeleteRequest = [this](int, int) {
            ++deleteRequests;
            return false;
        };
        grid = new CellGrid(&window, model, o, std::move(hooks),
                            [this](const UiEvent& e) { grid->handleEvent(e); });
        grid->setColumn(Locked, "N", 25, T::Integer, false, 0, 0, true);
        grid->setColumn(Bounded, "Port", 60, T::Integer, false, 0, 9000);
        grid->setColumn(OnOff, "State", 60, T::List, false);
        grid->setColumn(Free, "Text", 90, T::Text, false);
        grid->setColumn(Dec, "Dec", 90, T::Decimal, false);
        grid->addListItem(OnOff, 0, "OFF");
        grid->addListItem(OnOff, 1, "ON");
        grid->setHeaderHeight(19, false);
        grid->setMarkColours({255, 255, 255}, kMarkBack);
        grid->setRowHeight(20, false);
        for (int r = 0; r <= lastRow; ++r) {
            grid->setCell(r, Locked, QString::number(r + 1));
            grid->setCell(r, Bounded, QString::number(8000 + r));
            grid->setCell(r, OnOff, "1");
            grid->setCell(r, Free, QStringLiteral("t%1").arg(r));
        }
        grid->redraw();
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        waitFor([this] { return window.isActiveWindow(); }, 2000);
    }

    QPoint at(int row, int column) const { return grid->cellArea(row, column).center(); }
    void click(int row, int column) {
        QTest::mouseClick(grid->view(), Qt::LeftButton, {}, at(row, column));
    }
    void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); }
    void type(const QString& text) {
        QLineEdit* edit = grid->textEditor();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    bool editorShown() const {
        return grid->textEditor()->isVisible() || grid->listEditor()->isVisible();
    }
    /// The picture a full redraw gives for the present state.
    QImage redrawn() {
        grid->redraw();
        return grid->image();
    }
};

bool hasColour(const QImage& image, const QRect& area, Rgb c) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == QColor(c.r, c.g, c.b)) return true;
    return false;
}

/// Pixels outside `area` that differ between the two pictures.
int changedOutside(const QImage& a, const QImage& b, const QRect& area) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!area.contains(x, y) && a.pixel(x, y) != b.pixel(x, y)) ++n;
    return n;
}

}  // namespace

class CellGridTest : public QObject {
    Q_OBJECT
private slots:
    void typedCommits_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("integer, no digits") << int(Bounded) << "abc"
                                            << "0";
        QTest::newRow("integer above its range") << int(Bounded) << "12000"
                                                 << "9000";
        QTest::newRow("integer, hexadecimal") << int(Bounded) << "$1F"
                                              << "31";
        QTest::newRow("decimal, two decimals") << int(Dec) << "2.5"
                                               << "2.50";
        QTest::newRow("text as typed") << int(Free) << "10.0.0.1 x"
                                       << "10.0.0.1 x";
    }

    // Return stores the normalised text, marks the cell, tells the owner the text as typed and
    // repaints that cell only, exactly as a full redraw would paint it.
    void typedCommits() {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        Rig rig;
        rig.click(2, column);
        QVERIFY(rig.grid->textEditor()->isVisible());
        QCOMPARE(QApplication::focusWidget(), rig.grid->textEditor());
        const QImage before = rig.grid->image();
        rig.type(typed);
        rig.key(Qt::Key_Return);
        QVERIFY(!rig.editorShown());
        QCOMPARE(rig.grid->cell(2, column), stored);
        QVERIFY(rig.model.marked(2, column));
        QCOMPARE(rig.commits.size(), 1);
        QCOMPARE(rig.commits[0].row, 2);
        QCOMPARE(rig.commits[0].text, typed);
        const QImage repainted = rig.grid->image();
        const QRect cell = rig.grid->cellArea(2, column);
        QVERIFY(hasColour(repainted, cell, kMarkBack));
        QCOMPARE(changedOutside(before, repainted, cell), 0);
        QCOMPARE(repainted, rig.redrawn());
    }

    void escapeStoresNothing() {
        Rig rig;
        rig.click(1, Free);
        rig.type("changed");
        rig.key(Qt::Key_Escape);
        QVERIFY(!rig.editorShown());
        QCOMPARE(rig.grid->cell(1, Free), QStringLiteral("t1"));
        QVERIFY(!rig.model.marked(1, Free));
        QVERIFY(rig.commits.isEmpty());
    }

    void listEditor() {
        Rig rig;
        rig.click(4, OnOff);
        QComboBox* list = rig.grid->listEditor();
        QVERIFY(list->isVisible());
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->currentIndex(), 1);
        list->setCurrentIndex(0);
        emit list->activated(0);  // what a choice in the open list reports
        rig.key(Qt::Key_Return);
        QCOMPARE(rig.grid->cell(4, OnOff), QStringLiteral("0"));

        // Typing over the text leaves no item chosen: "-1", shown as "??" both when the cell
        // alone is painted and after a full redraw.
        rig.click(5, OnOff);
        QTest::keyClicks(QApplication::focusWidget(), "xyz");
        rig.key(Qt::Key_Return);
        QCOMPARE(rig.grid->cell(5, OnOff), QStringLiteral("-1"));
        QCOMPARE(rig.model.shownText(5, OnOff), QStringLiteral("??"));
        QCOMPARE(rig.commits.size(), 2);
        QCOMPARE(rig.commits[1].text, QStringLiteral("-1"));
        const QImage repainted = rig.grid->image();
        QCOMPARE(repainted, rig.redrawn());
    }

    // Clicks that open no editor, and what a click does while an editor is open.
    void clicks() {
        Rig rig;
        rig.click(0, Locked);
        QVERIFY(!rig.editorShown());
        QTest::mouseClick(rig.grid->view(), Qt::LeftButton, {}, QPoint(100, 8));  // header
        QVERIFY(!rig.editorShown());

        // Another editable cell: the edit is abandoned, the editor moves.
        rig.click(1, Free);
        rig.type("lost");
        rig.click(3, Free);
        QCOMPARE(rig.grid->textEditor()->text(), QStringLiteral("t3"));
        QCOMPARE(rig.grid->cell(1, Free), QStringLiteral("t1"));
        QVERIFY(!rig.model.marked(1, Free));

        // A locked cell: the editor stays but Return stores nothing.
        const QRect placed = rig.grid->textEditor()->geometry();
        rig.click(3, Locked);
        QVERIFY(rig.grid->textEditor()->isVisible());
        QCOMPARE(rig.grid->textEditor()->geometry(), placed);
        rig.grid->textEditor()->setFocus();
        rig.key(Qt::Key_Return);
        QVERIFY(rig.commits.isEmpty());
        // The header, likewise.
        QTest::mouseClick(rig.grid->view(), Qt::LeftButton, {}, QPoint(rig.at(0, Free).x(), 8));
        rig.grid->textEditor()->setFocus();
        rig.key(Qt::Key_Return);
        QVERIFY(rig.commits.isEmpty());
        QCOMPARE(rig.grid->cell(3, Locked), QStringLiteral("4"));

        // A double click on the header selects no row, and Delete then asks nothing.
        QTest::mouseDClick(rig.grid->view(), Qt::LeftButton, {}, QPoint(100, 8));
        QCOMPARE(rig.grid->selectedRow(), -1);
        rig.click(2, Free);
        rig.key(Qt::Key_Delete);
        QCOMPARE(rig.deleteRequests, 0);
        // A right click on a row selects it. Delete in an editor still edits its text; in the
        // grid, once the edit is over, it asks the owner, who refuses.
        QTest::mouseClick(rig.grid->view(), Qt::RightButton, {}, rig.at(6, Free));
        QCOMPARE(rig.grid->selectedRow(), 6);
        rig.click(2, Free);
        rig.key(Qt::Key_Home);
        rig.key(Qt::Key_Delete);
        QCOMPARE(rig.grid->textEditor()->text(), QStringLiteral("2"));
        QCOMPARE(rig.deleteRequests, 0);
        rig.key(Qt::Key_Escape);
        rig.key(Qt::Key_Delete);
        QCOMPARE(rig.deleteRequests, 1);
        QCOMPARE(rig.grid->cell(6, Free), QStringLiteral("t6"));
    }

    void focusAfterAnEdit_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("commits");
        QTest::newRow("Return in the text editor") << int(Free) << int(Qt::Key_Return) << 1;
        QTest::newRow("Escape in the list editor") << int(OnOff) << int(Qt::Key_Escape) << 0;
    }

    // The grid keeps the focus when its editor closes: Down and Up still scroll it, and a
    // second Return commits nothing, nor reaches the next control of the window.
    void focusAfterAnEdit() {
        QFETCH(int, column);
        QFETCH(int, key);
        QFETCH(int, commits);
        Rig rig;
        auto* next = new QLineEdit(&rig.window);  // after the grid in the tab order
        next->show();
        rig.click(2, column);
        rig.key(Qt::Key(key));
        QVERIFY(!rig.editorShown());
        QCOMPARE(QApplication::focusWidget(), rig.grid);
        rig.key(Qt::Key_Down);
        QCOMPARE(rig.grid->firstRow(), 1);
        rig.key(Qt::Key_Return);
        QCOMPARE(rig.commits.size(), commits);
        rig.key(Qt::Key_Up);
        QCOMPARE(rig.grid->firstRow(), 0);
        QCOMPARE(QApplication::focusWidget(), rig.grid);
    }

    // Down scrolls by one row under an open editor, whose commit then goes to the cell now under
    // it; Up brings row 0 back.
    void scrollingWithAnEditorOpen() {
        Rig rig;
        QCOMPARE(rig.grid->visibleRows(), 8);
        rig.click(2, Bounded);
        rig.key(Qt::Key_Down);
        QCOMPARE(rig.grid->firstRow(), 1);
        rig.key(Qt::Key_Down);  // at most one row for eight rows in view
        QCOMPARE(rig.grid->firstRow(), 1);
        QVERIFY(rig.grid->textEditor()->isVisible());
        rig.key(Qt::Key_Up);
        QCOMPARE(rig.grid->firstRow(), 0);
        rig.key(Qt::Key_Up);
        QCOMPARE(rig.grid->firstRow(), 0);
        rig.key(Qt::Key_Down);
        rig.type("42");
        rig.key(Qt::Key_Return);
        QCOMPARE(rig.grid->cell(3, Bounded), QStringLiteral("42"));
        QCOMPARE(rig.grid->cell(2, Bounded), QStringLiteral("8002"));
        QCOMPARE(rig.grid->image(), rig.redrawn());
    }

    // A black line colour draws no lines when the grid is created, but every full redraw draws
    // them. The selected row's band lies over the grid lines; cells painted alone, in that row
    // and in the row its band reaches into, look as a full redraw paints them.
    void linesAndSelectionBand() {
        {
            QWidget w;
            GridModel m;
            CellGrid::Options o;
            o.width = 200, o.height = 100, o.lastColumn = 2, o.backColour = kBack;
            CellGrid g(&w, m, o, {}, {});
            QCOMPARE(g.image().pixelColor(50, 25), QColor(48, 48, 48));
            g.redraw();
            QCOMPARE(g.image().pixelColor(50, 25), QColor(Qt::black));
        }
        Rig rig;
        const QColor blue(0, 0, 255);
        rig.grid->setRowHeight(25, true);
        rig.grid->selectRow(3, {0, 0, 255});
        const int top = 19 + 3 * 25;
        QCOMPARE(rig.grid->image().pixelColor(25 + 60, top + 10), blue);  // a column's edge
        QCOMPARE(rig.grid->image().pixelColor(300, top + 25), blue);      // the line below
        for (int row : {3, 4}) {
            rig.model.setMark(row, Free, true);
            rig.grid->setCell(row, Free, "alone", true);
            const QImage alone = rig.grid->image();
            QCOMPARE(alone, rig.redrawn());
        }
    }

    void scrollBars() {
        Rig rig;
        // Visible although all rows fit: decided while header and rows were 25 high.
        QScrollBar* v = rig.grid->verticalBar();
        QVERIFY(v->isVisible());
        QCOMPARE(v->geometry(), QRect(580 - 15 - 2, 19 + 3, 15, 183 - 19 - 5));
        QVERIFY(!rig.grid->horizontalBar()->isVisible());
        // The last column's own width never counts; columns 0..3 exactly as wide as the grid
        // need no bar either.
        rig.grid->setColumn(Dec, "Dec", 1000, T::Decimal, true);
        QVERIFY(!rig.grid->horizontalBar()->isVisible());
        rig.grid->setColumn(Free, "Text", 435, T::Text, true);
        QVERIFY(!rig.grid->horizontalBar()->isVisible());
        rig.grid->setColumn(Free, "Text", 436, T::Text, true);
        QVERIFY(rig.grid->horizontalBar()->isVisible());

        // Moving the bar scrolls and closes the editor.
        rig.click(1, Free);
        v->setValue(2);
        QCOMPARE(rig.grid->firstRow(), 2);
        QVERIFY(!rig.editorShown());
    }
};

QTEST_MAIN(CellGridTest)
#include "tst_cell_grid.moc"
