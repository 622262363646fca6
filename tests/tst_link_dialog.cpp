// The connection dialog (window 5): its layout and defaults, the row colours and button texts
// as links open, fail and close, switching between kinds, and closing and reopening it.

#include <QAction>
#include <QFile>
#include <QPointer>
#include <QTest>

#include "ConnectionDialog.h"
#include "FormWindow.h"
#include "MainWindow.h"
#include "SerialPortName.h"
#include "TestSupport.h"

using namespace testsupport;

Q_DECLARE_METATYPE(LinkKind)

namespace {

using CD = ConnectionDialog;

struct Row {
    QList<int> fields;
    int button;
    QString openText;
    QString closeText;
    QString label;
    QString failure;
};

const Row& rowOf(LinkKind kind) {
    static const Row serial{{CD::kComField}, CD::kComButton, "Open Com",
                            "Close Com",     "Com",          "Can't open the port"};
    static const Row udp{{CD::kUdpIp, CD::kUdpLocal, CD::kUdpRemote},
                         CD::kUdpButton,
                         "Open UDP",
                         "Close UDP",
                         "UDP",
                         "There was a problem initiating UDP connection"};
    static const Row tcp{{CD::kTcpIp, CD::kTcpLocal, CD::kTcpRemote},
                         CD::kTcpButton,
                         "Open TCP",
                         "Close TCP",
                         "TCP",
                         "There was a problem initiating TCP connection"};
    return kind == LinkKind::Serial ? serial : kind == LinkKind::Udp ? udp : tcp;
}

constexpr LinkKind kKinds[] = {LinkKind::Serial, LinkKind::Udp, LinkKind::Tcp};

const char* nameOf(LinkKind kind) {
    return kind == LinkKind::Serial ? "serial" : kind == LinkKind::Udp ? "udp" : "tcp";
}

/// A console with polling off and a peer of every kind ready; boxes are answered in order.
class Rig {
public:
    Rig() {
        f.click(mainwindow::kPollingButton);
        pty.linkInto(f.resourceDir(), QStringLiteral("COM7"));
    }

    /// Fills `kind`'s row so that opening it reaches its peer, or fails when not `reachable`.
    void aim(LinkKind kind, bool reachable = true) {
        switch (kind) {
            case LinkKind::Serial:
                f.controls().setText(CD::kComField, reachable ? QStringLiteral("7") : QString());
                break;
            case LinkKind::Udp:
                f.aimUdp(reachable ? udp.port() : 0);
                break;
            case LinkKind::Tcp:
                f.aimTcp(reachable ? tcp.port() : freeTcpPort());
                break;
            case LinkKind::None:
                break;
        }
    }

    void press(LinkKind kind) { f.click(rowOf(kind).button); }

    bool open(LinkKind kind) {
        aim(kind);
        press(kind);
        if (kind == LinkKind::Tcp && !tcp.waitForClient()) return false;
        return f.app().link().kind() == kind;
    }

    /// What `kind`'s peer received so far, keep-alives removed.
    QByteArray received(LinkKind kind) {
        switch (kind) {
            case LinkKind::Serial:
                m_serial += pty.readAtLeast(0, 0);
                return QByteArray(m_serial).replace("@PC>25 IP8", "");
            case LinkKind::Udp: {
                QList<QByteArray> d = udp.datagrams();
                d.removeAll("IP8");
                return d.join();
            }
            case LinkKind::Tcp:
                return QByteArray(tcp.received()).replace("IP8", "");
            case LinkKind::None:
                break;
        }
        return {};
    }

    /// Sends `command` and tells whether `kind`'s peer got it.
    bool carries(LinkKind kind, const QByteArray& command, int timeoutMs = kTimeoutMs) {
        f.app().sendCommand(QString::fromLatin1(command));
        return waitFor([&] { return received(kind).contains(command); }, timeoutMs);
    }

    bool rowIs(LinkKind kind, Rgb colour) {
        for (int c : rowOf(kind).fields)
            if (f.controls().background(c) != colour) return false;
        return true;
    }

    BoxAnswerer boxes;
    UdpPeer udp;
    TcpPeer tcp;
    PtyPair pty;
    ConsoleFixture f;

private:
    QByteArray m_serial;
};

QAction* menuAction(App& app, const QString& text) {
    for (QAction* a : app.mainWindow()->findChildren<QAction*>())
        if (a->text() == text) return a;
    return nullptr;
}

}  // namespace

class LinkDialog : public QObject {
    Q_OBJECT
private slots:
    void startsWithDefaultsAndCreatesTheFile() {
        ConsoleFixture f;
        Controls& c = f.controls();
        QVERIFY(c.windowOpen(CD::kWindow));
        auto* window = static_cast<FormWindow*>(c.window(CD::kWindow));
        QCOMPARE(window->windowTitle(), QStringLiteral("COM"));
        QCOMPARE(window->client()->size(), QSize(490, 300));
        QCOMPARE(window->parentWidget(), f.app().mainWindow());

        const QList<std::pair<int, QString>> texts{
            {CD::kComField, ""},           {CD::kUdpIp, "192.168.1.224"},
            {CD::kUdpLocal, "9000"},       {CD::kUdpRemote, "8000"},
            {CD::kTcpIp, "192.168.1.224"}, {CD::kTcpLocal, "9004"},
            {CD::kTcpRemote, "8004"},      {CD::kPrefixLabel, "@PC>25"},
            {CD::kComButton, "Open Com"},  {CD::kUdpButton, "Open UDP"},
            {CD::kTcpButton, "Open TCP"}};
        for (const auto& [control, text] : texts) QCOMPARE(c.text(control), text);
        for (LinkKind k : kKinds)
            for (int field : rowOf(k).fields) QCOMPARE(c.background(field), colour::kLinkIdle);
        QCOMPARE(c.text(mainwindow::kLinkLabel), QString());
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        QCOMPARE(f.app().link().serialPrefix, QString());

        QVERIFY(QFile::exists(f.settingsPath()));
        QCOMPARE(QFile(f.settingsPath()).size(), 0);
    }

    void layout_data() {
        QTest::addColumn<int>("control");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        const struct {
            int n, x, y, w, h;
            const char* text;
        } rows[] = {
            {166, 150, 10, 210, 30, "Device connect"},
            {167, 30, 170, 10, 20, "IP"},
            {168, 50, 170, 100, 20, "192.168.1.224"},
            {169, 160, 170, 60, 20, "Local Port "},
            {170, 230, 170, 40, 20, "9000"},
            {171, 280, 170, 50, 20, "SAT Port "},
            {172, 340, 170, 40, 20, "8000"},
            {173, 390, 170, 70, 20, "Open UDP"},
            {174, 30, 250, 10, 20, "IP"},
            {175, 50, 250, 100, 20, "192.168.1.224"},
            {176, 160, 250, 60, 20, "Local Port "},
            {177, 230, 250, 40, 20, "9004"},
            {178, 280, 250, 50, 20, "SAT Port "},
            {179, 340, 250, 40, 20, "8004"},
            {180, 390, 250, 70, 20, "Open TCP"},
            {181, 30, 90, 30, 20, "Com:"},
            {182, 70, 90, 20, 20, ""},
            {183, 390, 90, 70, 20, "Open Com"},
            {184, 20, 70, 450, 50, ""},
            {185, 20, 150, 450, 50, ""},
            {186, 20, 230, 450, 50, ""},
            {187, 20, 55, 30, 15, "COM"},
            {188, 20, 135, 30, 15, "UDP"},
            {189, 20, 215, 30, 15, "TCP"},
            {190, 100, 90, 80, 20, "@PC>25"},
        };
        for (const auto& r : rows)
            QTest::addRow("%d", r.n)
                << r.n << QRect(r.x, r.y, r.w, r.h) << QString::fromLatin1(r.text);
    }

    void layout() {
        QFETCH(int, control);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        ConsoleFixture f;
        QWidget* w = f.controls().widget(control);
        QVERIFY(w);
        QCOMPARE(w->geometry(), geometry);
        if (f.controls().kind(control) != ControlKind::Frame)
            QCOMPARE(f.controls().text(control), text);
    }

    void rowFollowsTheLink_data() {
        QTest::addColumn<LinkKind>("kind");
        for (LinkKind k : kKinds) QTest::newRow(nameOf(k)) << k;
    }

    // Open: green and "Close ...", the link label names the kind. Close: grey, "Open ...",
    // the label stays. Failure: red, the row's message, the label still names the last link
    // opened. A good open after a failure turns the row green again.
    void rowFollowsTheLink() {
        QFETCH(LinkKind, kind);
        const Row& row = rowOf(kind);
        Rig rig;
        Controls& c = rig.f.controls();
        QVERIFY(rig.open(kind));
        QVERIFY(rig.rowIs(kind, colour::kLinkOpen));
        QCOMPARE(c.text(row.button), row.closeText);
        QCOMPARE(c.text(mainwindow::kLinkLabel), row.label);
        for (LinkKind other : kKinds)
            if (other != kind) QVERIFY(rig.rowIs(other, colour::kLinkIdle));
        QVERIFY(rig.carries(kind, "STAT"));

        rig.press(kind);
        QCOMPARE(rig.f.app().link().kind(), LinkKind::None);
        QVERIFY(rig.rowIs(kind, colour::kLinkIdle));
        QCOMPARE(c.text(row.button), row.openText);
        QCOMPARE(c.text(mainwindow::kLinkLabel), row.label);

        rig.boxes.answer(QMessageBox::Ok);
        rig.aim(kind, false);
        rig.press(kind);
        QVERIFY(rig.boxes.waitSeen(1));
        QCOMPARE(rig.boxes.seen().first().title, QStringLiteral("Error"));
        QCOMPARE(rig.boxes.seen().first().text, row.failure);
        QCOMPARE(rig.f.app().link().kind(), LinkKind::None);
        QVERIFY(rig.rowIs(kind, colour::kLinkFailed));
        QCOMPARE(c.text(row.button), row.openText);
        QCOMPARE(c.text(mainwindow::kLinkLabel), row.label);

        rig.aim(kind);
        rig.press(kind);
        QCOMPARE(rig.f.app().link().kind(), kind);
        QVERIFY(rig.rowIs(kind, colour::kLinkOpen));
        QCOMPARE(rig.boxes.seen().size(), 1);
    }

    // The colour is what the field paints, not only what its palette says.
    void openRowIsPaintedGreen() {
        Rig rig;
        QVERIFY(rig.open(LinkKind::Udp));
        QWidget* field = rig.f.controls().widget(CD::kUdpIp);
        const QImage shot = field->grab().toImage();
        const QColor inside = shot.pixelColor(shot.width() - 4, shot.height() / 2);
        QCOMPARE(inside, QColor(0, 180, 0));
    }

    void pressingTwiceOpensThenCloses_data() {
        QTest::addColumn<LinkKind>("kind");
        for (LinkKind k : kKinds) QTest::newRow(nameOf(k)) << k;
    }

    void pressingTwiceOpensThenCloses() {
        QFETCH(LinkKind, kind);
        Rig rig;
        rig.boxes.answer(QMessageBox::No);  // should a question come, it is recorded, not hung on
        QVERIFY(rig.open(kind));
        rig.press(kind);
        QCOMPARE(rig.f.app().link().kind(), LinkKind::None);
        QVERIFY(rig.boxes.seen().isEmpty());
        QVERIFY(!rig.carries(kind, "GONE", 300));
        if (kind == LinkKind::Tcp)
            QVERIFY(waitFor(
                [&] { return rig.tcp.client()->state() == QAbstractSocket::UnconnectedState; }));
    }

    void switching_data() {
        QTest::addColumn<LinkKind>("from");
        QTest::addColumn<LinkKind>("to");
        QTest::addColumn<int>("outcome");
        for (LinkKind from : kKinds)
            for (LinkKind to : kKinds) {
                if (from == to) continue;
                QTest::addRow("%s to %s, No", nameOf(from), nameOf(to)) << from << to << 0;
                QTest::addRow("%s to %s, Yes", nameOf(from), nameOf(to)) << from << to << 1;
                QTest::addRow("%s to %s, Yes, unreachable", nameOf(from), nameOf(to))
                    << from << to << 2;
            }
    }

    // Another kind's button while a link is open asks first. No changes nothing and writes
    // nothing; Yes closes the old link for good, whether the new one opens or not. Only the
    // network buttons save the file.
    void switching() {
        QFETCH(LinkKind, from);
        QFETCH(LinkKind, to);
        QFETCH(int, outcome);
        const bool yes = outcome > 0;
        const bool reachable = outcome == 1;
        Rig rig;
        Controls& c = rig.f.controls();
        QVERIFY(rig.open(from));
        QVERIFY(QFile::remove(rig.f.settingsPath()));
        rig.aim(to, reachable);
        rig.boxes.answer(yes ? QMessageBox::Yes : QMessageBox::No);
        if (!reachable) rig.boxes.answer(QMessageBox::Ok);
        rig.press(to);

        QVERIFY(rig.boxes.waitSeen(yes && !reachable ? 2 : 1));
        QCOMPARE(rig.boxes.seen().first().title, QStringLiteral("Warning"));
        QCOMPARE(rig.boxes.seen().first().text, QStringLiteral("Do you want to change port type?"));
        if (!yes) {
            QCOMPARE(rig.boxes.seen().size(), 1);
            QCOMPARE(rig.f.app().link().kind(), from);
            QVERIFY(rig.rowIs(from, colour::kLinkOpen));
            QVERIFY(rig.rowIs(to, colour::kLinkIdle));
            QCOMPARE(c.text(rowOf(from).button), rowOf(from).closeText);
            QCOMPARE(c.text(rowOf(to).button), rowOf(to).openText);
            QCOMPARE(c.text(mainwindow::kLinkLabel), rowOf(from).label);
            QVERIFY(!QFile::exists(rig.f.settingsPath()));
            QVERIFY(rig.carries(from, "STILL"));
            return;
        }

        QCOMPARE(rig.f.app().link().kind(), reachable ? to : LinkKind::None);
        QVERIFY(rig.rowIs(from, colour::kLinkIdle));
        QCOMPARE(c.text(rowOf(from).button), rowOf(from).openText);
        QVERIFY(rig.rowIs(to, reachable ? colour::kLinkOpen : colour::kLinkFailed));
        QCOMPARE(c.text(rowOf(to).button), reachable ? rowOf(to).closeText : rowOf(to).openText);
        QCOMPARE(c.text(mainwindow::kLinkLabel), (reachable ? rowOf(to) : rowOf(from)).label);
        if (!reachable) QCOMPARE(rig.boxes.seen().at(1).text, rowOf(to).failure);

        if (to == LinkKind::Serial) {
            QVERIFY(!QFile::exists(rig.f.settingsPath()));
        } else {
            const QByteArray file = readFileBytes(rig.f.settingsPath());
            QVERIFY(file.startsWith(reachable ? QByteArray::number(int(to)) + "\r\n" : "0\r\n"));
        }

        if (from == LinkKind::Serial)
            QVERIFY(!rig.f.app().link().serialOpen());
        else if (to == LinkKind::Serial || !reachable)
            QVERIFY(!rig.f.app().link().hasNetworkConnection());
        if (from == LinkKind::Tcp)
            QVERIFY(waitFor(
                [&] { return rig.tcp.client()->state() == QAbstractSocket::UnconnectedState; }));
        if (reachable) {
            if (to == LinkKind::Tcp) QVERIFY(rig.tcp.waitForClient());
            QVERIFY(rig.carries(to, "NEW"));
        } else {
            rig.f.app().sendCommand(QStringLiteral("NEW"));
        }
        QVERIFY(!waitFor([&] { return rig.received(from).contains("NEW"); }, 200));
    }

    void comFieldNamesThePort() {
        Rig rig;
        PtyPair pty12;
        QVERIFY(pty12.linkInto(rig.f.resourceDir(), QStringLiteral("COM12")));
        rig.f.type(CD::kComField, QStringLiteral("12"));
        rig.f.click(CD::kComButton);
        QCOMPARE(rig.f.app().link().kind(), LinkKind::Serial);
        rig.f.app().sendCommand(QStringLiteral("STAT"));
        QCOMPARE(pty12.readAtLeast(11), QByteArray("@PC>25 STAT"));
        QVERIFY(rig.received(LinkKind::Serial).isEmpty());  // COM7 was not touched
    }

    void emptyComFieldFails() {
        Rig rig;
        const QByteArray before =
            "2\r\n\r\n@PC>25\r\n127.0.0.1\r\n1\r\n2\r\n127.0.0.1\r\n3\r\n4\r\n";
        QFile file(rig.f.settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
        file.close();
        // A file named "COM" in the folder changes nothing: the empty field names no port.
        QVERIFY(rig.pty.linkInto(rig.f.resourceDir(), QStringLiteral("COM")));
        rig.boxes.answer(QMessageBox::Ok);
        rig.f.click(CD::kComButton);
        QVERIFY(rig.boxes.waitSeen(1));
        QCOMPARE(rig.boxes.seen().first().title, QStringLiteral("Error"));
        QCOMPARE(rig.boxes.seen().first().text, QStringLiteral("Can't open the port"));
        QCOMPARE(rig.f.controls().background(CD::kComField), colour::kLinkFailed);
        QCOMPARE(rig.f.controls().text(CD::kComButton), QStringLiteral("Open Com"));
        QCOMPARE(rig.f.app().link().kind(), LinkKind::None);
        QVERIFY(!rig.f.app().link().serialOpen());
        QVERIFY(!rig.f.app().timers().isActive(TimerBank::kSerialPoll));
        QCOMPARE(readFileBytes(rig.f.settingsPath()), before);
    }

    void unopenablePort_data() {
        QTest::addColumn<QString>("com");
        QTest::addColumn<bool>("plainFile");
        QTest::newRow("not a number") << "x" << false;
        QTest::newRow("no such device") << "250" << false;
        QTest::newRow("path characters") << "/../COM7" << false;
        QTest::newRow("a plain file of that name") << "3" << true;
    }

    // Whatever the COM field names, a port that cannot be opened fails the same way and
    // writes nothing.
    void unopenablePort() {
        QFETCH(QString, com);
        QFETCH(bool, plainFile);
        Rig rig;
        if (plainFile) {
            QFile file(rig.f.resourceDir() + QStringLiteral("COM") + com);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::remove(rig.f.settingsPath()));
        rig.f.controls().setText(CD::kComField, com);
        rig.boxes.answer(QMessageBox::Ok);
        rig.f.click(CD::kComButton);
        QVERIFY(rig.boxes.waitSeen(1));
        QCOMPARE(rig.boxes.seen().first().text, QStringLiteral("Can't open the port"));
        QCOMPARE(rig.f.app().link().kind(), LinkKind::None);
        QVERIFY(!rig.f.app().link().serialOpen());
        QCOMPARE(rig.f.controls().background(CD::kComField), colour::kLinkFailed);
        QVERIFY(!QFile::exists(rig.f.settingsPath()));
    }

    // Timer 1 starts at 20 ms with the serial link and keeps running after it closes.
    void serialOpenStartsTimer1() {
        Rig rig;
        TimerBank& timers = rig.f.app().timers();
        QVERIFY(!timers.isActive(TimerBank::kSerialPoll));
        QVERIFY(rig.open(LinkKind::Serial));
        QVERIFY(timers.isActive(TimerBank::kSerialPoll));
        QCOMPARE(timers.period(TimerBank::kSerialPoll), 20);
        rig.press(LinkKind::Serial);
        QCOMPARE(rig.f.app().link().kind(), LinkKind::None);
        QVERIFY(timers.isActive(TimerBank::kSerialPoll));
    }

    void serialPortNames_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("fileInFolder");
        QTest::addColumn<QString>("expected");  // "$" stands for the resource folder
        QTest::newRow("mapped one digit") << "5"
                                          << "COM5"
                                          << "$COM5";
        QTest::newRow("mapped two digits") << "12"
                                           << "COM12"
                                           << "$COM12";
        QTest::newRow("another port's file") << "12"
                                             << "COM1"
                                             << "/dev/ttyS11";
        QTest::newRow("first port") << "1"
                                    << ""
                                    << "/dev/ttyS0";
        QTest::newRow("zero") << "0"
                              << ""
                              << "COM0";
        QTest::newRow("empty") << ""
                               << "COM"
                               << "COM";
        QTest::newRow("not a number") << "x"
                                      << ""
                                      << "COMx";
        QTest::newRow("leading blank") << " 5"
                                       << ""
                                       << "COM 5";
        QTest::newRow("path outside the folder") << "/../COM5"
                                                 << "COM5"
                                                 << "COM/../COM5";
        QTest::newRow("very long number") << "12345678901234567890"
                                          << ""
                                          << "COM12345678901234567890";
    }

    void serialPortNames() {
        QFETCH(QString, field);
        QFETCH(QString, fileInFolder);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        if (!fileInFolder.isEmpty()) {
            QFile f(folder + fileInFolder);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        expected.replace(u'$', folder);
        QCOMPARE(serialPortPath(field, folder), expected);
    }

    void closeAndReopenThroughMenu_data() {
        QTest::addColumn<LinkKind>("kind");
        for (LinkKind k : kKinds) QTest::newRow(nameOf(k)) << k;
    }

    // Closing the dialog leaves the link alone; the menu's "Communications" brings it back
    // showing the open link, with the fields as the settings file holds them.
    void closeAndReopenThroughMenu() {
        QFETCH(LinkKind, kind);
        Rig rig;
        Controls& c = rig.f.controls();
        QVERIFY(rig.open(kind));
        const QStringList saved =
            QString::fromUtf8(readFileBytes(rig.f.settingsPath())).split("\r\n");

        QPointer<QWidget> dialog = c.window(CD::kWindow);
        dialog->close();
        QVERIFY(!c.windowOpen(CD::kWindow));
        QVERIFY(waitFor([&] { return dialog.isNull(); }));
        QCOMPARE(rig.f.app().link().kind(), kind);
        QVERIFY(rig.carries(kind, "STAT"));
        if (kind == LinkKind::Serial)
            rig.pty.write(serialReply("AB 1 OK"));
        else if (kind == LinkKind::Udp)
            rig.udp.reply(networkReply("AB 1 OK"));
        else
            rig.tcp.send(networkReply("AB 1 OK"));
        QVERIFY(waitFor([&] { return rig.f.app().repliesHandled() == 1; }));

        QAction* communications = menuAction(rig.f.app(), QStringLiteral("Communications"));
        QVERIFY(communications);
        communications->trigger();
        QVERIFY(c.windowOpen(CD::kWindow));
        QVERIFY(c.window(CD::kWindow)->isVisible());
        QVERIFY(rig.rowIs(kind, colour::kLinkOpen));
        QCOMPARE(c.text(rowOf(kind).button), rowOf(kind).closeText);
        for (LinkKind other : kKinds) {
            if (other == kind) continue;
            QVERIFY(rig.rowIs(other, colour::kLinkIdle));
            QCOMPARE(c.text(rowOf(other).button), rowOf(other).openText);
        }
        if (kind == LinkKind::Serial) {
            // Opening the serial link wrote nothing, so the file still holds no COM number.
            QCOMPARE(c.text(CD::kComField), QString());
        } else {
            QCOMPARE(saved.size(), 10);
            const int first = kind == LinkKind::Udp ? 3 : 6;
            for (int i = 0; i < 3; ++i) QCOMPARE(c.text(rowOf(kind).fields[i]), saved[first + i]);
        }

        rig.press(kind);
        QCOMPARE(rig.f.app().link().kind(), LinkKind::None);
        QVERIFY(readFileBytes(rig.f.settingsPath()).startsWith("0\r\n"));
    }

    // Opening it again while it is up builds it afresh: unsaved edits and a red row are gone.
    void reopeningResetsTheFields() {
        Rig rig;
        rig.boxes.answer(QMessageBox::Ok);
        rig.aim(LinkKind::Udp, false);
        rig.press(LinkKind::Udp);
        QVERIFY(rig.boxes.waitSeen(1));
        QVERIFY(rig.rowIs(LinkKind::Udp, colour::kLinkFailed));
        const QString savedIp = rig.f.controls().text(CD::kUdpIp);
        rig.f.type(CD::kTcpLocal, QStringLiteral("1234"));
        QWidget* before = rig.f.controls().window(CD::kWindow);
        menuAction(rig.f.app(), QStringLiteral("Communications"))->trigger();
        QVERIFY(rig.f.controls().window(CD::kWindow) != before);
        QCOMPARE(rig.f.controls().text(CD::kTcpLocal), QStringLiteral("9004"));
        QCOMPARE(rig.f.controls().text(CD::kUdpIp), savedIp);
        QCOMPARE(rig.f.controls().text(CD::kUdpRemote), QStringLiteral("0"));
        QVERIFY(rig.rowIs(LinkKind::Udp, colour::kLinkIdle));
    }
};

QTEST_MAIN(LinkDialog)
#include "tst_link_dialog.moc"
