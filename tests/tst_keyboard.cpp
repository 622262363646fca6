// The console without a mouse: in every window Tab walks the controls that take focus once
// each, in reading order, and Space works every button and check box it reaches.

#include <QAbstractButton>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

/// Rows closer than this read as one line.
constexpr int kLine = 10;

QPoint placeOf(const QWidget* w) { return w->mapTo(w->window(), QPoint(0, 0)); }

bool takesTab(const QWidget* w)
{
    return w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus);
}

}  // namespace

class Keyboard : public QObject {
    Q_OBJECT

private slots:
    void tabAndSpace_data();
    void tabAndSpace();
};

void Keyboard::tabAndSpace_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("menuItem");  // -1: open from the start
    QTest::addColumn<int>("opensWith");  // the control focused when the window opens, or -1
    QTest::addColumn<QList<int>>("expected");  // the whole order where the test spells it out

    using namespace mainwindow;
    QTest::newRow("main") << 0 << -1 << 0
                          << QList<int>{1,  43, 15, 42, 45, 16, 44, 17, 32, 52, 53, 55, 56, 38, 18,
                                        19, 20, 29, 33, 22, 24, 27, 23, 25, 26, 47, 40, 0,  34, 49, 21};
    QTest::newRow("connection") << 5 << int(Communications) << 168
                                << QList<int>{182, 183, 168, 170, 172, 173, 175, 177, 179, 180};
    QTest::newRow("local GPS") << 1 << int(Gps) << -1 << QList<int>{};
    QTest::newRow("vehicle") << 2 << int(Vehicle) << -1 << QList<int>{};
    QTest::newRow("MAVLink") << 3 << int(Mavlink) << -1 << QList<int>{};
    QTest::newRow("motors") << 4 << int(Motors) << -1 << QList<int>{};
    QTest::newRow("Ethernet") << 6 << int(EthernetConfig) << -1 << QList<int>{};
    QTest::newRow("audio") << 7 << int(Audio) << -1 << QList<int>{};
    QTest::newRow("device") << 8 << int(Device) << -1 << QList<int>{};
    QTest::newRow("About") << 9 << int(About) << -1 << QList<int>{};
}

void Keyboard::tabAndSpace()
{
    QFETCH(int, window);
    QFETCH(int, menuItem);
    QFETCH(int, opensWith);
    QFETCH(QList<int>, expected);

    ConsoleFixture f([](const QString& dir) {
        writeSettings(dir, {QStringLiteral("0"), QString(), QStringLiteral("@PC>25"),
                            QStringLiteral("127.0.0.1"), QStringLiteral("0"), QStringLiteral("1"),
                            QStringLiteral("127.0.0.1"), QStringLiteral("0"), QStringLiteral("1")});
    });
    Controls& controls = f.controls();
    if (menuItem >= 0) f.app().dispatch({UiEvent::Kind::Menu, mainwindow::kWindow, menuItem});
    QWidget* w = controls.window(window);
    if (!w) QSKIP("this window is not built yet");
    QVERIFY(waitFor([w] { return w->isVisible(); }));

    // The controls Tab should reach, and where they sit.
    QList<int> reachable;
    for (int n = 0; n < Controls::kMaxControl; ++n) {
        const QWidget* c = controls.widget(n);
        if (c && c->window() == w && takesTab(c)) reachable << n;
    }
    if (reachable.isEmpty()) {
        QVERIFY(expected.isEmpty());
        return;
    }
    w->activateWindow();
    QApplication::setActiveWindow(w);
    QVERIFY(waitFor([w] { return QApplication::focusWidget() && QApplication::focusWidget()->window() == w; }));

    // One round of Tab from the focus the window opened with.
    int start = controls.numberOf(QApplication::focusWidget());
    if (start == -1 && opensWith == -1) {
        // A detail window opens with the focus on itself, so that opening it never counts as
        // the operator choosing a control; the first Tab enters its first control.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        start = controls.numberOf(QApplication::focusWidget());
        const QPoint p = placeOf(controls.widget(start));
        for (int n : reachable) {
            const QPoint q = placeOf(controls.widget(n));
            QVERIFY2(p.y() - q.y() < kLine && (std::abs(p.y() - q.y()) >= kLine || q.x() >= p.x()),
                     qPrintable(QStringLiteral("first Tab reaches %1, not the first control").arg(start)));
        }
    }
    QVERIFY2(reachable.contains(start), qPrintable(QStringLiteral("opens with focus on %1").arg(start)));
    if (opensWith >= 0) QCOMPARE(start, opensWith);
    QList<int> cycle{start};
    for (int i = 0; i <= reachable.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const int now = controls.numberOf(QApplication::focusWidget());
        if (now == start) break;
        cycle << now;
    }
    QList<int> sortedCycle = cycle;
    std::sort(sortedCycle.begin(), sortedCycle.end());
    QCOMPARE(sortedCycle, reachable);  // every control once, and back to the start

    // Reading order: from the first control of the window, each next one is to the right on
    // the same line or on a line further down.
    auto pos = [&](int n) { return placeOf(controls.widget(n)); };
    const auto first = std::min_element(cycle.begin(), cycle.end(), [&](int a, int b) {
        return std::pair(pos(a).y(), pos(a).x()) < std::pair(pos(b).y(), pos(b).x());
    });
    std::rotate(cycle.begin(), first, cycle.end());
    for (qsizetype k = 1; k < cycle.size(); ++k) {
        const QPoint a = pos(cycle[k - 1]), b = pos(cycle[k]);
        const bool sameLine = std::abs(b.y() - a.y()) < kLine;
        QVERIFY2((sameLine && b.x() > a.x()) || (!sameLine && b.y() > a.y()),
                 qPrintable(QStringLiteral("%1 then %2").arg(cycle[k - 1]).arg(cycle[k])));
    }
    if (!expected.isEmpty()) {
        expected.removeIf([&](int n) { return !takesTab(controls.widget(n)); });
        QCOMPARE(cycle, expected);
    }

    // Space on each button and check box Tab reaches does what a click does. The button's
    // own reaction is left out (it is tested with the mouse elsewhere), so that nothing opens
    // or sends here.
    for (int n : cycle) {
        auto* button = qobject_cast<QAbstractButton*>(controls.widget(n));
        if (!button) continue;
        QObject::disconnect(button, &QAbstractButton::clicked, nullptr, nullptr);
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        const bool wasChecked = button->isChecked();
        button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(button, Qt::Key_Space);
        QVERIFY2(clicked.count() == 1, qPrintable(QStringLiteral("Space on %1").arg(n)));
        QCOMPARE(button->isChecked(), button->isCheckable() ? !wasChecked : false);
    }
}

QTEST_MAIN(Keyboard)
#include "tst_keyboard.moc"
