// Arbitrary received blocks through one real, started console, as the link's reads deliver
// them. After every block and every input the state, the field groups and the command console
// must still hold what the receive path promises; a breach aborts with the reason.
//
// Input layout: blocks separated by the byte 0x1E. A block that starts with 0x1F takes the next
// byte as its settings, the rest is the block:
//   bit 0     serial link (the end marker is required), else network
//   bit 1     automatic polling off
//   bits 2..5 which control last had the focus (see kFocus)
//   bit 6     TCP rather than UDP for a network block
//   bit 7     let the window repaint before the next block
// Every input starts on UDP, polling on, focus on the command entry.

#include <unistd.h>
#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "App.h"
#include "Console.h"
#include "Gauges.h"
#include "MainWindow.h"
#include "Invariant.h"
#include "ReferenceFraming.h"
#include "Rgb.h"

namespace {

constexpr char kBlockSeparator = '\x1e';
constexpr char kSettingsMark = '\x1f';
const QString kBanner = QStringLiteral("V1.70 8-11-24");
constexpr int kMaxConsoleItems = 35;

/// Controls the focus can be left in: the members of every refresh group and a few others.
constexpr int kFocus[16] = {0, 23, 25, 26, 22, 24, 27, 17, 32, 18, 19, 20, 1, 15, 16, 33};

/// The console under test and its private folder, made once for the whole run and never torn
/// down: destroying Qt inside the exit handlers would test Qt, not the console.
struct Harness {
    App* app = nullptr;
    std::string tempRoot;
};

Harness& harness() {
    static Harness h;
    return h;
}


QString shown(QByteArrayView b) {
    return QString::fromLatin1(b.toByteArray().toPercentEncoding(" .-+:<>@$%"));
}

void removeTempRoot() {
    if (harness().tempRoot.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(harness().tempRoot, ignored);
}

/// A group of fields that one reply refreshes, with the state field each shows.
struct Group {
    int count;
    int controls[3];
    QString TrackerState::*fields[3];
};

const Group kPointingGroups[] = {
    {3,
     {23, 25, 26},
     {&TrackerState::vehicleLat, &TrackerState::vehicleLon, &TrackerState::vehicleAlt}},
};
const Group kStatusGroups[] = {
    {2, {17, 32}, {&TrackerState::offsetX, &TrackerState::offsetY, nullptr}},
    {1, {18}, {&TrackerState::distMin, nullptr, nullptr}},
    {3, {22, 24, 27}, {&TrackerState::orgLat, &TrackerState::orgLon, &TrackerState::orgAlt}},
    {1, {19}, {&TrackerState::fanOnTemp, nullptr, nullptr}},
    {1, {20}, {&TrackerState::heatOnTemp, nullptr, nullptr}},
};

/// The texts of the refresh groups' fields before a block: the only ones compared after it.
struct Snapshot {
    QString texts[64];
    static Snapshot of(Controls& c) {
        Snapshot s;
        for (const auto* groups : {std::begin(kPointingGroups), std::begin(kStatusGroups)}) {
            const std::size_t n = groups == std::begin(kPointingGroups) ? std::size(kPointingGroups)
                                                                         : std::size(kStatusGroups);
            for (std::size_t g = 0; g < n; ++g)
                for (int i = 0; i < groups[g].count; ++i)
                    s.texts[groups[g].controls[i]] = c.text(groups[g].controls[i]);
        }
        return s;
    }
};

/// The refresh rule: a group holding the focus keeps its texts and turns yellow; any other
/// group shows the new values on the field colour.
void checkGroups(App& app, const Group* groups, std::size_t count, const Snapshot& before,
                 QByteArrayView block) {
    Controls& c = app.controls();
    const int focus = app.state().lastFocusedGadget;
    for (std::size_t g = 0; g < count; ++g) {
        const Group& group = groups[g];
        bool held = false;
        for (int i = 0; i < group.count; ++i) held = held || group.controls[i] == focus;
        for (int i = 0; i < group.count; ++i) {
            const int n = group.controls[i];
            const auto ctx = [&] {
                return QStringLiteral("control %1, focus %2, block %3").arg(n).arg(focus).arg(shown(block));
            };
            CHECK(c.background(n) == (held ? colour::kEditing : colour::kField), ctx());
            if (held) {
                CHECK(c.text(n) == before.texts[n], ctx() + " changed to " + c.text(n));
            } else {
                const QString& want = app.tracker().*(group.fields[i]);
                CHECK(c.text(n) == want, ctx() + " shows " + c.text(n) + " for " + want);
            }
        }
    }
}

void checkState(App& app, QByteArrayView block, const QStringList& lines) {
    const TrackerState& t = app.tracker();
    const auto ctx = [&] {
        return QStringLiteral("azimuth %1 elevation %2 after %3")
            .arg(double(t.azimuthDeg))
            .arg(double(t.elevationDeg))
            .arg(shown(block));
    };
    CHECK(std::isnan(t.azimuthDeg) || (t.azimuthDeg >= 0.0f && t.azimuthDeg <= 360.0f), ctx());
    CHECK(std::isnan(t.elevationDeg) || (t.elevationDeg >= -90.0f && t.elevationDeg <= 90.0f), ctx());
    CHECK(app.replyFields()[0].isEmpty(), ctx());

    CHECK(lines.size() <= kMaxConsoleItems,
          QStringLiteral("%1 console items after %2").arg(lines.size()).arg(shown(block)));
    CHECK(!lines.isEmpty() && lines.first() == kBanner,
          QStringLiteral("first console item %1").arg(lines.value(0)));

    for (const QString& line : lines)
        CHECK(line.size() <= Console::kWrap + 1,
              QStringLiteral("console line of %1 characters").arg(line.size()));

    const QImage& picture = app.gauges().image();
    CHECK(picture.width() == gauge::kWidth && picture.height() == gauge::kHeight, ctx());

    // The eight port records keep their limits, whatever row a reply named.
    for (const PortEntry& e : app.ports()) {
        CHECK(e.state <= 1 && e.type <= 2 && e.echo <= 1, shown(block));
        CHECK(e.prop == 0 || e.prop == 1, shown(block));
    }
    const int home = app.controls().selectedItem(mainwindow::kHomeCombo);
    CHECK(home >= -1 && home <= 4,
          QStringLiteral("home list item %1 after %2").arg(home).arg(shown(block)));
}

/// One block as a read would deliver it, and what the receive path must have done with it.
void feed(App& app, QByteArrayView block, bool serial) {
    const int repliesBefore = app.repliesHandled();
    const Snapshot before = Snapshot::of(app.controls());
    const QStringList linesBefore = app.console().lines();

    app.processReceivedChunk(block);

    const reference::Framed want =
        reference::frame(std::string_view(block.data(), block.size()), serial);
    const int handled = app.repliesHandled() - repliesBefore;
    CHECK(handled == 0 || handled == 1, QStringLiteral("%1 replies for one block").arg(handled));
    const bool parsed = handled == 1;
    CHECK(parsed == want.parse, QStringLiteral("parsed %1 for %2 (%3)")
                                    .arg(parsed)
                                    .arg(shown(block), serial ? "serial" : "network"));
    const QStringList lines = app.console().lines();
    checkState(app, block, lines);

    // What the console must end with: " <" for a block that is no reply, then the block.
    const QString consoleText =
        QString::fromLatin1(want.console.data(), qsizetype(want.console.size()));
    const bool dropped = parsed && app.state().autoPollingOff && app.replyFields()[1] == u"IP8";
    QStringList tail;
    if (want.markUnparsed) tail << QStringLiteral(" <");
    if (!consoleText.isEmpty() && !dropped) tail << Console::wrap(consoleText);
    if (tail.isEmpty()) {
        CHECK(lines == linesBefore, QStringLiteral("the console changed for %1").arg(shown(block)));
    } else {
        CHECK(lines.size() > tail.size(), shown(block));
        CHECK(lines.mid(lines.size() - tail.size()) == tail,
              QStringLiteral("console ends with [%1] instead of [%2]")
                  .arg(lines.mid(lines.size() - tail.size()).join(u'|'), tail.join(u'|')));
    }

    if (parsed && app.replyFields()[1] == u"DXYPV")
        checkGroups(app, kPointingGroups, std::size(kPointingGroups), before, block);
    if (parsed && app.replyFields()[1] == u"STAT")
        checkGroups(app, kStatusGroups, std::size(kStatusGroups), before, block);
}

void applySettings(App& app, std::uint8_t s) {
    const bool serial = s & 1;
    app.link().setKind(serial ? LinkKind::Serial : (s & 0x40) ? LinkKind::Tcp : LinkKind::Udp);
    app.state().autoPollingOff = (s & 2) != 0;
    app.state().lastFocusedGadget = kFocus[(s >> 2) & 15];
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    (void)argc;
    (void)argv;
    // Everything this console writes goes below one private folder that is removed at exit.
    // QT_QPA_PLATFORM is forced: the console must never reach a real display from here.
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz_replies.XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    Harness& h = harness();
    h.tempRoot = pattern;
    std::atexit(removeTempRoot);
    const std::string runtime = h.tempRoot + "/runtime";
    const std::string resources = h.tempRoot + "/resources";
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    std::filesystem::create_directory(resources);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);

    static int qtArgc = 1;
    static char name[] = "fuzz_replies";
    static char* qtArgv[] = {name, nullptr};
    auto* qtApp = new QApplication(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);
    (void)qtApp;

    h.app = new App(AppOptions{QString::fromStdString(resources), std::nullopt, {}});
    h.app->start();
    QCoreApplication::processEvents();
    checkState(*h.app, "(start)", h.app->console().lines());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    App& app = *harness().app;
    applySettings(app, 0);
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    qsizetype from = 0;
    while (from <= input.size()) {
        qsizetype end = input.indexOf(kBlockSeparator, from);
        if (end < 0) end = input.size();
        QByteArrayView block = input.sliced(from, end - from);
        from = end + 1;

        bool repaint = false;
        if (block.size() >= 2 && block[0] == kSettingsMark) {
            const auto s = std::uint8_t(block[1]);
            applySettings(app, s);
            repaint = (s & 0x80) != 0;
            block = block.sliced(2);
        }
        // A read that returned nothing never reaches the receive path.
        if (block.isEmpty()) continue;
        feed(app, block, app.link().kind() == LinkKind::Serial);
        // Posted events only: the window repaints, the timers do not run.
        if (repaint) QCoreApplication::sendPostedEvents();
    }
    app.link().setKind(LinkKind::None);
    checkState(app, input, app.console().lines());
    return 0;
}
