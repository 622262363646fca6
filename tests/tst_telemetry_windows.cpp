// The local GPS, vehicle and MAVLink statistics windows: each against its layout table, opened
// from the main window's menu, filled by the replies only while open, empty when reopened, the
// "Init" button, and all three filled by the simulator over a real UDP link.

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "ConnectionDialog.h"
#include "Fonts.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

enum class Kind { Text, Field, ReadOnly, Button };

struct Row {
    int window;
    int number;
    Kind kind;
    int x, y, w, h;
    const char* caption = "";
    const char* tooltip = "";
    bool title = false;  ///< the window's heading: "Arial" 20 bold
    bool hidden = false;
};

constexpr Row kRows[] = {
    // Local GPS, window 1.
    {1, 59, Kind::Text, 50, 10, 160, 30, "Local  GPS", "", true},
    {1, 60, Kind::Text, 20, 70, 60, 20, "STATUS"},
    {1, 61, Kind::Text, 20, 100, 60, 20, "LA"},
    {1, 62, Kind::Text, 20, 130, 60, 20, "LO"},
    {1, 63, Kind::Text, 20, 160, 60, 20, "ALT"},
    {1, 64, Kind::Text, 20, 190, 60, 20, "VEL"},
    {1, 65, Kind::Text, 20, 220, 60, 20, "CUR"},
    {1, 66, Kind::Text, 20, 250, 60, 20, "SAT"},
    {1, 67, Kind::Text, 20, 280, 60, 20, "HDop"},
    {1, 68, Kind::Field, 100, 70, 30, 20},
    {1, 69, Kind::Field, 100, 100, 150, 20},
    {1, 70, Kind::Field, 100, 130, 150, 20},
    {1, 71, Kind::Field, 100, 160, 150, 20},
    {1, 72, Kind::Field, 100, 190, 150, 20},
    {1, 73, Kind::Field, 100, 220, 150, 20},
    {1, 74, Kind::Field, 100, 250, 150, 20},
    {1, 75, Kind::Field, 100, 280, 150, 20},
    // Vehicle, window 2.
    {2, 76, Kind::Text, 80, 10, 110, 30, "Vehicle", "", true},
    {2, 77, Kind::Text, 20, 70, 60, 20, "FIX"},
    {2, 78, Kind::Text, 20, 100, 60, 20, "LA"},
    {2, 79, Kind::Text, 20, 130, 60, 20, "LO"},
    {2, 80, Kind::Text, 20, 160, 60, 20, "ALT"},
    {2, 81, Kind::Text, 20, 190, 60, 20, "VEL"},
    {2, 82, Kind::Text, 20, 220, 60, 20, "CUR"},
    {2, 83, Kind::Text, 20, 250, 60, 20, "SAT"},
    {2, 84, Kind::Text, 20, 310, 60, 20, "VDop"},
    {2, 85, Kind::Text, 20, 280, 60, 20, "HDop"},
    {2, 86, Kind::ReadOnly, 100, 70, 150, 20},
    {2, 87, Kind::Field, 100, 100, 150, 20},
    {2, 88, Kind::Field, 100, 130, 150, 20},
    {2, 89, Kind::Field, 100, 160, 150, 20},
    {2, 90, Kind::Field, 100, 190, 150, 20},
    {2, 91, Kind::Field, 100, 220, 150, 20},
    {2, 92, Kind::Field, 100, 250, 150, 20},
    {2, 93, Kind::Field, 100, 280, 150, 20},
    {2, 94, Kind::Field, 100, 310, 150, 20},
    {2, 95, Kind::Text, 20, 340, 60, 20, "CPos"},
    {2, 96, Kind::Field, 100, 340, 150, 20},
    {2, 97, Kind::Text, 20, 370, 60, 20, "CHome"},
    {2, 98, Kind::Field, 100, 370, 150, 20},
    {2, 99, Kind::Text, 20, 400, 60, 20, "CDes"},
    {2, 100, Kind::Field, 100, 400, 150, 20},
    {2, 101, Kind::Text, 20, 430, 60, 20, "DIST"},
    {2, 102, Kind::Field, 100, 430, 150, 20},
    {2, 103, Kind::Text, 20, 460, 60, 20, "ROUT"},
    {2, 104, Kind::Field, 100, 460, 150, 20},
    {2, 105, Kind::Text, 20, 490, 60, 20, "ALTR"},
    {2, 106, Kind::Field, 100, 490, 150, 20},
    // MAVLink statistics, window 3.
    {3, 107, Kind::Text, 80, 10, 130, 30, "MAVLINK", "", true},
    {3, 108, Kind::Text, 20, 70, 80, 20, "PACKETS OK"},
    {3, 109, Kind::Field, 110, 70, 150, 20, "", "% Packages Ok regarding Overflow and CRC errors"},
    {3, 110, Kind::Text, 20, 100, 85, 20, "BANDWIDTH"},
    {3, 111, Kind::Field, 110, 100, 150, 20, "", "BandWidth Packets. 100%=50pSeg"},
    {3, 131, Kind::Text, 20, 130, 87, 20, "PORTS PACKETS"},
    {3, 132, Kind::Field, 110, 130, 150, 20, "",
     "Mav packets received on Ethertnet ports. Sometimes in a single packet in the port there can "
     "be several Mavlink packets or only half a packet"},
    {3, 112, Kind::Text, 20, 160, 80, 20, "RX P. MAV"},
    {3, 113, Kind::Field, 110, 160, 150, 20, "", "MavLink Packets Received Ok"},
    {3, 114, Kind::Text, 20, 190, 80, 20, "RX PACKET/S"},
    {3, 115, Kind::Field, 110, 190, 150, 20, "",
     "MavLink packets received Ok, per second. Optimum max. 20"},
    {3, 125, Kind::Text, 20, 220, 80, 20, "RX GPS"},
    {3, 124, Kind::Field, 110, 220, 150, 20, "", "MavLink GPS_RAW_INT Packets ($18) Received Ok"},
    {3, 121, Kind::Text, 20, 250, 80, 20, "RX GPS/S"},
    {3, 122, Kind::Field, 110, 250, 150, 20, "",
     "MavLink GPS_RAW_INT Packets ($18) Received Ok, per second"},
    {3, 123, Kind::Text, 20, 280, 80, 20, "RX HOME"},
    {3, 126, Kind::Field, 110, 280, 150, 20, "", "MavLink HOME_POSITION ($F2) packets received"},
    {3, 116, Kind::Text, 20, 310, 80, 20, "LOST SEQ P ", "", false, true},
    {3, 117, Kind::Field, 110, 310, 150, 20, "", "", false, true},
    {3, 118, Kind::Text, 20, 340, 80, 20, "LOST SEQ P/S ", "", false, true},
    {3, 119, Kind::Field, 110, 340, 150, 20, "", "", false, true},
    {3, 129, Kind::Text, 20, 370, 80, 20, "OVERFLOW"},
    {3, 130, Kind::Field, 110, 370, 150, 20, "", "Mavlink overflow buffer errors"},
    {3, 127, Kind::Text, 20, 400, 80, 20, "CRC ERR"},
    {3, 128, Kind::Field, 110, 400, 150, 20, "", "CRC errors Mavlink packets"},
    {3, 120, Kind::Button, 20, 430, 240, 30, "Init",
     "Initializes Mavlink packet statistical counters"},
};

/// What each window is: its menu item, title, inner size and control numbers.
struct WindowShape {
    int number;
    const char* menuItem;
    const char* title;
    QSize size;
    int firstControl, lastControl;
};
constexpr WindowShape kWindows[] = {
    {1, "GPS", "Local GPS ", {270, 320}, 59, 75},
    {2, "Vehicle", "Vehicle ", {270, 530}, 76, 106},
    {3, "Mavlink", "MAVLINK", {280, 470}, 107, 132},
};

const WindowShape& shapeOf(int window) {
    return kWindows[window - 1];
}

constexpr Rgb kOrange{255, 141, 0};

/// The operator chooses the window's item in the main window's "Menu".
FormWindow* openFromMenu(ConsoleFixture& f, int window) {
    auto* bar = f.app().mainWindow()->findChild<QMenuBar*>();
    for (QAction* a : bar->actions().at(0)->menu()->actions())
        if (a->text() == QLatin1String(shapeOf(window).menuItem)) a->trigger();
    return dynamic_cast<FormWindow*>(f.controls().window(window));
}

/// The operator closes the window with its close box.
void closeWindow(ConsoleFixture& f, int window) {
    if (QWidget* w = f.controls().window(window)) w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool hasKind(QWidget* w, Kind k) {
    auto* edit = qobject_cast<QLineEdit*>(w);
    switch (k) {
        case Kind::Text:
            return qobject_cast<QLabel*>(w);
        case Kind::Field:
            return edit && !edit->isReadOnly();
        case Kind::ReadOnly:
            return edit && edit->isReadOnly();
        case Kind::Button:
            return qobject_cast<QPushButton*>(w);
    }
    return false;
}

QString caption(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return {};
}

/// One expected control after the replies: its text, and its background when given.
struct Expect {
    int control;
    QString text;
    std::optional<Rgb> background = std::nullopt;
};
using Expects = QList<Expect>;

void feed(ConsoleFixture& f, const QByteArray& text) {
    f.app().processReceivedChunk(networkReply(text));
}

}  // namespace

char* toString(const Rgb& c) {
    return QTest::toString(QStringLiteral("RGB(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b));
}

Q_DECLARE_METATYPE(Rgb)
Q_DECLARE_METATYPE(Expects)

class TelemetryWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { m_f = std::make_unique<ConsoleFixture>(); }
    void cleanupTestCase() { m_f.reset(); }
    void cleanup() {
        for (const WindowShape& s : kWindows) closeWindow(*m_f, s.number);
        m_f->controls().setText(27, {});
    }

    void windowFrame_data() {
        QTest::addColumn<int>("window");
        for (const WindowShape& s : kWindows) QTest::newRow(s.title) << s.number;
    }

    // A child window of the main window, centred on it, fixed size, a close box only; its
    // menu item brings the open window forward instead of making a second one.
    void windowFrame() {
        QFETCH(int, window);
        const WindowShape& shape = shapeOf(window);
        QVERIFY(!m_f->controls().windowOpen(window));
        FormWindow* w = openFromMenu(*m_f, window);
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QVERIFY(w->isWindow());
        QCOMPARE(w->parentWidget(), m_f->app().mainWindow());
        QCOMPARE(w->windowTitle(), QString::fromLatin1(shape.title));
        QCOMPARE(w->client()->size(), shape.size);
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(w->windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(
            !(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(w->palette().color(QPalette::Window), QColor(128, 128, 128));
        const QPoint offCentre =
            w->frameGeometry().center() - m_f->app().mainWindow()->frameGeometry().center();
        QVERIFY2(qAbs(offCentre.x()) <= 2 && qAbs(offCentre.y()) <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
        for (int n = shape.firstControl; n <= shape.lastControl; ++n) {
            QVERIFY2(m_f->controls().widget(n), qPrintable(QString::number(n)));
            QCOMPARE(m_f->controls().widget(n)->window(), w);
        }

        QCOMPARE(openFromMenu(*m_f, window), w);
        int copies = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && top->windowTitle() == QLatin1String(shape.title)) ++copies;
        QCOMPARE(copies, 1);

        closeWindow(*m_f, window);
        QVERIFY(!m_f->controls().windowOpen(window));
        QVERIFY(!m_f->controls().widget(shape.firstControl));
    }

    void controlRows_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kRows)); ++i)
            QTest::addRow("window %d control %d", kRows[i].window, kRows[i].number) << i;
    }

    void controlRows() {
        QFETCH(int, index);
        const Row& row = kRows[index];
        FormWindow* window = openFromMenu(*m_f, row.window);
        QWidget* w = m_f->controls().widget(row.number);
        QVERIFY(w);
        QVERIFY(hasKind(w, row.kind));
        QCOMPARE(w->parentWidget(), window->client());
        QCOMPARE(w->geometry(), QRect(row.x, row.y, row.w, row.h));
        QCOMPARE(caption(w), QString::fromUtf8(row.caption));
        QCOMPARE(w->toolTip(), QString::fromUtf8(row.tooltip));
        QCOMPARE(w->isHidden(), row.hidden);
        QCOMPARE(w->font(), row.title ? fonts::font(1) : fonts::controlFont());
        QCOMPARE(w->font().family(), QStringLiteral("Arial"));
        QCOMPARE(w->font().bold(), row.title);
        if (row.kind == Kind::Field || row.kind == Kind::ReadOnly)
            QCOMPARE(m_f->controls().background(row.number), colour::kField);
        if (row.kind == Kind::Text)
            QCOMPARE(m_f->controls().background(row.number), colour::kWindow);
    }

    void fills_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("originAltitude");  // control 27 of the main window
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<Expects>("expected");
        const QString deg = QStringLiteral("\u00BA");
        QTest::newRow("GPS with a fix")
            << 1 << "" << QByteArrayList{"GPS A 415600000 -37600000 640 3 270 9 1.1 OK"}
            << Expects{{68, "A", colour::kActive},
                       {69, "41.5600000" + deg},
                       {70, "-3.7600000" + deg},
                       {71, "640"},
                       {72, "3"},
                       {73, "270"},
                       {74, "9"},
                       {75, "1.1"}};
        QTest::newRow("GPS losing its fix")
            << 1 << "" << QByteArrayList{"GPS A 1 2 3 4 5 6 7 OK", "GPS V 5 -1234567 3 4 5 6 7 OK"}
            << Expects{
                   {68, "V", colour::kField}, {69, "0.0000005" + deg}, {70, "-0.1234567" + deg}};
        QTest::newRow("GPS status compared exactly")
            << 1 << "" << QByteArrayList{"GPS a x OK"}
            << Expects{{68, "a", colour::kField}, {69, "0.0000000" + deg}};
        QTest::newRow("UAVGPS")
            << 2 << ""
            << QByteArrayList{"UAVGPS 11 12 13 415678901 -37654321 700 15 90 14 1 0.8 1.2 OK"}
            << Expects{{96, "11"}, {98, "12"}, {100, "13"}, {87, "41.5678901" + deg},
                       {88, "-3.7654321" + deg}, {89, "700"}, {90, "15"}, {91, "90"}, {92, "14"},
                       {86, "Autonomous GPS", colour::kGood}, {93, "0.8"}, {94, "1.2"}};
        QTest::newRow("UAVDAT over the origin altitude")
            << 2 << "120" << QByteArrayList{"UAVDAT 850 350 7 8 2 OK"}
            << Expects{{102, "850"}, {106, "230"}, {104, "2"}};
        QTest::newRow("UAVDAT, origin altitude empty")
            << 2 << "" << QByteArrayList{"UAVDAT 850 350 7 8 2 OK"} << Expects{{106, "350"}};
        QTest::newRow("UAVDAT, whole metres only")
            << 2 << " 123.7" << QByteArrayList{"UAVDAT 0 350.9 OK"}
            << Expects{{106, "227"}, {104, ""}};
        QTest::newRow("UAVDAT below the origin")
            << 2 << "+640" << QByteArrayList{"UAVDAT 0 -20 OK"} << Expects{{106, "-660"}};
        QTest::newRow("UAVDAT altitude no number")
            << 2 << "120" << QByteArrayList{"UAVDAT 0 abc OK"} << Expects{{106, "-120"}};
        QTest::newRow("UAVDAT beyond 64 bits")
            << 2 << "-9" << QByteArrayList{"UAVDAT 0 9223372036854775807 OK"}
            << Expects{{106, "9223372036854775807"}};
        QTest::newRow("MAV STAT")
            << 3 << "" << QByteArrayList{"MAV STAT 97 40 1234 18 4 0 300 5 2 0 3 1388 OK"}
            << Expects{{109, "97%"}, {111, "40%"}, {113, "1234"}, {115, "18"}, {117, "4"},
                       {119, "0"}, {124, "300"}, {122, "5", colour::kGood},
                       {126, "2", colour::kGood}, {130, "0"}, {128, "3"}, {132, "1388"}};
        QTest::newRow("MAV with another second word")
            << 3 << "" << QByteArrayList{"MAV STATS 97 40 1234 OK"}
            << Expects{{109, ""}, {113, ""}};

        // The fix type compares as text: anything but "0" to "6" leaves the previous fix.
        const QByteArray uavgps = "UAVGPS 1 2 3 4 5 6 7 8 9 ";
        const struct {
            const char* code;
            const char* text;
            Rgb background;
        } fixes[] = {{"0", "Invalid fix", colour::kBad},   {"1", "Autonomous GPS", colour::kGood},
                     {"2", "Differential", colour::kGood}, {"3", "PPS", colour::kGood},
                     {"4", "RTK", colour::kGood},          {"5", "Floating RTK", colour::kGood},
                     {"6", "Own Estimate", colour::kGood}, {"7", "Invalid fix", colour::kBad},
                     {"07", "Invalid fix", colour::kBad},  {"-1", "Invalid fix", colour::kBad},
                     {"1.0", "Invalid fix", colour::kBad}, {"+3", "Invalid fix", colour::kBad},
                     {"PPS", "Invalid fix", colour::kBad}};
        for (const auto& fix : fixes)
            QTest::addRow("fix %s after 0", fix.code)
                << 2 << ""
                << QByteArrayList{uavgps + "0 0.8 1.2 OK", uavgps + fix.code + " 0.8 1.2 OK"}
                << Expects{{86, fix.text, fix.background}};
        QTest::newRow("fix missing after 0")
            << 2 << "" << QByteArrayList{uavgps + "0 0.8 1.2 OK", uavgps + "OK"}
            << Expects{{86, "Invalid fix", colour::kBad}};

        // Rate lights of 122 and 126: the field as received on the colour of its whole number.
        const struct {
            const char* rate;
            Rgb background;
        } rates[] = {{"-1", colour::kBad}, {"0", colour::kBad},  {"1", kOrange},
                     {"2", colour::kGood}, {"5", colour::kGood}, {"x", colour::kBad},
                     {"1.9", kOrange}};
        for (const auto& r : rates) {
            const QByteArray v = r.rate;
            QTest::addRow("rate %s", r.rate)
                << 3 << ""
                << QByteArrayList{"MAV STAT 0 0 0 0 0 0 0 5 5 0 0 0 OK",
                                  "MAV STAT 0 0 0 0 0 0 0 " + v + ' ' + v + " 0 0 0 OK"}
                << Expects{{122, r.rate, r.background}, {126, r.rate, r.background}};
        }

        // Control 115 takes its colour from the pointing reply's bit 7, like indicator 41.
        const struct {
            const char* flags;
            Rgb background;
        } receiving[] = {{"128", colour::kGood},
                         {"255", colour::kGood},
                         {"127", colour::kBad},
                         {"256", colour::kBad},
                         {"x", colour::kBad}};
        for (const auto& r : receiving)
            QTest::addRow("receiving, flags %s", r.flags)
                << 3 << ""
                << QByteArrayList{"MAV STAT 0 0 0 18 OK",
                                  "DXYPV 0 0 0 0 0 " + QByteArray(r.flags) + " 0 OK"}
                << Expects{{115, "18", r.background}, {41, "", r.background}};
    }

    void fills() {
        QFETCH(int, window);
        QFETCH(QString, originAltitude);
        QFETCH(QByteArrayList, replies);
        QFETCH(Expects, expected);
        openFromMenu(*m_f, window);
        m_f->controls().setText(27, originAltitude);
        for (const QByteArray& r : replies) feed(*m_f, r);
        for (const Expect& e : expected) {
            QCOMPARE(m_f->controls().text(e.control), e.text);
            if (e.background) QCOMPARE(m_f->controls().background(e.control), *e.background);
        }
    }

    void closedWindowIgnoresReplies_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<QByteArrayList>("replies");
        QTest::newRow("local GPS") << 1 << QByteArrayList{"GPS A 1 2 3 4 5 6 7 OK"};
        QTest::newRow("vehicle") << 2
                                 << QByteArrayList{"UAVGPS 1 2 3 4 5 6 7 8 9 0 1 1 OK",
                                                   "UAVDAT 1 2 3 4 5 OK"};
        QTest::newRow("MAVLink") << 3
                                 << QByteArrayList{"MAV STAT 1 2 3 4 5 6 7 8 0 10 11 12 OK",
                                                   "DXYPV 0 0 0 0 0 128 0 OK"};
    }

    // Closed (before it was ever opened, and after), the window's replies neither open it nor
    // leave anything behind: reopened, every field is empty on the field colour.
    void closedWindowIgnoresReplies() {
        QFETCH(int, window);
        QFETCH(QByteArrayList, replies);
        const WindowShape& shape = shapeOf(window);
        auto fieldsEmpty = [&] {
            for (const Row& r : kRows) {
                if (r.window != window || r.kind == Kind::Text || r.kind == Kind::Button) continue;
                if (!m_f->controls().text(r.number).isEmpty()) return false;
                if (m_f->controls().background(r.number) != colour::kField) return false;
            }
            return true;
        };
        m_f->controls().setText(27, QStringLiteral("5"));
        for (const QByteArray& r : replies) feed(*m_f, r);
        QVERIFY(!m_f->controls().windowOpen(window));
        openFromMenu(*m_f, window);
        QVERIFY(fieldsEmpty());

        for (const QByteArray& r : replies) feed(*m_f, r);
        QVERIFY(!fieldsEmpty());
        closeWindow(*m_f, window);
        for (const QByteArray& r : replies) feed(*m_f, r);
        QVERIFY(!m_f->controls().windowOpen(window));
        QVERIFY(!m_f->controls().widget(shape.lastControl));
        openFromMenu(*m_f, window);
        QVERIFY(fieldsEmpty());
    }

    // "Init" sends exactly "MAV STATINIT" over an open link; without one it sends nothing and
    // the command line still shows it.
    void initButton() {
        openFromMenu(*m_f, 3);
        m_f->click(120);
        QCOMPARE(m_f->controls().text(mainwindow::kCommandEntry), QStringLiteral("MAV STATINIT"));

        UdpConsole c(false);
        openFromMenu(c.fixture(), 3);
        c.fixture().click(120);
        QVERIFY(c.waitForSent(1));
        QCOMPARE(c.sent(), QList<QByteArray>{"MAV STATINIT"});
    }

    // The simulator as the tracker: the three windows fill, the vehicle moves, the counters
    // grow once MAVLink is on and start again after "Init"; closed, they are no longer asked for.
    void filledFromSimulator() {
        SimProcess sim;
        QVERIFY(sim.isReady());
        ConsoleFixture f;
        f.aimUdp(sim.udpPort());
        f.click(ConnectionDialog::kUdpButton);
        QTRY_COMPARE_WITH_TIMEOUT(f.app().link().kind(), LinkKind::Udp, kTimeoutMs);
        for (const WindowShape& s : kWindows) QVERIFY(openFromMenu(f, s.number));
        Controls& c = f.controls();
        QTRY_VERIFY_WITH_TIMEOUT(c.text(69).endsWith(u'\u00BA') && c.text(87).endsWith(u'\u00BA') &&
                                     !c.text(106).isEmpty() && !c.text(109).isEmpty(),
                                 kTimeoutMs);
        QCOMPARE(c.text(86), QStringLiteral("Invalid fix"));
        const QString lat = c.text(87), lon = c.text(88);
        QTRY_VERIFY_WITH_TIMEOUT(c.text(87) != lat || c.text(88) != lon, kTimeoutMs);

        QVERIFY(c.isShown(29));
        f.click(29);  // MAVLink on
        QVERIFY(sim.waitForCommand(QStringLiteral("MAVLINK 1,G")));
        QTRY_COMPARE_WITH_TIMEOUT(c.text(86), QStringLiteral("Autonomous GPS"), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(c.text(113).toInt() > 0, kTimeoutMs);
        const int counted = c.text(113).toInt();
        QTRY_VERIFY_WITH_TIMEOUT(c.text(113).toInt() > counted, kTimeoutMs);
        QCOMPARE(c.background(115), colour::kGood);
        QCOMPARE(c.background(122), colour::kGood);
        QVERIFY(c.text(109).endsWith(u'%'));

        const int beforeInit = c.text(113).toInt();
        f.click(120);
        QVERIFY(sim.waitForCommand(QStringLiteral("MAV STATINIT")));
        QTRY_VERIFY_WITH_TIMEOUT(c.text(113).toInt() < beforeInit, kTimeoutMs);

        for (const WindowShape& s : kWindows) closeWindow(f, s.number);
        // Commands that left before the windows closed may still be logged after this; all of
        // them come before a command given now ("VCC" is asked for by the device window only).
        f.app().sendCommand(QStringLiteral("VCC"));
        QVERIFY(sim.waitForCommand(QStringLiteral("VCC")));
        const qsizetype closedAt = sim.commands().lastIndexOf(QStringLiteral("VCC")) + 1;
        // Three status queries: more than a whole rotation has passed since then.
        QVERIFY(waitFor(
            [&] { return sim.commands().mid(closedAt).count(QStringLiteral("STAT")) >= 3; }));
        for (const QString& cmd : sim.commands().mid(closedAt))
            QVERIFY2(cmd != u"GPS" && cmd != u"UAVGPS" && cmd != u"UAVDAT" && cmd != u"MAV STAT",
                     qPrintable(cmd));
    }

private:
    std::unique_ptr<ConsoleFixture> m_f;
};

QTEST_MAIN(TelemetryWindows)
#include "tst_telemetry_windows.moc"
