// Window 0 against its layout table: title, fixed client size, menu, every control's kind,
// place and caption, a chosen set of tooltips and colours, and what it looks like on screen.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include "LineList.h"
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include "Fonts.h"
#include "ImageView.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

/// Kinds as the layout table names them.
enum class Kind { Text, Field, ReadOnly, Button, Check, Combo, List, Image };

struct Row {
    int number;
    Kind kind;
    int x, y, w, h;
    const char* caption;
};

constexpr Row kTable[] = {
    {0, Kind::Field, 10, 540, 340, 20, ""},
    {1, Kind::List, 0, 0, 570, 530, ""},
    {2, Kind::Image, 590, 70, 410, 150, ""},
    {3, Kind::Text, 610, 230, 60, 20, "DX"},
    {4, Kind::Text, 820, 230, 60, 20, "DY"},
    {5, Kind::Text, 610, 260, 60, 20, "OFFSET X"},
    {6, Kind::Text, 820, 360, 60, 20, "DISTMIN"},
    {7, Kind::Text, 610, 420, 60, 20, "MAVLINK"},
    {8, Kind::Text, 820, 420, 60, 20, "HOME"},
    {9, Kind::Text, 610, 390, 60, 20, "FAN"},
    {10, Kind::Text, 820, 390, 60, 20, "HEAT"},
    {11, Kind::Text, 610, 540, 60, 20, "MSG"},
    {12, Kind::Text, 610, 450, 60, 20, "ORG.   "},
    {13, Kind::Text, 610, 480, 60, 20, "VEHICLE      "},
    {14, Kind::Text, 920, 480, 30, 20, "ALT"},
    {15, Kind::Field, 700, 230, 70, 20, ""},
    {16, Kind::Field, 910, 230, 70, 20, ""},
    {17, Kind::Field, 680, 260, 110, 20, ""},
    {18, Kind::Field, 890, 360, 110, 20, ""},
    {19, Kind::Field, 680, 390, 80, 20, ""},
    {20, Kind::Field, 890, 390, 80, 20, ""},
    {21, Kind::ReadOnly, 680, 540, 320, 20, ""},
    {22, Kind::Field, 680, 450, 110, 20, ""},
    {23, Kind::Field, 680, 480, 110, 20, ""},
    {24, Kind::Field, 800, 450, 110, 20, ""},
    {25, Kind::Field, 800, 480, 110, 20, ""},
    {26, Kind::Field, 960, 480, 40, 20, ""},
    {27, Kind::Field, 960, 450, 40, 20, ""},
    {28, Kind::Text, 920, 450, 30, 20, "ALT"},
    {29, Kind::Check, 680, 423, 13, 13, ""},
    {30, Kind::Text, 590, 10, 160, 30, "???"},
    {31, Kind::Text, 820, 260, 60, 20, "OFFSET Y"},
    {32, Kind::Field, 890, 260, 110, 20, ""},
    {33, Kind::Combo, 890, 420, 107, 20, ""},
    {34, Kind::Button, 360, 540, 30, 20, "ON"},
    {35, Kind::Text, 770, 390, 20, 20, ""},
    {36, Kind::Text, 980, 390, 20, 20, ""},
    {37, Kind::Text, 610, 360, 60, 20, "DIST"},
    {38, Kind::ReadOnly, 680, 360, 110, 20, ""},
    {39, Kind::Text, 920, 510, 30, 20, "ALTR"},
    {40, Kind::Field, 960, 510, 40, 20, ""},
    {41, Kind::Text, 770, 420, 20, 20, ""},
    {42, Kind::Button, 770, 230, 20, 20, "+"},
    {43, Kind::Button, 680, 230, 20, 20, "-"},
    {44, Kind::Button, 980, 230, 20, 20, "+"},
    {45, Kind::Button, 890, 230, 20, 20, "-"},
    {46, Kind::Text, 610, 510, 60, 20, "GCS       "},
    {47, Kind::Check, 680, 513, 13, 13, ""},
    {48, Kind::Text, 770, 510, 20, 20, ""},
    {49, Kind::Check, 480, 543, 13, 13, ""},
    {50, Kind::Text, 500, 542, 70, 15, "ECHO CMD"},
    {51, Kind::Image, 990, 10, 18, 18, ""},
    {52, Kind::Button, 680, 290, 110, 20, "Calibration X"},
    {53, Kind::Button, 890, 290, 110, 20, "Calibration Y"},
    {54, Kind::Text, 730, 420, 30, 20, "0"},
    {55, Kind::ReadOnly, 680, 320, 110, 20, ""},
    {56, Kind::ReadOnly, 890, 320, 110, 20, ""},
    {57, Kind::Text, 410, 540, 60, 20, ""},
    {58, Kind::Text, 700, 420, 25, 20, "GPS"},
};

bool hasKind(QWidget* w, Kind k)
{
    switch (k) {
    case Kind::Text:
        return qobject_cast<QLabel*>(w);
    case Kind::Field:
        return qobject_cast<QLineEdit*>(w) && !static_cast<QLineEdit*>(w)->isReadOnly();
    case Kind::ReadOnly:
        return qobject_cast<QLineEdit*>(w) && static_cast<QLineEdit*>(w)->isReadOnly();
    case Kind::Button:
        return qobject_cast<QPushButton*>(w);
    case Kind::Check:
        return qobject_cast<QCheckBox*>(w) && static_cast<QCheckBox*>(w)->text().isEmpty();
    case Kind::Combo:
        return qobject_cast<QComboBox*>(w) && !static_cast<QComboBox*>(w)->isEditable();
    case Kind::List:
        return qobject_cast<LineList*>(w);
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

const Rgb kLabelGrey{128, 128, 128};
const Rgb kFieldGrey{192, 192, 192};
const Rgb kRed{255, 0, 0};

char* rgbText(Rgb c) { return QTest::toString(QStringLiteral("RGB(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b)); }

Rgb pixel(const QImage& image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    return Rgb{std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())};
}

}  // namespace

/// How QCOMPARE prints a colour (found by argument-dependent lookup).
char* toString(const Rgb& c) { return rgbText(c); }

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { m_f = std::make_unique<ConsoleFixture>(); }
    void cleanupTestCase() { m_f.reset(); }

    void windowFrame()
    {
        FormWindow* w = m_f->app().mainWindow();
        QVERIFY(w);
        QCOMPARE(m_f->controls().window(0), w);
        QCOMPARE(w->windowTitle(), QStringLiteral("TAVO Studio V1.70 MERLAN_V2"));
        QCOMPARE(w->client()->size(), QSize(1024, 600));
        QVERIFY(w->isVisible());
        // Not resizable or maximisable; a minimise button.
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w->windowFlags() & Qt::WindowMinimizeButtonHint);
        const QSize before = w->size();
        w->resize(1300, 900);
        QCOMPARE(w->size(), before);
        QCOMPARE(w->client()->size(), QSize(1024, 600));
        // Window colour.
        QCOMPARE(w->palette().color(QPalette::Window), QColor(128, 128, 128));
    }

    void menu()
    {
        auto* bar = m_f->app().mainWindow()->findChild<QMenuBar*>();
        QVERIFY(bar);
        QStringList titles;
        for (QAction* a : bar->actions()) titles << a->text();
        QCOMPARE(titles, (QStringList{"Menu", "About"}));
        QStringList items;
        for (QAction* a : bar->actions().at(0)->menu()->actions()) items << (a->isSeparator() ? "|" : a->text());
        QCOMPARE(items, (QStringList{"Motors", "Mavlink", "Vehicle", "GPS", "Ethernet Config",
                                     "Communications", "Audio", "Device", "|", "Tracking"}));
        QStringList about;
        for (QAction* a : bar->actions().at(1)->menu()->actions()) about << a->text();
        QCOMPARE(about, QStringList{"About"});
    }

    void everyControlAsTheTableSays_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kTable)); ++i) QTest::addRow("%d", kTable[i].number) << i;
    }

    void everyControlAsTheTableSays()
    {
        QFETCH(int, index);
        const Row& row = kTable[index];
        QWidget* w = m_f->controls().widget(row.number);
        QVERIFY(w);
        QVERIFY(hasKind(w, row.kind));
        QCOMPARE(w->parentWidget(), m_f->app().mainWindow()->client());
        QCOMPARE(w->geometry(), QRect(row.x, row.y, row.w, row.h));
        if (row.kind != Kind::Image && row.kind != Kind::List && row.kind != Kind::Combo)
            QCOMPARE(caption(w), QString::fromUtf8(row.caption));
        // Labels take the window colour, fields the field colour.
        if (row.kind == Kind::Field || row.kind == Kind::ReadOnly)
            QCOMPARE(m_f->controls().background(row.number), kFieldGrey);
    }

    void structure()
    {
        // Numbers 0..58 are all there, each a different widget, each inside the client area.
        const QRect client(QPoint(0, 0), m_f->app().mainWindow()->client()->size());
        QSet<QWidget*> seen;
        for (int n = 0; n <= 58; ++n) {
            QWidget* w = m_f->controls().widget(n);
            QVERIFY2(w, qPrintable(QString::number(n)));
            QVERIFY(!seen.contains(w));
            seen.insert(w);
            QCOMPARE(m_f->controls().numberOf(w), n);
            QVERIFY2(client.contains(w->geometry()), qPrintable(QString::number(n)));
        }
        QCOMPARE(int(std::size(kTable)), 59);
        QVERIFY(!m_f->controls().widget(59));  // window 1 is not open
    }

    void tooltips_data()
    {
        QTest::addColumn<int>("control");
        QTest::addColumn<QString>("tooltip");
        QTest::newRow("0") << 0 << "Display automatic commands or manual command entry if OFF commands";
        QTest::newRow("1") << 1 << "command console";
        QTest::newRow("2") << 2 << "";
        QTest::newRow("3") << 3 << "";
        QTest::newRow("7") << 7 << "MAVLINK protocol active";
        QTest::newRow("8") << 8 << "Home MERLAN type selection. The MERLAN operating mode changes with this value";
        QTest::newRow("12") << 12 << "Information can only be entered if the home is in manual";
        QTest::newRow("15") << 15
                            << "Manually move the X axis in degrees. For example: 25 or 345 or -25 or 30.5. Do not "
                               "move with mavlink active or if the Vehicle is sending telemetry";
        QTest::newRow("16") << 16
                            << "Manually move the Y axis in degrees. For example: 44 or -30.6. Min -46. Max 87. Do "
                               "not move with mavlink active or if the Vehicle is sending telemetry";
        QTest::newRow("17") << 17
                            << QString::fromUtf8("X-Axis Offset. use only if necessary or if you were unable to "
                                                 "orient correctly 0º north");
        QTest::newRow("22") << 22
                            << "Origin tracker position value. local GPS latitude. Decimal degrees compatible with "
                               "Google Earth and Mavlink.";
        QTest::newRow("24") << 24
                            << "Origin tracker position value. Local GPS longitude. Decimal degrees compatible "
                               "with Google Earth and Mavlink.";
        QTest::newRow("27") << 27 << "Local GPS Position Altitude in meters";
        QTest::newRow("30") << 30 << "";
        QTest::newRow("32") << 32
                            << QString::fromUtf8("Y-Axis Offset. Use if you need to balance the 0º position of the "
                                                 "antennas.");
        QTest::newRow("33") << 33 << "Home MERLAN type selection. The MERLAN operating mode changes with this value";
        QTest::newRow("34") << 34 << "Activate or stop commands";
        QTest::newRow("39") << 39 << "MERLAN - vehicle. Relative height in meters";
        QTest::newRow("41") << 41 << "MavLink packet reception indicator";
        QTest::newRow("45") << 45 << "Manually move in -1 degree steps on the Y axis.";
        QTest::newRow("46") << 46 << "Ground Control System Activation. KORA5 is connected or not";
        QTest::newRow("48") << 48 << "Ground Control System detected.";
        QTest::newRow("49") << 49 << "Echo on/off commands";
        QTest::newRow("52") << 52 << "X-axis recalibration.";
        QTest::newRow("54") << 54 << "MavLink GPS_RAW packets per second";
        QTest::newRow("55") << 55 << "";
        QTest::newRow("57") << 57 << "";
    }

    void tooltips()
    {
        QFETCH(int, control);
        QFETCH(QString, tooltip);
        QCOMPARE(m_f->controls().widget(control)->toolTip(), tooltip);
    }

    void colours_data()
    {
        QTest::addColumn<int>("control");
        QTest::addColumn<Rgb>("background");
        QTest::newRow("label 3") << 3 << kLabelGrey;
        QTest::newRow("label 12") << 12 << kLabelGrey;
        QTest::newRow("name label 30") << 30 << kLabelGrey;
        QTest::newRow("label 50") << 50 << kLabelGrey;
        QTest::newRow("link label 57") << 57 << kLabelGrey;
        QTest::newRow("fan 35") << 35 << kFieldGrey;
        QTest::newRow("heater 36") << 36 << kFieldGrey;
        QTest::newRow("mavlink 41") << 41 << kRed;
        QTest::newRow("gcs 48") << 48 << kRed;
        QTest::newRow("rate 54") << 54 << kRed;
        QTest::newRow("console 1") << 1 << Rgb{44, 44, 44};
        QTest::newRow("alarm 21") << 21 << kFieldGrey;
    }

    void colours()
    {
        QFETCH(int, control);
        QFETCH(Rgb, background);
        QCOMPARE(m_f->controls().background(control), background);
    }

    void textColours()
    {
        QCOMPARE(m_f->controls().textColour(1), (Rgb{0, 255, 0}));
        QCOMPARE(m_f->controls().textColour(0), (Rgb{0, 0, 0}));
    }

    void whatTheScreenShows()
    {
        // The colours must really paint, not only sit in a palette.
        QWidget* client = m_f->app().mainWindow()->client();
        const QImage shot = client->grab().toImage();
        QCOMPARE(shot.size() / shot.devicePixelRatio(), QSize(1024, 600));
        const qreal r = shot.devicePixelRatio();
        auto at = [&](int x, int y) { return pixel(shot, int(x * r), int(y * r)); };
        QCOMPARE(at(580, 300), kLabelGrey);        // bare window
        QCOMPARE(at(665, 240), kLabelGrey);        // right end of label 3 "DX"
        QCOMPARE(at(300, 500), (Rgb{44, 44, 44}));  // console interior
        QCOMPARE(at(760, 240), kFieldGrey);         // inside field 15
        QCOMPARE(at(780, 400), kFieldGrey);         // fan indicator 35
        if (m_f->controls().isShown(41)) QCOMPARE(at(780, 430), kRed);
        if (m_f->controls().isShown(48)) QCOMPARE(at(780, 520), kRed);
    }

    void homeListAndNameFont()
    {
        auto* home = qobject_cast<QComboBox*>(m_f->controls().widget(mainwindow::kHomeCombo));
        QVERIFY(home);
        QStringList items;
        for (int i = 0; i < home->count(); ++i) items << home->itemText(i);
        QCOMPARE(items, (QStringList{"No Home", "Manual", "MAV", "GPS", "GPS fix"}));

        const QFont name = m_f->controls().widget(30)->font();
        QCOMPARE(name.family(), QStringLiteral("Arial"));
        QVERIFY(name.bold());
        QCOMPARE(name.pixelSize(), fonts::pointsToPixels(20));
        QCOMPARE(m_f->controls().widget(3)->font().pixelSize(), fonts::controlFont().pixelSize());
        QVERIFY(!m_f->controls().widget(3)->font().bold());
    }

    void trailingBlanksAndStartingPictures()
    {
        QCOMPARE(m_f->controls().text(12), QStringLiteral("ORG.   "));
        QCOMPARE(m_f->controls().text(13), QStringLiteral("VEHICLE      "));
        QCOMPARE(m_f->controls().text(46), QStringLiteral("GCS       "));
        // The gauges are drawn once at start-up.
        const QImage* gauges = m_f->controls().image(2);
        QVERIFY(gauges);
        QCOMPARE(gauges->size(), QSize(410, 150));
        QVERIFY(m_f->controls().image(51));
        QVERIFY(!m_f->controls().image(51)->isNull());
    }

private:
    std::unique_ptr<ConsoleFixture> m_f;
};

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
