// The line list moves pixels that are already on screen instead of painting them again. After
// every kind of change, what the screen shows must be exactly what painting the whole list
// afresh gives.

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <functional>

#include "LineList.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

using Step = std::function<void(LineList&)>;

/// The list as the screen holds it (the window's backing store on the offscreen platform).
QImage onScreen(LineList& list)
{
    QWidget* top = list.window();
    const QImage whole = top->screen()->grabWindow(top->winId()).toImage();
    const QRect area(list.viewport()->mapTo(top, QPoint(0, 0)), list.viewport()->size());
    return whole.copy(area).convertToFormat(QImage::Format_RGB32);
}

QImage paintedAfresh(LineList& list)
{
    return list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

/// What the console does for each text: the oldest lines after row 0 give way.
void consoleAppend(LineList& list, const QStringList& lines)
{
    list.edit(1, std::min(34, list.count() - 33), lines);
    list.scrollToBottom();
}

Step appendMany(int n, int perText = 1)
{
    return [n, perText](LineList& list) {
        for (int i = 0; i < n; ++i) {
            QStringList texts;
            for (int k = 0; k < perText; ++k) texts << QStringLiteral("< DXYPV %1 %2 OK").arg(list.count()).arg(k);
            consoleAppend(list, texts);
        }
    };
}

/// `n` single appends, each one painted before the next.
QList<Step> oneByOne(int n, int perText = 1)
{
    return QList<Step>(n, appendMany(1, perText));
}

}  // namespace

Q_DECLARE_METATYPE(QList<Step>)

class LineListTest : public QObject {
    Q_OBJECT
private slots:
    void screenMatchesAFreshPaint_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<Step>>("steps");
        const QSize console(570, 530);
        const QSize small(300, 120);
        QTest::newRow("filling") << console << QList<Step>{appendMany(10)};
        QTest::newRow("steady trimming, banner in view") << console << oneByOne(60);
        QTest::newRow("steady trimming, view shorter than the list") << small << oneByOne(60);
        QTest::newRow("wrapped texts, two lines each") << console << oneByOne(40, 2);
        QTest::newRow("wrapped, short view") << small << oneByOne(40, 2);
        QTest::newRow("several changes before one paint") << console << QList<Step>{appendMany(40), appendMany(7)};
        QTest::newRow("removal and append apart")
            << console
            << QList<Step>(30, [](LineList& l) {
                   if (l.count() >= 34) l.removeLines(1, 1);
                   l.appendLines({QStringLiteral("line %1").arg(l.count())});
                   l.scrollToBottom();
               });
        QTest::newRow("scrolled up, then new lines")
            << small
            << QList<Step>{appendMany(40), [](LineList& l) { l.verticalScrollBar()->setValue(3); },
                           [](LineList& l) { l.appendLines({QStringLiteral("while scrolled")}); },
                           appendMany(5)};
        QTest::newRow("selection moves with its line")
            << console
            << QList<Step>{appendMany(40), [](LineList& l) { l.setCurrentRow(10); }, appendMany(5),
                           [](LineList& l) { l.setCurrentRow(0); }, appendMany(3)};
        QTest::newRow("removing the selected line")
            << small
            << QList<Step>{appendMany(20), [](LineList& l) { l.setCurrentRow(1); }, appendMany(2)};
        QTest::newRow("resized")
            << small
            << QList<Step>{appendMany(40), [](LineList& l) { l.resize(250, 90); }, appendMany(4)};
        QTest::newRow("font changed")
            << console
            << QList<Step>{appendMany(20),
                           [](LineList& l) {
                               QFont f = l.font();
                               f.setPixelSize(20);
                               l.setFont(f);
                           },
                           appendMany(20)};
        QTest::newRow("everything removed")
            << console << QList<Step>{appendMany(20), [](LineList& l) { l.removeLines(0, 99); }};
    }

    void screenMatchesAFreshPaint()
    {
        QFETCH(QSize, size);
        QFETCH(QList<Step>, steps);
        QWidget window;
        window.resize(size + QSize(20, 20));
        auto* list = new LineList(&window);
        list->setGeometry(QRect(QPoint(10, 10), size));
        QPalette p = list->palette();
        p.setColor(QPalette::Base, QColor(44, 44, 44));
        p.setColor(QPalette::Text, QColor(0, 255, 0));
        list->setPalette(p);
        list->appendLines({QStringLiteral("V1.70 8-11-24")});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        int step = 0;
        for (const Step& s : steps) {
            s(*list);
            ++step;
            const bool same = waitFor([&] { return onScreen(*list) == paintedAfresh(*list); }, 2000);
            if (!same) {
                onScreen(*list).save(QDir::temp().filePath(QStringLiteral("line-list-screen.png")));
                paintedAfresh(*list).save(QDir::temp().filePath(QStringLiteral("line-list-fresh.png")));
            }
            QVERIFY2(same, qPrintable(QStringLiteral("after step %1").arg(step)));
        }
    }

    void rowsAndSelection()
    {
        LineList list;
        list.resize(300, 200);
        list.appendLines({"a", "b", "c", "d"});
        list.setCurrentRow(2);
        list.removeLines(0, 1);
        QCOMPARE(list.currentRow(), 1);
        QCOMPARE(list.line(1), QStringLiteral("c"));
        list.removeLines(1, 1);
        QCOMPARE(list.currentRow(), -1);
        list.removeLines(-1, 5);
        list.removeLines(7, 1);
        list.removeLines(0, 0);
        QCOMPARE(list.lines(), (QStringList{"b", "d"}));
        list.setCurrentRow(9);
        QCOMPARE(list.currentRow(), -1);
        QCOMPARE(list.line(-1), QString());
    }

    void followsTheEndUntilScrolledUp()
    {
        LineList list;
        list.resize(300, 100);
        list.show();
        for (int i = 0; i < 30; ++i) list.appendLines({QString::number(i)});
        list.scrollToBottom();
        QCOMPARE(list.firstVisibleRow(), 30 - list.fullRows());
        list.verticalScrollBar()->setValue(0);
        list.appendLines({QStringLiteral("more")});
        QCOMPARE(list.firstVisibleRow(), 0);
        list.scrollToBottom();
        QCOMPARE(list.firstVisibleRow(), 31 - list.fullRows());
    }

    void clickSelectsTheRow()
    {
        LineList list;
        list.resize(300, 200);
        list.appendLines({"a", "b", "c"});
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        int clicked = -2;
        connect(&list, &LineList::rowClicked, this, [&](int row) { clicked = row; });
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, list.rowHeight() + 2));
        QCOMPARE(clicked, 1);
        QCOMPARE(list.currentRow(), 1);
        clicked = -2;
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, list.rowHeight() * 5));
        QCOMPARE(clicked, -2);
    }
};

QTEST_MAIN(LineListTest)
#include "tst_line_list.moc"
