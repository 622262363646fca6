// The detail windows opened from the menu (motors, audio, device, About) against their layout
// tables, and what they do: the identity sequence on the wire, the replies that fill them only
// while they are open, renaming, the audio query, "CONF DEFAULT".

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <span>

#include "AboutWindow.h"
#include "AudioWindow.h"
#include "ConnectionDialog.h"
#include "DeviceWindow.h"
#include "Fonts.h"
#include "ImageView.h"
#include "MainWindow.h"
#include "MotorsWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

enum class Kind { Text, Field, ReadOnly, Button, Frame, Image };
constexpr Rgb L{128, 128, 128};  // label
constexpr Rgb F{192, 192, 192};  // field
constexpr Rgb N{0, 0, 0};        // no colour of its own

struct Row {
    int number;
    Kind kind;
    int x, y, w, h;
    const char* caption;
    Rgb background;
    int font = -1;
};

using K = Kind;
const Row kMotors[] = {
    {133, K::Text, 190, 10, 130, 30, "MOTORS", L, 4},
    {134, K::Text, 20, 70, 60, 20, "POS MX", L},    {135, K::Field, 90, 70, 150, 20, "", F},
    {136, K::Text, 280, 70, 60, 20, "POS MY", L},   {137, K::Field, 350, 70, 150, 20, "", F},
    {138, K::Text, 20, 100, 60, 20, "POS X", L},    {139, K::Field, 90, 100, 150, 20, "", F},
    {140, K::Text, 280, 100, 60, 20, "POS Y", L},   {141, K::Field, 350, 100, 150, 20, "", F},
    {142, K::Text, 20, 130, 60, 20, "PROP X", L},   {143, K::Field, 90, 130, 150, 20, "", F},
    {144, K::Text, 280, 130, 60, 20, "PROP Y", L},  {145, K::Field, 350, 130, 150, 20, "", F},
    {146, K::Text, 20, 160, 60, 20, "AMX", L},      {147, K::Field, 90, 160, 150, 20, "", F},
    {148, K::Text, 280, 160, 60, 20, "AMY", L},     {149, K::Field, 350, 160, 150, 20, "", F},
    {150, K::Text, 20, 190, 60, 20, "AMINX", L},    {151, K::Field, 90, 190, 150, 20, "", F},
    {152, K::Text, 280, 190, 60, 20, "AMINY", L},   {153, K::Field, 350, 190, 150, 20, "", F},
    {154, K::Text, 20, 220, 60, 20, "AMAXX", L},    {155, K::Field, 90, 220, 150, 20, "", F},
    {156, K::Text, 280, 220, 60, 20, "AMAXY", L},   {157, K::Field, 350, 220, 150, 20, "", F},
    {158, K::Text, 20, 250, 60, 20, "MAXPOSX", L},  {159, K::Field, 90, 250, 150, 20, "", F},
    {160, K::Text, 280, 250, 60, 20, "MAXPOSY", L}, {161, K::Field, 350, 250, 150, 20, "", F},
    {162, K::Text, 280, 280, 60, 20, "MINPOSY", L}, {163, K::Field, 350, 280, 150, 20, "", F},
    {164, K::Text, 20, 280, 60, 20, "MSTEP", L},    {165, K::Field, 90, 280, 150, 20, "", F},
    {motorswindow::kConfDefault, K::Button, 410, 310, 90, 20, "CONF DEFAULT", N},
};
const Row kAudio[] = {
    {203, K::Text, 90, 10, 90, 30, "AUDIO", L, 7},  {209, K::Text, 20, 50, 40, 15, "TESTS", L},
    {206, K::Frame, 20, 60, 220, 50, "", N},        {207, K::Button, 40, 80, 60, 20, "BEEP", N},
    {208, K::Button, 160, 80, 60, 20, "CLICK", N},  {204, K::Text, 20, 120, 60, 20, "VOL", L},
    {205, K::Field, 90, 120, 150, 20, "", F},       {210, K::Text, 20, 160, 60, 20, "TONE", L},
    {211, K::Field, 90, 160, 150, 20, "", F},
};
const Row kDevice[] = {
    {212, K::Text, 80, 10, 110, 30, "DEVICE", L, 8},
    {213, K::Text, 20, 70, 60, 20, "Product", L},  {222, K::ReadOnly, 100, 70, 150, 20, "", F},
    {214, K::Text, 20, 100, 60, 20, "Serial", L},  {223, K::Field, 100, 100, 150, 20, "", F},
    {215, K::Text, 20, 130, 60, 20, "Name", L},    {224, K::Field, 100, 130, 150, 20, "", F},
    {216, K::Text, 20, 160, 60, 20, "IP8", L},     {225, K::Field, 100, 160, 150, 20, "", F},
    {217, K::Text, 20, 190, 60, 20, "VBAT", L},    {226, K::Field, 100, 190, 150, 20, "", F},
    {218, K::Text, 20, 220, 60, 20, "VCC", L},     {227, K::Field, 100, 220, 150, 20, "", F},
    {219, K::Text, 20, 250, 60, 20, "VCPU", L},    {228, K::Field, 100, 250, 150, 20, "", F},
    {221, K::Text, 20, 280, 60, 20, "TEMP", L},    {229, K::Field, 100, 280, 150, 20, "", F},
    {220, K::Text, 20, 310, 60, 20, "APP", L},     {230, K::Field, 100, 310, 150, 20, "", F},
    {231, K::Text, 20, 340, 60, 20, "MAC", L},     {232, K::Field, 100, 340, 150, 20, "", F},
    {233, K::Text, 20, 370, 60, 20, "FRAM", L},    {234, K::Field, 100, 370, 20, 20, "", F},
};
const Row kAbout[] = {
    {236, K::Image, 0, 0, 384, 158, "", N},
    {235, K::Text, 80, 180, 220, 110, nullptr, L},  // the text is checked on its own
};

struct Window {
    const char* menuText;
    int window;
    const char* title;
    QSize size;
    bool returnKey;
    std::span<const Row> rows;
};
const Window kWindows[] = {
    {"Motors", motorswindow::kWindow, "MOTORS", {520, 350}, false, kMotors},
    {"Audio", audiowindow::kWindow, "AUDIO", {260, 200}, true, kAudio},
    {"Device", devicewindow::kWindow, "DEVICE", {270, 420}, true, kDevice},
    {"About", aboutwindow::kWindow, "About", {384, 300}, false, kAbout},
};

bool hasKind(QWidget* w, Kind k)
{
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
    case Kind::Frame:
        return qobject_cast<QFrame*>(w) && !qobject_cast<QLabel*>(w);
    case Kind::Image:
        return dynamic_cast<ImageView*>(w) != nullptr;
    }
    return false;
}

QString caption(QWidget* w)
{
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return {};
}

/// The operator chooses the menu item with this text.
void chooseMenu(App& app, const char* text)
{
    for (QAction* title : app.mainWindow()->findChild<QMenuBar*>()->actions())
        for (QAction* item : title->menu()->actions())
            if (item->text() == QLatin1String(text)) item->trigger();
}

void openWindow(App& app, int menuItem) { app.dispatch({UiEvent::Kind::Menu, mainwindow::kWindow, menuItem}); }

const QStringList kIdentity{"ID", "SERIAL", "NAME", "VBAT", "VCC", "CPUVOLT", "TEMP"};

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

        int registered = 0;
        for (int n = 0; n < Controls::kMaxControl; ++n)
            if (c.widget(n) && c.widget(n)->window() == w) ++registered;
        QCOMPARE(registered, int(win.rows.size()));
        for (const Row& row : win.rows) {
            const QByteArray at = QByteArray::number(row.number);
            QWidget* widget = c.widget(row.number);
            QVERIFY2(widget, at);
            QVERIFY2(hasKind(widget, row.kind), at);
            QCOMPARE(widget->parentWidget(), w->client());
            QCOMPARE(widget->geometry(), QRect(row.x, row.y, row.w, row.h));
            if (row.caption) QCOMPARE(caption(widget), QString::fromUtf8(row.caption));
            QCOMPARE(widget->toolTip(), QString());
            QVERIFY2(c.isShown(row.number), at);
            if (!(row.background == N)) QCOMPARE(c.background(row.number), row.background);
            const QFont font = widget->font();
            QCOMPARE(font.bold(), row.font >= 0);
            QCOMPARE(font.pixelSize(), fonts::font(row.font).pixelSize());
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
        QVERIFY(!c.widget(win.rows[0].number));
        QTRY_VERIFY_WITH_TIMEOUT(gone.isNull(), 2000);
        QVERIFY(main->isVisible());
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
        QCOMPARE(c.controls().text(mainwindow::kNameLabel), QStringLiteral("TRK1"));
        // Right after a tick, so that nothing is on its way while the window opens.
        const int ticks = int(c.sent().size());
        QVERIFY(c.waitForSent(ticks + 1));
        const int before = int(c.sent().size());
        openWindow(c.app(), mainwindow::Device);
        // The stored identity shows at once.
        QCOMPARE(c.controls().text(devicewindow::kName), QStringLiteral("TRK1"));
        QCOMPARE(c.controls().text(devicewindow::kProduct), QStringLiteral("MERLAN"));
        QCOMPARE(c.controls().text(devicewindow::kFirmware), QStringLiteral("2.14"));
        QCOMPARE(c.controls().text(devicewindow::kIp8), QStringLiteral("10.0.0.8"));
        QCOMPARE(c.controls().text(devicewindow::kMac), QStringLiteral("00:1E:C0:5A:7B:21"));
        QCOMPARE(c.controls().text(devicewindow::kSerial), QString());

        QVERIFY(c.waitForSent(before + 8));
        QStringList got;
        for (const QByteArray& d : c.sent().mid(before, 8)) got << QString::fromLatin1(d);
        QCOMPARE(got.mid(0, 7), kIdentity);
        QVERIFY2(!kIdentity.contains(got[7]), qPrintable(got[7]));  // the rotation resumes
        QVERIFY(!c.app().poller().identityQueryPending);
    }

    void repliesFillOnlyOpenWindows_data()
    {
        QTest::addColumn<int>("menuItem");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("control");
        QTest::addColumn<QString>("shown");
        QTest::newRow("VBAT 12345") << int(mainwindow::Device) << QByteArray("VBAT 12345") << 226 << "12.345";
        QTest::newRow("VBAT 5") << int(mainwindow::Device) << QByteArray("VBAT 5") << 226 << "0.005";
        QTest::newRow("VBAT no number") << int(mainwindow::Device) << QByteArray("VBAT x12") << 226 << "0.000";
        QTest::newRow("VCC") << int(mainwindow::Device) << QByteArray("VCC 15200") << 227 << "15.200";
        QTest::newRow("CPUVOLT as sent") << int(mainwindow::Device) << QByteArray("CPUVOLT 3.31") << 228 << "3.31";
        QTest::newRow("TEMP as sent") << int(mainwindow::Device) << QByteArray("TEMP 31") << 229 << "31";
        QTest::newRow("STAT temperature")
            << int(mainwindow::Device)
            << QByteArray("STAT 0 0 0 0 0 0 0 0 0 0 0 0 0 15200 27 0 0") << 229 << QString::fromUtf8("T:27ºc");
        QTest::newRow("SERIAL") << int(mainwindow::Device) << QByteArray("SERIAL MRL-1") << 223 << "MRL-1";
        QTest::newRow("MOTSETUP first") << int(mainwindow::Motors)
                                        << QByteArray("MOTSETUP 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16") << 135 << "1";
        QTest::newRow("MOTSETUP MSTEP") << int(mainwindow::Motors)
                                        << QByteArray("MOTSETUP 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16") << 165 << "16";
        QTest::newRow("MOTSETUP MINPOSY") << int(mainwindow::Motors)
                                          << QByteArray("MOTSETUP 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16") << 163
                                          << "15";
        QTest::newRow("AUDIO VOL") << int(mainwindow::Audio) << QByteArray("AUDIO VOL 70") << 205 << "70";
        QTest::newRow("AUDIO TONE") << int(mainwindow::Audio) << QByteArray("AUDIO TONE 4") << 211 << "4";
    }

    void repliesFillOnlyOpenWindows()
    {
        QFETCH(int, menuItem);
        QFETCH(QByteArray, reply);
        QFETCH(int, control);
        QFETCH(QString, shown);
        UdpConsole c(false);
        c.feed(reply + " OK");  // window closed: ignored, and nothing to write into
        openWindow(c.app(), menuItem);
        QCOMPARE(c.controls().text(control), QString());
        c.feed(reply + " OK");
        QCOMPARE(c.controls().text(control), shown);
        // Reopened, the window starts empty again.
        int window = 1;
        while (c.controls().window(window) != c.controls().widget(control)->window()) ++window;
        c.app().dispatch({UiEvent::Kind::Close, window, 0});
        c.feed(reply + " OK");
        QVERIFY(!c.controls().widget(control));
        openWindow(c.app(), menuItem);
        QCOMPARE(c.controls().text(control), QString());
    }

    void nameRepliesAndRenaming()
    {
        UdpConsole c;  // polling on: "ID" in every rotation while the tracker is unknown
        QVERIFY(waitFor([&] { return c.sent().contains("ID"); }));
        c.feed("ID MERLAN 2.14 HW3 10.0.0.8 MAC OLD OK");
        openWindow(c.app(), mainwindow::Device);
        // An empty name: blanks run together on the wire, so it reaches the parser only from
        // a reply cut short, as here.
        ReplyFields empty;
        splitReplyFields(u"NAME", u' ', empty);
        App& a = c.app();
        ReplyHandler({a.tracker(), a.controls(), a.poller(), a.ports(), a.state().lastFocusedGadget, {}, {}, {}})
            .handle(empty);
        QCOMPARE(c.controls().text(mainwindow::kNameLabel), QString());
        QCOMPARE(c.controls().text(devicewindow::kName), QString());
        QCOMPARE(c.app().tracker().deviceName, QStringLiteral("OLD"));  // only "ID" stores it
        // The name is no longer "???": past the identity sequence, two rotations send no "ID".
        QVERIFY(waitFor([&] { return !c.app().poller().identityQueryPending; }));
        QTest::qWait(100);
        const int before = int(c.sent().size());
        QVERIFY(c.waitForSent(before + 20));
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
        c.fixture().click(ConnectionDialog::kUdpButton);  // open again
        QVERIFY(c.isLinked());
        QVERIFY(c.waitForSent(2));
        QCOMPARE(c.sent().mid(0, 2), (QList<QByteArray>{"AUDIO VOL", "AUDIO TONE"}));

        c.fixture().click(34);  // polling off
        c.feed("AUDIO VOL 70 OK");
        c.fixture().type(audiowindow::kVolume, QStringLiteral("55"));
        c.fixture().pressReturn(audiowindow::kVolume);
        c.fixture().type(audiowindow::kTone, QStringLiteral("9"));
        c.fixture().pressReturn(audiowindow::kTone);
        c.fixture().click(audiowindow::kBeep);
        c.fixture().click(audiowindow::kClick);
        const QList<QByteArray> expected{"AUDIO VOL 55", "AUDIO TONE 9", "AUDIO BEEP", "AUDIO CLICK"};
        QVERIFY(waitFor([&] { return c.sent().size() >= expected.size() && c.sent().mid(c.sent().size() - expected.size()) == expected;
        }));
    }

    void confDefault_data()
    {
        QTest::addColumn<bool>("linked");
        QTest::addColumn<bool>("yes");
        QTest::newRow("no, linked") << true << false;
        QTest::newRow("yes, linked") << true << true;
        QTest::newRow("no, no link") << false << false;
        QTest::newRow("yes, no link") << false << true;
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
