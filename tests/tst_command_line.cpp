// Both programs' command lines without a display, the manual pages against --help, and the
// serial port listing with a real pseudo-terminal behind a stable name.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "SerialPortList.h"
#include "SerialPortName.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

/// The program run with neither a display nor a Qt platform named.
Run runWithoutDisplay(const QString& program, const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    Run r;
    if (!p.waitForFinished(kTimeoutMs)) {
        p.kill();
        p.waitForFinished(kTimeoutMs);
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

const QString kApp = QStringLiteral(ATS_APP_PATH);
const QString kSim = QStringLiteral(ATS_SIM_PATH);

/// "--name ARG" for every option a --help text or a manual page lists.
QStringList helpOptions(const QString& help) {
    QStringList out;
    static const QRegularExpression option(QStringLiteral("^\\s+(?:-[a-z], )?--([a-z-]+)(?: <([A-Z]+)>)?"),
                                           QRegularExpression::MultilineOption);
    for (auto it = option.globalMatch(help); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out << (m.captured(1) + u' ' + m.captured(2)).trimmed();
    }
    out.sort();
    return out;
}

QStringList manOptions(const QString& page) {
    QStringList out;
    const QStringList lines = page.split(u'\n');
    static const QRegularExpression option(QStringLiteral("--([a-z-]+)\\s*([A-Z]+)?\\s*$"));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] != u".TP") continue;
        QString tag = lines[i + 1];
        tag.replace(QStringLiteral("\\-"), QStringLiteral("-")).remove(u'"');
        const QRegularExpressionMatch m = option.match(tag);
        if (m.hasMatch()) out << (m.captured(1) + u' ' + m.captured(2)).trimmed();
    }
    out.sort();
    return out;
}

QString canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

}  // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void withoutDisplay_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");  // a regular expression the whole output matches
        const QString help = QStringLiteral("Usage: \\S+ \\[options\\]\n(.|\n)*--capture <FILE>(.|\n)*");
        QTest::newRow("help") << kApp << QStringList{"--help"} << 0 << help;
        QTest::newRow("-h") << kApp << QStringList{"-h"} << 0 << help;
        QTest::newRow("version") << kApp << QStringList{"--version"} << 0
                                 << "antenna-tracker-studio V1\\.70 8-11-24\n";
        QTest::newRow("-v with a Qt option") << kApp << QStringList{"-platform", "xcb", "-v"} << 0
                                             << "antenna-tracker-studio V1\\.70 8-11-24\n";
        QTest::newRow("list ports") << kApp << QStringList{"--list-ports"} << 0
                                    << "No serial ports found\\.\n|(/dev/.*\n(  .*\n)+)+";
        QTest::newRow("unknown option") << kApp << QStringList{"--bogus"} << 2 << "";
        QTest::newRow("bad link kind") << kApp << QStringList{"--connect", "usb"} << 2 << "";
        QTest::newRow("record without a name") << kApp << QStringList{"--record", ""} << 2 << "";
        QTest::newRow("record and review") << kApp << QStringList{"--record", "a.csv", "--review", "b.csv"} << 2
                                           << "";
        QTest::newRow("sim help") << kSim << QStringList{"--help"} << 0
                                  << "Usage: (.|\n)*--replay <FILE>(.|\n)*";
        QTest::newRow("sim version") << kSim << QStringList{"-v"} << 0
                                     << "tracker-sim V1\\.70 8-11-24\n";
        QTest::newRow("sim replay of no file")
            << kSim << QStringList{"--replay", "/nonexistent/capture.txt", "--no-pty"} << 1 << "";
    }

    void withoutDisplay() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, out);
        const Run r = runWithoutDisplay(program, arguments);
        QVERIFY2(r.code == code, qPrintable(QStringLiteral("exit %1: %2").arg(r.code).arg(r.err)));
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(out)).match(r.out).hasMatch(),
                 qPrintable(r.out));
        if (code != 0) QVERIFY(!r.err.isEmpty());
    }

    // An existing file is never a record: the console says why and leaves it exactly as it was,
    // before any window system is needed.
    void recordNeverOverwrites() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flight.csv"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("an earlier flight\n");
        f.close();
        const QDateTime written = QFileInfo(path).lastModified();
        const Run r = runWithoutDisplay(kApp, {QStringLiteral("--record"), path});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(path + QStringLiteral(" already exists")), qPrintable(r.err));
        QCOMPARE(readFileBytes(path), QByteArray("an earlier flight\n"));
        QCOMPARE(QFileInfo(path).lastModified(), written);
    }

    void manPagesMatchHelp_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("page");
        QTest::newRow("antenna-tracker-studio") << kApp << "antenna-tracker-studio.1";
        QTest::newRow("tracker-sim") << kSim << "tracker-sim.1";
    }

    void manPagesMatchHelp() {
        QFETCH(QString, program);
        QFETCH(QString, page);
        const Run r = runWithoutDisplay(program, {QStringLiteral("--help")});
        QCOMPARE(r.code, 0);
        const QStringList help = helpOptions(r.out);
        QVERIFY(help.size() >= 5);
        const QString man = QString::fromUtf8(readFileBytes(QStringLiteral(ATS_SOURCE_DIR "/packaging/man/") + page));
        QCOMPARE(manOptions(man), help);
    }

    // The printed command, run by a shell, makes the COM number it names open the port.
    void listPorts_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain") << "resources";
        QTest::newRow("quote and blank") << "it's mine";
        QTest::newRow("not there yet") << "new/resources";
    }

    void listPorts() {
        QFETCH(QString, folder);
        PtyPair pty;
        QVERIFY(pty.isValid());
        QTemporaryDir dir;
        const QString byId = dir.filePath(QStringLiteral("by-id"));
        const QString stable = byId + QStringLiteral("/usb-Test_Tracker_0001-if00");
        QVERIFY(QDir().mkpath(byId));
        QVERIFY(QFile::link(pty.slavePath(), stable));
        const QString resources = dir.filePath(folder) + u'/';
        if (!folder.startsWith(u"new")) {
            QVERIFY(QDir().mkpath(resources));
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), resources + QStringLiteral("COM1")));
        }

        const QList<SerialPortFacts> ports = findSerialPorts(byId);
        const auto it = std::find_if(ports.begin(), ports.end(), [&](const SerialPortFacts& p) {
            return canonical(p.path) == canonical(pty.slavePath());
        });
        QVERIFY(it != ports.end());
        QCOMPARE(it->stableNames, QStringList{stable});

        const QString listing = describeSerialPorts({*it}, resources);
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("\n  stable name: (.*)\n  link as COM (\\d+): (.*)\n$")).match(listing);
        QVERIFY2(m.hasMatch(), qPrintable(listing));
        QCOMPARE(m.captured(1), stable);
        const QString n = m.captured(2);
        if (QFileInfo::exists(resources + QStringLiteral("COM1"))) QVERIFY(n != u"1");
        QVERIFY(m.captured(3).contains(u"ln -s"));
        QCOMPARE(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), m.captured(3)}), 0);
        QCOMPARE(canonical(serialPortPath(n, resources)), canonical(pty.slavePath()));
        QVERIFY(describeSerialPorts({*it}, resources).endsWith(QStringLiteral("  is COM %1\n").arg(n)));
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_command_line.moc"
