// Window 6 over a real UDP link: opening reads the addresses and the port table, replies fill the
// table, SAVE uploads what the operator committed, the address fields ask before they send, and
// against the simulator a save shows in the next read.

#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>

#include "CellGrid.h"
#include "ConnectionDialog.h"
#include "EthernetWindow.h"
#include "ImageView.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;
using namespace ethernetwindow;

namespace {

/// The operator chooses "Ethernet Config" in the main window's menu.
void openFromMenu(App& app) {
    for (QAction* menu : app.mainWindow()->findChild<QMenuBar*>()->actions())
        for (QAction* item : menu->menu() ? menu->menu()->actions() : QList<QAction*>())
            if (item->text() == u"Ethernet Config") item->trigger();
}

CellGrid* portTable(App& app) {
    return app.ethernet().grid();
}

void clickCell(App& app, int row, int column) {
    CellGrid* g = portTable(app);
    g->window()->activateWindow();
    QApplication::setActiveWindow(g->window());
    QTest::mouseClick(g->view(), Qt::LeftButton, {}, g->cellArea(row, column).center());
}

/// Item `item` chosen in the list editor of a cell, then Return.
void chooseItem(App& app, int row, int column, int item) {
    clickCell(app, row, column);
    QComboBox* list = portTable(app)->listEditor();
    list->setCurrentIndex(item);
    emit list->activated(item);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

QList<QByteArray> uploads(UdpConsole& c) {
    QList<QByteArray> out;
    for (const QByteArray& d : c.sent())
        if (d.startsWith("NET PORT ") && d.count(' ') > 2) out << d;
    return out;
}

QStringList rowTexts(App& app, int row) {
    QStringList out;
    for (int c = 0; c <= CntTx; ++c) out << app.ethernet().cells().cell(row, c);
    return out;
}

}  // namespace

class EthernetWindowTest : public QObject {
    Q_OBJECT
private slots:
    // With polling off, timer 3 still reads the addresses and the eight ports, then stops.
    void openingReadsAddressesAndPorts() {
        UdpConsole c(false);
        openFromMenu(c.app());
        QWidget* w = c.controls().window(kWindow);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Ethernet Setup"));
        QCOMPARE(c.controls().text(kLocalIp), DeviceLink::localAddress());
        QVERIFY(c.app().timers().isActive(TimerBank::kOneShotReads));
        QStringList expected{"NET IP", "NET SUBMASK", "NET GATEWAY"};
        for (int p = 8000; p <= 8007; ++p) expected << QStringLiteral("NET PORT %1").arg(p);
        QVERIFY(c.waitForSent(11));
        QVERIFY(waitFor([&] { return !c.app().timers().isActive(TimerBank::kOneShotReads); }));
        QVERIFY(!c.waitForSent(12, 400));
        QStringList sent;
        for (const QByteArray& d : c.sent()) sent << QString::fromLatin1(d);
        QCOMPARE(sent, expected);

        for (int r = 0; r < 8; ++r)
            QCOMPARE(rowTexts(c.app(), r).mid(0, 2),
                     (QStringList{QString::number(r + 1), QString::number(8000 + r)}));
        // The vertical bar stands over "CNT_TX"; the columns leave no need for a horizontal one.
        QWidget* vBar = c.controls().widget(CellGrid::control(kGrid, CellGrid::VBar));
        QVERIFY(vBar && vBar->isVisible());
        QCOMPARE(vBar->geometry(), QRect(563, 22, 15, 159));
        QVERIFY(!c.controls().widget(CellGrid::control(kGrid, CellGrid::HBar))->isVisible());
    }

    void knownAddressesShowAtOnce() {
        UdpConsole c(false);
        c.feed("NET IP 10.0.0.2 OK");
        c.feed("NET SUBMASK 255.255.0.0 OK");
        c.feed("NET GATEWAY 10.0.0.1 OK");
        openFromMenu(c.app());
        QCOMPARE(c.controls().text(kIp), QStringLiteral("10.0.0.2"));
        QCOMPARE(c.controls().text(kSubmask), QStringLiteral("255.255.0.0"));
        QCOMPARE(c.controls().text(kGateway), QStringLiteral("10.0.0.1"));
        QVERIFY(c.waitForSent(1));
        QCOMPARE(c.sent().first(), QByteArray("NET PORT 8000"));
    }

    void repliesFillTheTable() {
        UdpConsole c(false);
        // Closed window: only the record changes.
        c.feed("NET PORT 8005 1 1 10.0.0.5 80 1 1 3 4 OK");
        QCOMPARE(c.app().ports()[5].ipDest, QStringLiteral("10.0.0.5"));
        openFromMenu(c.app());
        QCOMPARE(c.app().ethernet().cells().cell(5, IpDest), QString());

        c.feed("NET PORT 8003 1 2 192.168.1.50 9000 0 1 10 20 OK");
        QCOMPARE(rowTexts(c.app(), 3), (QStringList{"4", "8003", "1", "2", "192.168.1.50", "9000",
                                                    "1", "0", "10", "20"}));
        // A committed cell keeps the operator's value until the save.
        chooseItem(c.app(), 3, State, 0);
        c.feed("NET PORT 8003 1 2 192.168.1.50 9000 0 1 10 20 OK");
        QCOMPARE(c.app().ethernet().cells().cell(3, State), QStringLiteral("0"));
        QCOMPARE(c.app().ethernet().cells().shownText(3, Type), QStringLiteral("TCP_Client"));
        const PortEntry& e = c.app().ports()[3];
        QCOMPARE(e.type, 2);
        QCOMPARE(e.prop, 1);
        QCOMPARE(e.cntTx, 20);

        c.feed("NET CNT 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 OK");
        QCOMPARE(c.app().ethernet().cells().cell(7, CntRx), QStringLiteral("15"));
        QCOMPARE(c.app().ethernet().cells().cell(7, CntTx), QStringLiteral("16"));
        QCOMPARE(c.app().ports()[7].cntRx, 0);
        // Changed counters are painted alone with the pixels of a full redraw: a shorter number
        // leaves nothing of a longer one, and the selected row keeps its band.
        CellGrid* g = c.app().ethernet().grid();
        QVERIFY(g);
        g->selectRow(7, Rgb{128, 128, 128});
        for (const char* reply : {"NET CNT 1 2 3 4 5 6 7 8 9 10 11 12 13 14 123456 16 OK",
                                  "NET CNT 1 2 3 4 5 6 7 8 9 10 11 12 13 14 7 16 OK"})
            c.feed(reply);
        const QImage painted = g->image().copy();
        g->redraw();
        QCOMPARE(painted, g->image());

        // With the window closed the counters still reach the stored cells, and show when it
        // opens again.
        c.controls().window(kWindow)->close();
        QVERIFY(waitFor([&] { return !c.controls().windowOpen(kWindow); }));
        c.feed("NET CNT 1 2 3 4 5 6 7 8 9 10 11 12 13 14 35 36 OK");
        QCOMPARE(c.app().ethernet().cells().cell(7, CntRx), QStringLiteral("35"));
        openFromMenu(c.app());
        QCOMPARE(c.app().ethernet().cells().cell(7, CntTx), QStringLiteral("36"));
        QCOMPARE(c.app().ports()[7].cntTx, 0);
    }

    void save_data() {
        QTest::addColumn<QList<QPoint>>("edits");  // (column, row) chosen item 1
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QList<QPoint>>("during");  // committed after the first upload
        QTest::addColumn<QList<int>>("uploads");    // ports, in the order sent
        QTest::newRow("no edit: nothing sent, rows copied")
            << QList<QPoint>{} << true << QList<QPoint>{} << QList<int>{};
        QTest::newRow("State and ECHO of 8003: sent twice")
            << QList<QPoint>{{State, 3}, {Echo, 3}} << true << QList<QPoint>{}
            << QList<int>{8003, 8003};
        QTest::newRow("No: nothing changes")
            << QList<QPoint>{{State, 1}} << false << QList<QPoint>{} << QList<int>{};
        // Fifteen commits: once the list is full a listed port adds nothing and a new one
        // takes the place of a repeat.
        QList<QPoint> fivePorts;
        for (int row = 0; row < 5; ++row)
            fivePorts << QPoint(State, row) << QPoint(Prop, row) << QPoint(Echo, row);
        QTest::newRow("three cells of each of five ports: all five sent")
            << fivePorts << true << QList<QPoint>{}
            << QList<int>{8000, 8000, 8000, 8001, 8001, 8001, 8002, 8002, 8003, 8004};
        // The running upload sends what it was given; the new commit waits, marked, for the
        // next save.
        QTest::newRow("a commit while the upload runs: sent at the next save")
            << QList<QPoint>{{State, 3}, {Echo, 3}} << true << QList<QPoint>{{Prop, 1}}
            << QList<int>{8003, 8003, 8001};
    }

    void save() {
        QFETCH(QList<QPoint>, edits);
        QFETCH(bool, yes);
        QFETCH(QList<QPoint>, during);
        QFETCH(QList<int>, uploads);
        // Polling off: after the port read the upload moves only on the ticks given here.
        UdpConsole c(false);
        openFromMenu(c.app());
        QVERIFY(c.waitForSent(11));
        const auto tick = [&] { c.app().dispatch({UiEvent::Kind::Timer, 0, TimerBank::kPolling}); };
        const auto finishUpload = [&] {
            for (int i = 0; i <= kPortUploadListSize && c.app().poller().portUploadPending; ++i)
                tick();
            return !c.app().poller().portUploadPending;
        };
        c.feed("NET PORT 8003 0 2 192.168.1.50 9000 0 1 10 20 OK");
        c.app().ports()[6].ipDest = QStringLiteral("stale");
        for (const QPoint& e : edits) chooseItem(c.app(), e.y(), e.x(), 1);
        const int marked = int(edits.size());
        for (const QPoint& e : edits) QVERIFY(c.app().ethernet().cells().marked(e.y(), e.x()));

        BoxAnswerer boxes;
        boxes.answer(yes ? QMessageBox::Yes : QMessageBox::No);
        c.fixture().click(kSave);
        QVERIFY(boxes.waitSeen(1));
        QCOMPARE(boxes.seen().first().title, QStringLiteral("Warning"));
        QCOMPARE(boxes.seen().first().text,
                 QStringLiteral("Are you sure you want to save the eth ports?"));
        QCOMPARE(c.app().ports()[6].ipDest, yes ? QString() : QStringLiteral("stale"));
        QCOMPARE(c.app().ethernet().uploadList()[0] != 0, !yes && marked > 0);
        if (yes) QVERIFY(!c.app().ethernet().cells().marked(3, State));

        if (!during.isEmpty()) {
            tick();
            const PortUploadList running = c.app().poller().portUploadList;
            QCOMPARE(c.app().poller().portUploadIndex, 1);
            for (const QPoint& e : during) chooseItem(c.app(), e.y(), e.x(), 1);
            QCOMPARE(c.app().poller().portUploadList, running);
            QVERIFY(finishUpload());
            for (const QPoint& e : during) QVERIFY(c.app().ethernet().cells().marked(e.y(), e.x()));
            boxes.answer(QMessageBox::Yes);
            c.fixture().click(kSave);
            QVERIFY(boxes.waitSeen(2));
        }
        QVERIFY(finishUpload());
        // Loopback keeps the order: once the last command is in, so is every upload.
        c.app().sendCommand(QStringLiteral("END"));
        QVERIFY(waitFor([&] { return !c.sent().isEmpty() && c.sent().last() == "END"; }));
        QList<int> sentPorts;
        for (const QByteArray& d : ::uploads(c)) {
            sentPorts << d.split(' ').value(2).toInt();
            if (d.startsWith("NET PORT 8003 "))
                QCOMPARE(d, QByteArray("NET PORT 8003 1 2 192.168.1.50 9000 1 1 10 20"));
        }
        QCOMPARE(sentPorts, uploads);
    }

    // The upload list keeps every commit while it has room; the 11th and 12th name listed
    // ports and add nothing.
    void moreThanTenCommits() {
        UdpConsole c(false);
        openFromMenu(c.app());
        for (int r = 0; r < 8; ++r) chooseItem(c.app(), r, State, 1);
        for (int r = 4; r < 8; ++r) chooseItem(c.app(), r, Echo, 1);
        const EthernetSetup::UploadList want{8000, 8001, 8002, 8003, 8004,
                                             8005, 8006, 8007, 8004, 8005};
        QCOMPARE(c.app().ethernet().uploadList(), want);
        QVERIFY(c.app().ethernet().cells().marked(7, Echo));
    }

    // A commit on the blank band below the last port (in view after Down) lists nothing, and
    // commits made while an upload waits are kept for the next save.
    void commitsOutsideThePortsAndDuringAnUpload() {
        UdpConsole c(false);
        openFromMenu(c.app());
        QVERIFY(c.waitForSent(11));
        QVERIFY(waitFor([&] { return !c.app().timers().isActive(TimerBank::kOneShotReads); }));
        clickCell(c.app(), 0, State);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(portTable(c.app())->firstRow(), 1);
        chooseItem(c.app(), 7, State, 1);  // data row 8: no port
        QCOMPARE(c.app().ethernet().uploadList(), EthernetSetup::UploadList{});

        chooseItem(c.app(), 0, Echo, 1);  // port 8001, row 1 now at the top
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Yes);
        boxes.answer(QMessageBox::Yes);
        c.fixture().click(kSave);
        QVERIFY(boxes.waitSeen(1));
        // Polling is off and the read is over: the upload waits.
        QCOMPARE(c.app().poller().portUploadList[0], 8001);
        chooseItem(c.app(), 1, Echo, 1);
        c.fixture().click(kSave);
        QVERIFY(boxes.waitSeen(2));
        QCOMPARE(c.app().poller().portUploadList[0], 8001);
        QCOMPARE(c.app().poller().portUploadList[1], 8002);
        QCOMPARE(c.app().poller().portUploadList[2], 0);
    }

    void addressWarnings_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("IP, Yes") << kIp << true << QByteArray("NET IP 10.9.8.7");
        QTest::newRow("IP, No") << kIp << false << QByteArray();
        QTest::newRow("SUBMASK, Yes") << kSubmask << true << QByteArray("NET SUBMASK 10.9.8.7,G");
        QTest::newRow("GATEWAY, No") << kGateway << false << QByteArray();
    }

    void addressWarnings() {
        QFETCH(int, field);
        QFETCH(bool, yes);
        QFETCH(QByteArray, sent);
        UdpConsole c(false);
        openFromMenu(c.app());
        QVERIFY(c.waitForSent(11));
        c.peer().clear();
        c.fixture().type(field, QStringLiteral("10.9.8.7"));
        BoxAnswerer boxes;
        boxes.answer(yes ? QMessageBox::Yes : QMessageBox::No);
        c.fixture().pressReturn(field);
        QVERIFY(boxes.waitSeen(1));
        QCOMPARE(boxes.seen().first().title, QStringLiteral("Warning"));
        if (yes) {
            QVERIFY(c.waitForSent(1));
            QCOMPARE(c.sent(), QList<QByteArray>{sent});
        } else {
            QVERIFY(!c.waitForSent(1, 300));
        }
        QCOMPARE(c.controls().text(field), QStringLiteral("10.9.8.7"));
    }

    // Against the simulator: the save reaches the tracker and the next read shows it.
    void saveShowsInTheNextRead() {
        SimProcess sim;
        QVERIFY(sim.isReady());
        ConsoleFixture f;
        f.aimUdp(sim.udpPort());
        f.click(ConnectionDialog::kUdpButton);
        openFromMenu(f.app());
        // The simulator's port 8001 is a MAVLink port to 192.168.1.10.
        QVERIFY(
            waitFor([&] { return f.app().ethernet().cells().cell(1, IpDest) == u"192.168.1.10"; }));
        QVERIFY(waitFor([&] {
            return f.app().ethernet().cells().cell(7, Port) == u"8007" &&
                   !f.app().poller().portQueryPending;
        }));
        chooseItem(f.app(), 2, State, 1);
        clickCell(f.app(), 2, IpDest);
        QLineEdit* editor = portTable(f.app())->textEditor();
        editor->selectAll();
        QTest::keyClicks(editor, "10.1.2.3");
        QTest::keyClick(editor, Qt::Key_Return);
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Yes);
        f.click(kSave);
        QVERIFY(boxes.waitSeen(1));
        QVERIFY(waitFor([&] {
            return sim.commands()
                       .filter(QRegularExpression("^NET PORT 8002 1 0 10\\.1\\.2\\.3 "))
                       .size() == 2;
        }));

        f.controls().window(kWindow)->close();
        QVERIFY(waitFor([&] { return !f.controls().windowOpen(kWindow); }));
        f.app().ports()[2] = PortEntry{};
        openFromMenu(f.app());
        QVERIFY(waitFor([&] { return f.app().ports()[2].ipDest == u"10.1.2.3"; }));
        QCOMPARE(f.app().ports()[2].state, 1);
        QCOMPARE(f.app().ethernet().cells().cell(2, State), QStringLiteral("1"));
    }
};

QTEST_MAIN(EthernetWindowTest)
#include "tst_ethernet_window.moc"
