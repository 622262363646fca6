// The detail windows opened from the menu (motors, audio, device, About) against their layout
// tables, and what they do: the identity sequence on the wire, the replies that fill them only
// while they are open, renaming, the audio query, "CONF DEFAULT".

#include <QColor>
#include <QMenuBar>
#include <QShortcut>
#include <QTest>

#include "AboutWindow.h"
#include "AudioWindow.h"
#include "ConnectionDialog.h"
#include "DeviceWindow.h"
#include "Fonts.h"
#include "MainWindow.h"
#include "MotorsWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

enum class Kind { Text, Field, ReadOnly, Button, Frame, Image };
using K = Kind;

/// A control as the layout tables give it. Labels are on the window grey, fields on the field
/// grey; the first row is the window's heading, in its bold font.
struct Row {
    int number;
    Kind kind;
    int x, y, w, h;
    const char* caption;  ///< nullptr: not compared
};

struct Window {
    const char* menuText;
    int window;
    const char* title;
    QSize size;
    bool returnKey;
};
const Window kWindows[] = {
    {"Motors", motorswindow::kWindow, "MOTORS", {520, 350}, false},
    {"Audio", audiowindow::kWindow, "AUDIO", {260, 200}, true},
    {"Device", devicewindow::kWindow, "DEVICE", {270, 420}, true},
    {"About", aboutwindow::kWindow, "About", {384, 300}, false},
};

QList<Row> rowsOf(int window)
{
    QList<Row> rows;
    auto pair = [&rows](int label, const char* text, int x, int y, int field, int fieldX, int fieldW = 150) {
        rows << Row{label, K::Text, x, y, 60, 20, text} << Row{field, K::Field, fieldX, y, fieldW, 20, ""};
    };
    if (window == motorswindow::kWindow) {
        rows << Row{133, K::Text, 190, 10, 130, 30, "MOTORS"};
        const char* left[] = {"POS MX", "POS X", "PROP X", "AMX", "AMINX", "AMAXX", "MAXPOSX"};
        const char* right[] = {"POS MY", "POS Y", "PROP Y", "AMY", "AMINY", "AMAXY", "MAXPOSY"};
        for (int i = 0; i < 7; ++i) {
            pair(134 + 4 * i, left[i], 20, 70 + 30 * i, 135 + 4 * i, 90);
            pair(136 + 4 * i, right[i], 280, 70 + 30 * i, 137 + 4 * i, 350);
        }
        pair(164, "MSTEP", 20, 280, 165, 90);
        pair(162, "MINPOSY", 280, 280, 163, 350);
        rows << Row{motorswindow::kConfDefault, K::Button, 410, 310, 90, 20, "CONF DEFAULT"};
    } else if (window == audiowindow::kWindow) {
        rows << Row{203, K::Text, 90, 10, 90, 30, "AUDIO"} << Row{209, K::Text, 20, 50, 40, 15, "TESTS"}
             << Row{206, K::Frame, 20, 60, 220, 50, ""} << Row{207, K::Button, 40, 80, 60, 20, "BEEP"}
             << Row{208, K::Button, 160, 80, 60, 20, "CLICK"};
        pair(204, "VOL", 20, 120, 205, 90);
        pair(210, "TONE", 20, 160, 211, 90);
    } else if (window == devicewindow::kWindow) {
        rows << Row{212, K::Text, 80, 10, 110, 30, "DEVICE"};
        const char* labels[] = {"Product", "Serial", "Name", "IP8", "VBAT", "VCC", "VCPU", "TEMP", "APP"};
        const int labelNumbers[] = {213, 214, 215, 216, 217, 218, 219, 221, 220};
        for (int i = 0; i < 9; ++i) pair(labelNumbers[i], labels[i], 20, 70 + 30 * i, 222 + i, 100);
        rows[2].kind = K::ReadOnly;  // the product
        pair(231, "MAC", 20, 340, 232, 100);
        pair(233, "FRAM", 20, 370, 234, 100, 20);
    } else {
        rows << Row{236, K::Image, 0, 0, 384, 158, ""} << Row{235, K::Text, 80, 180, 220, 110, nullptr};
    }
    return rows;
}

/// The widget class of each kind; a field's read-only flag tells the two kinds of field apart.
const char* className(Kind k)
{
    const char* names[] = {"QLabel", "QLineEdit", "QLineEdit", "QPushButton", "QFrame", "QWidget"};
    return names[int(k)];
}

/// The operator chooses the menu item with this text.
void chooseMenu(App& app, const char* text)
{
    for (QAction* title : app.mainWindow()->findChild<QMenuBar*>()->actions())
        for (QAction* item : title->menu()->actions())
            if (item->text() == QLatin1String(text)) item->trigger();
}

void openWindow(App& app, int menuItem) { app.dispatch({UiEvent::Kind::Menu, mainwindow::kWindow, menuItem}); }

}  // namespace

char* toString(const Rgb& c) { return QTest::toString(QStringLiteral("RGB(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b)); }

class DetailWindows : public QObject {
    Q_OBJECT
private slots:
    void everyWindowAsItsTableSays_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kWindows)); ++i) QTest::newRow(kWindows[i].title) << i;
    }

    void everyWindowAsItsTableSays()
    {
        QFETCH(int, index);
        const Window& win = kWindows[index];
        ConsoleFixture f;
        Controls& c = f.controls();
        FormWindow* main = f.app().mainWindow();
        QVERIFY(!c.windowOpen(win.window));
        chooseMenu(f.app(), win.menuText);
        auto* w = static_cast<FormWindow*>(c.window(win.window));
        QVERIFY(w);
        QVERIFY(w->isWindow());
        QCOMPARE(w->parentWidget(), main);
        QCOMPARE(w->windowTitle(), QString::fromLatin1(win.title));
        QCOMPARE(w->client()->size(), win.size);
        QTRY_VERIFY_WITH_TIMEOUT(w->isVisible(), 2000);
        QVERIFY((w->frameGeometry().center() - main->frameGeometry().center()).manhattanLength() <= 2);
        QCOMPARE(w->palette().color(QPalette::Window), QColor(128, 128, 128));
        QCOMPARE(w->findChildren<QShortcut*>().isEmpty(), !win.returnKey);

        const QList<Row> rows = rowsOf(win.window);
        int registered = 0;
        for (int n = 0; n < Controls::kMaxControl; ++n) registered += c.widget(n) && c.widget(n)->window() == w;
        QCOMPARE(registered, int(rows.size()));
        for (const Row& row : rows) {
            const QByteArray at = QByteArray::number(row.number);
            QWidget* widget = c.widget(row.number);
            QVERIFY2(widget, at);
            QCOMPARE(widget->metaObject()->className(), className(row.kind));
            QCOMPARE(widget->property("readOnly").toBool(), row.kind == K::ReadOnly);
            QCOMPARE(widget->parentWidget(), w->client());
            QCOMPARE(widget->geometry(), QRect(row.x, row.y, row.w, row.h));
            if (row.caption) QCOMPARE(widget->property("text").toString(), QString::fromUtf8(row.caption));
            QCOMPARE(widget->toolTip(), QString());
            QVERIFY2(c.isShown(row.number), at);
            if (row.kind == K::Text) QCOMPARE(c.background(row.number), colour::kWindow);
            if (row.kind == K::Field || row.kind == K::ReadOnly) QCOMPARE(c.background(row.number), colour::kField);
            const int font = row.number == rows[0].number && row.kind == K::Text ? win.window : -1;
            QCOMPARE(widget->font().bold(), font >= 0);
            QCOMPARE(widget->font().pixelSize(), fonts::font(font).pixelSize());
        }

        // Chosen again: the same window comes forward, no second copy.
        chooseMenu(f.app(), win.menuText);
        QCOMPARE(c.window(win.window), w);
        int copies = 0;
        for (FormWindow* child : main->findChildren<FormWindow*>(Qt::FindDirectChildrenOnly))
            copies += child->number() == win.window && c.window(win.window) == child;
        QCOMPARE(copies, 1);

        // Closed: its controls leave, the program goes on.
        QPointer<QWidget> gone = w;
        w->close();
        QVERIFY(!c.windowOpen(win.window));
        QVERIFY(!c.widget(rows[0].number));
        QTRY_VERIFY_WITH_TIMEOUT(gone.isNull(), 2000);
        QVERIFY(main->isVisible());
    }

    // A window opens with none of its controls focused: the origin group the operator is
    // editing stays his through the next status reply, and Tab still leads into the window.
    void openingAWindowKeepsTheEditedGroup()
    {
        UdpConsole c(false);
        c.fixture().type(22, QStringLiteral("40.5"));
        for (const auto& [menu, window] : {std::pair{mainwindow::Gps, 1}, {mainwindow::Device, 8},
                                           {mainwindow::Audio, 7}, {mainwindow::Motors, 4}}) {
            openWindow(c.app(), menu);
            QTRY_VERIFY_WITH_TIMEOUT(c.controls().window(window)->isActiveWindow(), 2000);
            QCOMPARE(c.controls().focusedControl(), -1);
        }
        c.feed("STAT 0 0 0 0 1 415600000 -37600000 640 OK");
        QCOMPARE(c.app().state().lastFocusedGadget, 22);
        QCOMPARE(c.controls().text(22), QStringLiteral("40.5"));
        QCOMPARE(c.controls().background(22), colour::kEditing);
        QTest::keyClick(c.controls().window(4), Qt::Key_Tab);
        QVERIFY(c.controls().focusedControl() >= 133);
        QCOMPARE(c.app().state().lastFocusedGadget, c.controls().focusedControl());
    }

    void aboutPictureAndText()
    {
        ConsoleFixture f;
        const QImage& picture = f.app().aboutImage();
        QCOMPARE(picture.size(), QSize(384, 158));
        QCOMPARE(picture.format(), QImage::Format_Indexed8);
        openWindow(f.app(), mainwindow::About);
        QCOMPARE(f.controls().image(aboutwindow::kPicture), &picture);
        const QStringList lines = f.controls().text(aboutwindow::kText).split(u'\n');
        QVERIFY(lines.contains(QStringLiteral("V1.70 8-11-24")));
        QVERIFY(lines.contains(QStringLiteral("Antenna Tracker Studio team")));
    }

    void identitySequenceOnTheWire()
    {
        UdpConsole c;  // polling on
        c.feed("ID MERLAN 2.14 HW3 10.0.0.8 00:1E:C0:5A:7B:21 TRK1 OK");  // identified: no "ID" in the rotation
        // Right after a tick, so that nothing is on its way while the window opens.
        QVERIFY(c.waitForSent(int(c.sent().size()) + 1));
        const int before = int(c.sent().size());
        openWindow(c.app(), mainwindow::Device);
        // The identity stored while the window was closed shows at once.
        auto shows = [&c](const char* name, const char* product, const char* firmware, const char* ip8,
                          const char* mac) {
            for (const auto& [control, text] :
                 {std::pair{224, name}, {222, product}, {230, firmware}, {225, ip8}, {232, mac}})
                QCOMPARE(c.controls().text(control), QString::fromLatin1(text));
        };
        shows("TRK1", "MERLAN", "2.14", "10.0.0.8", "00:1E:C0:5A:7B:21");
        QCOMPARE(c.controls().text(devicewindow::kSerial), QString());

        QVERIFY(c.waitForSent(before + 8));
        const QList<QByteArray> got = c.sent().mid(before, 8);
        const QList<QByteArray> identity{"ID", "SERIAL", "NAME", "VBAT", "VCC", "CPUVOLT", "TEMP"};
        QCOMPARE(got.mid(0, 7), identity);
        QVERIFY2(!identity.contains(got[7]), got[7]);  // the rotation resumes

        // While the window is open, an identity reply refills it.
        c.feed("ID M2 3.01 HW4 10.0.0.9 00:1E:C0:5A:7B:22 TRK2 OK");
        shows("TRK2", "M2", "3.01", "10.0.0.9", "00:1E:C0:5A:7B:22");
    }

    void repliesFillOnlyOpenWindows_data()
    {
        QTest::addColumn<int>("menuItem");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("control");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QColor>("background");  ///< invalid: the field grey
        const QByteArray motors = "MOTSETUP 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16";
        const QColor green(0, 255, 0), red(255, 0, 0);
        const struct {
            int menu;
            QByteArray reply;
            int control;
            const char* shown;
            QColor background = {};
        } rows[] = {
            {mainwindow::Device, "VBAT 12345", 226, "12.345"}, {mainwindow::Device, "VBAT 5", 226, "0.005"},
            {mainwindow::Device, "VBAT x12", 226, "0.000"},    {mainwindow::Device, "VCC 15200", 227, "15.200"},
            {mainwindow::Device, "CPUVOLT 3.31", 228, "3.31"}, {mainwindow::Device, "TEMP 31", 229, "31"},
            {mainwindow::Device, "SERIAL MRL-1", 223, "MRL-1"},
            {mainwindow::Device, "STAT 0 0 0 0 0 0 0 0 0 0 0 0 0 15200 27 0 0", 229, "T:27ºc"},
            // The memory indicator is bit 64 of the pointing reply's flags.
            {mainwindow::Device, "DXYPV 0 0 0 0 0 64 0", 234, "", green},
            {mainwindow::Device, "DXYPV 0 0 0 0 0 191 0", 234, "", red},
            {mainwindow::Motors, motors, 135, "1"},            {mainwindow::Motors, motors, 163, "15"},
            {mainwindow::Motors, motors, 165, "16"},           {mainwindow::Audio, "AUDIO VOL 70", 205, "70"},
            {mainwindow::Audio, "AUDIO TONE 4", 211, "4"},
        };
        for (const auto& r : rows)
            QTest::addRow("%s -> %d", r.reply.constData(), r.control)
                << r.menu << r.reply << r.control << QString::fromUtf8(r.shown) << r.background;
    }

    void repliesFillOnlyOpenWindows()
    {
        QFETCH(int, menuItem);
        QFETCH(QByteArray, reply);
        QFETCH(int, control);
        QFETCH(QString, shown);
        QFETCH(QColor, background);
        const Rgb expected = background.isValid()
                                 ? Rgb{std::uint8_t(background.red()), std::uint8_t(background.green()),
                                       std::uint8_t(background.blue())}
                                 : colour::kField;
        UdpConsole c(false);
        c.feed(reply + " OK");  // window closed: ignored, and nothing to write into
        openWindow(c.app(), menuItem);
        QCOMPARE(c.controls().text(control), QString());
        QCOMPARE(c.controls().background(control), colour::kField);
        c.feed(reply + " OK");
        QCOMPARE(c.controls().text(control), shown);
        QCOMPARE(c.controls().background(control), expected);
        // Closed and reopened, the window starts empty again.
        c.controls().widget(control)->window()->close();
        c.feed(reply + " OK");
        QVERIFY(!c.controls().widget(control));
        openWindow(c.app(), menuItem);
        QCOMPARE(c.controls().text(control), QString());
        QCOMPARE(c.controls().background(control), colour::kField);
    }

    void nameRepliesAndRenaming()
    {
        UdpConsole c;  // polling on: "ID" in every rotation while the tracker is unknown
        QVERIFY(waitFor([&] { return c.sent().contains("ID"); }));
        openWindow(c.app(), mainwindow::Device);
        // An empty name: blanks run together on the wire, so it reaches the parser only from
        // a reply cut short, as here.
        ReplyFields empty;
        splitReplyFields(u"NAME", u' ', empty);
        App& a = c.app();
        ReplyHandler({a.tracker(), a.controls(), a.poller(), a.ports(), a.state().lastFocusedGadget, {}, {}})
            .handle(empty);
        QCOMPARE(c.controls().text(mainwindow::kNameLabel), QString());
        QCOMPARE(c.controls().text(devicewindow::kName), QString());
        // The name is no longer "???": past the identity sequence, a whole rotation sends no "ID".
        QVERIFY(waitFor([&] { return !c.app().poller().identityQueryPending; }));
        const int before = int(c.sent().size()) + 1;  // one may be on its way
        QVERIFY(c.waitForSent(before + 11));
        QVERIFY(!c.sent().mid(before).contains("ID"));

        // Return in the name field renames; the label follows the tracker's answer only.
        c.fixture().click(34);  // polling off: the rename is the next command
        c.fixture().type(devicewindow::kName, QStringLiteral("NEW NAME"));
        const int typed = int(c.sent().size());
        c.fixture().pressReturn(devicewindow::kName);
        QVERIFY(c.waitForSent(typed + 1));
        QCOMPARE(c.sent().last(), QByteArray("NAME NEW NAME"));
        QCOMPARE(c.controls().text(mainwindow::kNameLabel), QString());
        c.feed("NAME NEW_NAME OK");
        QCOMPARE(c.controls().text(mainwindow::kNameLabel), QStringLiteral("NEW_NAME"));
        QCOMPARE(c.app().tracker().deviceName, QString());  // only "ID" stores the name
    }

    void audioQueryWaitsForTheLink()
    {
        UdpConsole c;  // polling on
        c.fixture().click(ConnectionDialog::kUdpButton);  // link closed
        QCOMPARE(c.app().link().kind(), LinkKind::None);
        c.peer().clear();
        openWindow(c.app(), mainwindow::Audio);
        QTest::qWait(300);
        QVERIFY(c.sent().isEmpty());
        QVERIFY(c.app().poller().audioQueryPending);
        // Without a link, Return in a field of the audio or device window commits nothing.
        openWindow(c.app(), mainwindow::Device);
        const QString line = c.controls().text(mainwindow::kCommandEntry);
        for (const int field : {audiowindow::kVolume, audiowindow::kTone, devicewindow::kName}) {
            c.fixture().type(field, QStringLiteral("55"));
            c.fixture().pressReturn(field);
            QCOMPARE(c.controls().text(mainwindow::kCommandEntry), line);
        }
        c.fixture().click(ConnectionDialog::kUdpButton);  // open again
        QVERIFY(c.isLinked());
        // Both pending sequences went on waiting; the identity goes first.
        QVERIFY(c.waitForSent(9));
        QCOMPARE(c.sent().mid(0, 9), (QList<QByteArray>{"ID", "SERIAL", "NAME", "VBAT", "VCC", "CPUVOLT", "TEMP",
                                                        "AUDIO VOL", "AUDIO TONE"}));

        c.fixture().click(34);  // polling off
        c.feed("AUDIO VOL 70 OK");
        c.fixture().type(audiowindow::kVolume, QStringLiteral("55"));
        c.fixture().pressReturn(audiowindow::kVolume);
        c.fixture().type(audiowindow::kTone, QStringLiteral("9"));
        c.fixture().pressReturn(audiowindow::kTone);
        c.fixture().click(audiowindow::kBeep);
        c.fixture().click(audiowindow::kClick);
        const QList<QByteArray> expected{"AUDIO VOL 55", "AUDIO TONE 9", "AUDIO BEEP", "AUDIO CLICK"};
        QVERIFY(waitFor([&] { return c.sent().size() >= 4 && c.sent().mid(c.sent().size() - 4) == expected; }));
    }

    void confDefault_data()
    {
        QTest::addColumn<bool>("linked");
        QTest::addColumn<bool>("yes");
        for (bool linked : {true, false})
            for (bool yes : {true, false})
                QTest::addRow("%s, %s", yes ? "yes" : "no", linked ? "linked" : "no link") << linked << yes;
    }

    void confDefault()
    {
        QFETCH(bool, linked);
        QFETCH(bool, yes);
        UdpConsole c(false);
        if (!linked) c.fixture().click(ConnectionDialog::kUdpButton);
        QCOMPARE(c.isLinked(), linked);
        openWindow(c.app(), mainwindow::Motors);
        c.controls().setText(mainwindow::kCommandEntry, QStringLiteral("before"));
        const int before = int(c.sent().size());
        BoxAnswerer boxes;
        boxes.answer(yes ? QMessageBox::Yes : QMessageBox::No);
        c.fixture().click(motorswindow::kConfDefault);
        QVERIFY(boxes.waitSeen(1));
        QCOMPARE(boxes.seen()[0].title, QStringLiteral("WARNING"));
        QCOMPARE(boxes.seen()[0].text, QStringLiteral("Do you want to set the default configuration"));
        const QByteArray command = motorswindow::kDefaultCommand;
        QTRY_COMPARE_WITH_TIMEOUT(c.controls().text(mainwindow::kCommandEntry),
                                  yes ? QString::fromLatin1(command) : QStringLiteral("before"), 2000);
        if (linked && yes) QVERIFY(c.waitForSent(before + 1));
        else QTest::qWait(100);
        QCOMPARE(c.sent().mid(before), linked && yes ? QList<QByteArray>{command} : QList<QByteArray>{});
    }
};

QTEST_MAIN(DetailWindows)
#include "tst_detail_windows.moc"
