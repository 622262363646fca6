#include <QHash>
#include <QSet>
#include <QTest>
#include <cmath>
#include <limits>

#include "ControlAccess.h"
#include "SettingCommands.h"

namespace {

/// The numbered controls as a table: texts by number and the set of checked boxes.
class ControlTable : public ControlAccess {
public:
    QHash<int, QString> texts;
    QSet<int> checked;

    bool windowOpen(int) const override { return true; }
    QString text(int control) const override { return texts.value(control); }
    void setText(int control, const QString& t) override { texts[control] = t; }
    void setBackground(int, Rgb) override {}
    void setVisible(int, bool) override {}
    bool isChecked(int control) const override { return checked.contains(control); }
    void setChecked(int control, bool on) override {
        if (on)
            checked.insert(control);
        else
            checked.remove(control);
    }
    int selectedItem(int) const override { return -1; }
    void selectItem(int, int) override {}
};

using Texts = QHash<int, QString>;
using Checked = QSet<int>;

const QString kIpWarning = QStringLiteral(
    "Do you want to change the IP of the device? It will stop working until you set the new IP "
    "in the device connection form. If you forget the IP, use broadcast xxx.xxx.xxx.255 "
    "temporarily.");
const QString kSubmaskWarning = QStringLiteral(
    "Do you want to change the SUBMASK of the device? It will stop working until you set the "
    "new SUBMASK in the device connection form.");
const QString kGatewayWarning = QStringLiteral(
    "Do you want to change the GATEWAY of the device? It may stop working until you configure "
    "the new GATEWAY in the device connection form.");

}  // namespace

class TestSettingCommands : public QObject {
    Q_OBJECT

private slots:
    void build_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<Checked>("checked");
        QTest::addColumn<int>("homeMode");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("warning");
        const QString deg = QStringLiteral("\u00BA");

        QTest::newRow("DX") << "DX" << Texts{{15, "12.7"}} << Checked{} << 0 << "DX 12.7"
                            << "DX 12"
                            << "";
        QTest::newRow("DY") << "DY" << Texts{{16, "-30.6"}} << Checked{} << 0 << "DY -30.6"
                            << "DY -30"
                            << "";
        QTest::newRow("DX no number") << "DX" << Texts{{15, "abc"}} << Checked{} << 0 << "DX abc"
                                      << "DX 0"
                                      << "";
        QTest::newRow("DX empty") << "DX" << Texts{} << Checked{} << 0 << "DX "
                                  << "DX 0"
                                  << "";
        QTest::newRow("OFFSET") << "OFFSET" << Texts{{17, " 1.5"}, {32, "-2x"}} << Checked{} << 0
                                << "OFFSET  1.5 -2x"
                                << "OFFSET 1 -2"
                                << "";
        QTest::newRow("HOME") << "HOME" << Texts{} << Checked{} << 3 << "HOME 3,G"
                              << "HOME  3,G"
                              << "";
        QTest::newRow("HOME 0") << "HOME" << Texts{} << Checked{} << 0 << "HOME 0,G"
                                << "HOME  0,G"
                                << "";
        QTest::newRow("MAVLINK on") << "MAVLINK" << Texts{} << Checked{29} << 0 << "MAVLINK 1,G"
                                    << "MAVLINK  1,G"
                                    << "";
        QTest::newRow("MAVLINK off") << "MAVLINK" << Texts{} << Checked{47} << 0 << "MAVLINK 0,G"
                                     << "MAVLINK  0,G"
                                     << "";
        QTest::newRow("GPSOBJ") << "GPSOBJ"
                                << Texts{{23, "41.5678901" + deg},
                                         {25, "-3.7654321" + deg},
                                         {26, "120"}}
                                << Checked{} << 0 << "GPSOBJ 415678901 -37654321 120"
                                << "GPSOBJ  415678901 -37654321 120"
                                << "";
        QTest::newRow("ORG") << "ORG" << Texts{{22, "-0.5"}, {24, "2"}, {27, "650 m"}} << Checked{}
                             << 0 << "ORG -5000000 20000000 650 m"
                             << "ORG  -5000000 20000000 650 m"
                             << "";
        QTest::newRow("ORG empty") << "ORG" << Texts{} << Checked{} << 0 << "ORG 0 0 "
                                   << "ORG  0 0 "
                                   << "";
        QTest::newRow("MAV STATINIT")
            << "MAV STATINIT" << Texts{} << Checked{} << 0 << "MAV STATINIT"
            << "MAV STATINIT"
            << "";
        QTest::newRow("DISTMIN") << "DISTMIN" << Texts{{18, "50"}} << Checked{} << 0
                                 << "DISTMIN 50,G"
                                 << "DISTMIN 50,G"
                                 << "";
        QTest::newRow("FAN") << "FAN" << Texts{{19, "40"}} << Checked{} << 0 << "FAN 40,G"
                             << "FAN 40,G"
                             << "";
        QTest::newRow("HEAT") << "HEAT" << Texts{{20, "-5"}} << Checked{} << 0 << "HEAT -5,G"
                              << "HEAT -5,G"
                              << "";
        QTest::newRow("NET IP") << "NET IP" << Texts{{193, "192.168.1.50"}} << Checked{} << 0
                                << "NET IP 192.168.1.50"
                                << "NET IP 192.168.1.50" << kIpWarning;
        QTest::newRow("NET SUBMASK") << "NET SUBMASK" << Texts{{195, "255.255.0.0"}} << Checked{}
                                     << 0 << "NET SUBMASK 255.255.0.0,G"
                                     << "NET SUBMASK 255.255.0.0" << kSubmaskWarning;
        QTest::newRow("NET GATEWAY") << "NET GATEWAY" << Texts{{197, "192.168.1.1"}} << Checked{}
                                     << 0 << "NET GATEWAY 192.168.1.1"
                                     << "NET GATEWAY 192.168.1.1" << kGatewayWarning;
        QTest::newRow("GCS on") << "GCS" << Texts{} << Checked{47} << 0 << "GCS 1,G"
                                << "GCS 1,G"
                                << "";
        QTest::newRow("GCS off") << "GCS" << Texts{} << Checked{29} << 0 << "GCS 0,G"
                                 << "GCS 0,G"
                                 << "";
        QTest::newRow("AUDIO VOL")
            << "AUDIO VOL" << Texts{{205, "7"}} << Checked{} << 0 << "AUDIO VOL 7"
            << "AUDIO VOL 7"
            << "";
        QTest::newRow("AUDIO TONE")
            << "AUDIO TONE" << Texts{{211, "1200"}} << Checked{} << 0 << "AUDIO TONE 1200"
            << "AUDIO TONE 1200"
            << "";
        for (const char* bare : {"AUDIO BEEP", "AUDIO CLICK", "CALIBRX", "CALIBRY"})
            QTest::newRow(bare) << bare << Texts{} << Checked{} << 0 << bare << bare << "";
        QTest::newRow("NAME") << "NAME" << Texts{{224, "Roof tracker"}} << Checked{} << 0
                              << "NAME Roof tracker"
                              << "NAME Roof tracker"
                              << "";
        for (const char* unknown : {"FOO", "dx", "NET", "DX ", ""})
            QTest::newRow(qPrintable(QStringLiteral("unknown '%1'").arg(unknown)))
                << unknown << Texts{{15, "1"}} << Checked{} << 0 << ""
                << ""
                << "";
    }
    void build() {
        QFETCH(QString, name);
        QFETCH(Texts, texts);
        QFETCH(Checked, checked);
        QFETCH(int, homeMode);
        ControlTable controls;
        controls.texts = texts;
        controls.checked = checked;
        const SettingCommand s = buildSettingCommand(name, controls, homeMode);
        QTEST(s.command, "command");
        QTEST(s.shown, "shown");
        QTEST(s.warning, "warning");
    }

    void stepAxis_data() {
        QTest::addColumn<float>("position");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("xAxis");
        QTest::addColumn<int>("expected");
        constexpr float inf = std::numeric_limits<float>::infinity();
        constexpr float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("13.5 to even 14") << 12.5f << 1 << true << 14;
        QTest::newRow("12.5 to even 12") << 11.5f << 1 << true << 12;
        QTest::newRow("12.5 down to 12") << 13.5f << -1 << true << 12;
        QTest::newRow("above max limited") << 359.6f << 1 << true << 360;
        QTest::newRow("at max") << 360.0f << 1 << true << 360;
        QTest::newRow("down from max") << 360.0f << -1 << true << 359;
        QTest::newRow("not limited above on a -1") << 400.0f << -1 << true << 399;
        QTest::newRow("not limited below on a +1") << -5.0f << 1 << true << -4;
        QTest::newRow("X below min") << 0.4f << -1 << true << 0;
        QTest::newRow("-90.5 to even -90") << -89.5f << -1 << false << -90;
        QTest::newRow("Y below min") << -90.0f << -1 << false << -90;
        QTest::newRow("89.5 to even 90") << 88.5f << 1 << false << 90;
        QTest::newRow("88.5 to even 88") << 87.5f << 1 << false << 88;
        QTest::newRow("Y above max") << 89.9f << 1 << false << 90;
        QTest::newRow("NaN up") << nan << 1 << true << 0;
        QTest::newRow("NaN down X") << nan << -1 << true << 0;
        QTest::newRow("NaN down Y") << nan << -1 << false << 0;
        QTest::newRow("+inf up") << inf << 1 << true << 360;
        QTest::newRow("-inf down X") << -inf << -1 << true << 0;
        QTest::newRow("-inf down Y") << -inf << -1 << false << -90;
        QTest::newRow("+inf down") << inf << -1 << true << std::numeric_limits<int>::max();
        QTest::newRow("-inf up") << -inf << 1 << false << std::numeric_limits<int>::min();
    }
    void stepAxis() {
        QFETCH(float, position);
        QFETCH(int, step);
        QFETCH(bool, xAxis);
        const int lo = xAxis ? 0 : -90;
        const int hi = xAxis ? 360 : 90;
        QTEST(stepAxisTarget(position, step, lo, hi), "expected");
    }
};

QTEST_APPLESS_MAIN(TestSettingCommands)
#include "tst_protocol_settings.moc"
