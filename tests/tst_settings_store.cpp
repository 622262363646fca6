// "SETUP_TAVO_MERLAN.txt": the exact bytes written at every moment that writes it, the moments
// that leave it alone, how its lines fill the dialog, and files that cannot be used.

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/resource.h>
#include <csignal>

#include "ConnectionDialog.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

using CD = ConnectionDialog;

const char* const kFileName = "SETUP_TAVO_MERLAN.txt";

/// The nine lines as the file holds them.
QByteArray fileOf(const QStringList& lines) {
    QByteArray out;
    for (const QString& l : lines) out += l.toUtf8() + "\r\n";
    return out;
}

void writeRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

/// The dialog's eight fields in file order (lines 2 to 9).
constexpr int kFileFields[] = {CD::kComField,  CD::kPrefixLabel, CD::kUdpIp,    CD::kUdpLocal,
                               CD::kUdpRemote, CD::kTcpIp,       CD::kTcpLocal, CD::kTcpRemote};

QStringList dialogTexts(Controls& c) {
    QStringList out;
    for (int n : kFileFields) out << c.text(n);
    return out;
}

const QStringList kDefaults{"",     "@PC>25",        "192.168.1.224", "9000",
                            "8000", "192.168.1.224", "9004",          "8004"};

}  // namespace

class SettingsStore : public QObject {
    Q_OBJECT
private slots:
    void savedBytes_data() {
        QTest::addColumn<QString>("moment");
        QTest::addColumn<QString>("lineOne");
        QTest::newRow("udp opened") << "udp open"
                                    << "2";
        QTest::newRow("udp failed") << "udp fail"
                                    << "0";
        QTest::newRow("udp closed") << "udp close"
                                    << "0";
        QTest::newRow("tcp opened") << "tcp open"
                                    << "3";
        QTest::newRow("tcp failed") << "tcp fail"
                                    << "0";
        QTest::newRow("tcp closed") << "tcp close"
                                    << "0";
        QTest::newRow("serial closed") << "serial close"
                                       << "0";
        QTest::newRow("serial to udp") << "serial udp"
                                       << "2";
        QTest::newRow("udp to serial, then closed") << "udp serial close"
                                                    << "0";
    }

    // Nine UTF-8 lines ended by CR LF: the link kind after the operation, then the dialog's
    // texts as they stand, non-ASCII text included.
    void savedBytes() {
        QFETCH(QString, moment);
        QFETCH(QString, lineOne);
        UdpPeer udp;
        TcpPeer tcp;
        PtyPair pty;
        BoxAnswerer boxes;
        for (int i = 0; i < 3; ++i) boxes.answer(QMessageBox::Yes);
        ConsoleFixture f;
        QVERIFY(pty.linkInto(f.resourceDir(), QStringLiteral("COM7")));
        Controls& c = f.controls();
        const bool tcpFails = moment == u"tcp fail";
        const QStringList texts{"7",
                                "@PC>25",
                                "127.0.0.1",
                                QString::number(freeUdpPort()),
                                moment == u"udp fail" ? "0" : QString::number(udp.port()),
                                "127.0.0.1",
                                "0",
                                QString::number(tcpFails ? freeTcpPort() : tcp.port())};
        for (int i = 0; i < 8; ++i)
            if (i != 1) c.setText(kFileFields[i], texts[i]);
        f.type(CD::kComField, QStringLiteral("7"));
        // Text in a field that plays no part: it is saved as it stands, in UTF-8.
        c.setText(CD::kTcpIp,
                  moment.startsWith(u"udp") ? QStringLiteral("tracker\u00BA") : texts[5]);
        QStringList expected = texts;
        expected[5] = c.text(CD::kTcpIp);
        QVERIFY(QFile::remove(f.settingsPath()));

        const QStringList steps = moment.split(u' ');
        for (int i = 0; i < steps.size(); ++i) {
            const QString& s = steps[i];
            if (s == u"udp")
                f.click(CD::kUdpButton);
            else if (s == u"tcp")
                f.click(CD::kTcpButton);
            else if (s == u"serial")
                f.click(CD::kComButton);
            else if (s == u"close")
                f.click(steps[i - 1] == u"udp"   ? CD::kUdpButton
                        : steps[i - 1] == u"tcp" ? CD::kTcpButton
                                                 : CD::kComButton);
        }
        QCOMPARE(QString::number(int(f.app().link().kind())), lineOne);
        QCOMPARE(readFileBytes(f.settingsPath()), fileOf(QStringList{lineOne} + expected));
        if (moment.startsWith(u"udp"))
            QVERIFY(readFileBytes(f.settingsPath()).contains("tracker\xC2\xBA\r\n"));
    }

    void notWritten_data() {
        QTest::addColumn<QString>("moment");
        QTest::addColumn<bool>("fileThere");
        for (bool there : {false, true}) {
            const char* s = there ? "file kept" : "no file";
            QTest::addRow("serial opened, %s", s) << "serial open" << there;
            QTest::addRow("serial failed, %s", s) << "serial fail" << there;
            QTest::addRow("No to the question, %s", s) << "no" << there;
        }
    }

    void notWritten() {
        QFETCH(QString, moment);
        QFETCH(bool, fileThere);
        UdpPeer udp;
        TcpPeer tcp;
        PtyPair pty;
        BoxAnswerer boxes;
        boxes.answer(moment == u"no" ? QMessageBox::No : QMessageBox::Ok);
        ConsoleFixture f;
        QVERIFY(pty.linkInto(f.resourceDir(), QStringLiteral("COM7")));
        if (moment == u"no") {
            f.aimUdp(udp.port());
            f.click(CD::kUdpButton);
            QCOMPARE(f.app().link().kind(), LinkKind::Udp);
            f.aimTcp(tcp.port());
        }
        f.controls().setText(CD::kComField,
                             moment == u"serial fail" ? QString() : QStringLiteral("7"));
        const QByteArray before =
            fileOf({"1", "9", "@PC>25", "127.0.0.1", "1", "2", "127.0.0.1", "3", "4"});
        if (fileThere)
            writeRaw(f.settingsPath(), before);
        else
            QVERIFY(QFile::remove(f.settingsPath()));

        f.click(moment == u"no" ? CD::kTcpButton : CD::kComButton);
        if (moment != u"serial open") QVERIFY(boxes.waitSeen(1));
        QCOMPARE(f.app().link().kind(), moment == u"serial open" ? LinkKind::Serial
                                        : moment == u"no"        ? LinkKind::Udp
                                                                 : LinkKind::None);
        QCOMPARE(QFile::exists(f.settingsPath()), fileThere);
        if (fileThere) QCOMPARE(readFileBytes(f.settingsPath()), before);
    }

    void neverWrittenAtExit() {
        QTemporaryDir dir;
        UdpPeer udp;
        const QString path = dir.path() + u'/' + QLatin1String(kFileName);
        {
            AppOptions options;
            options.resourceDirectory = dir.path();
            App app(options);
            app.start();
            app.controls().setText(CD::kUdpIp, QStringLiteral("127.0.0.1"));
            app.controls().setText(CD::kUdpLocal, QStringLiteral("0"));
            app.controls().setText(CD::kUdpRemote, QString::number(udp.port()));
            app.connectionDialog().toggleUdpLink();
            QCOMPARE(app.link().kind(), LinkKind::Udp);
            QVERIFY(QFile::remove(path));
            app.controls().setText(CD::kComField, QStringLiteral("5"));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!QFile::exists(path));
    }

    void loading_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("serialPrefix");
        const QStringList d = kDefaults;
        auto with = [&](std::initializer_list<std::pair<int, QString>> changes) {
            QStringList out = d;
            for (const auto& [line, text] : changes) out[line - 2] = text;
            return out;
        };

        QTest::newRow("empty file") << QByteArray() << d << "";
        QTest::newRow("line 2 holds 5") << fileOf({"0", "5"}) << with({{2, "5"}}) << "";
        QTest::newRow("three lines")
            << fileOf({"0", "5", "@PC>31"}) << with({{2, "5"}, {3, "@PC>31"}}) << "@PC>31";
        QTest::newRow("nine lines")
            << fileOf(
                   {"2", "12", "@PC>40", "127.0.0.5", "9100", "8100", "127.0.0.6", "9104", "8104"})
            << QStringList{"12", "@PC>40", "127.0.0.5", "9100", "8100", "127.0.0.6", "9104", "8104"}
            << "@PC>40";
        QTest::newRow("empty lines keep defaults")
            << fileOf({"3", "", "", "127.0.0.9", "", "", "", "", "8200"})
            << with({{4, "127.0.0.9"}, {9, "8200"}}) << "";
        QTest::newRow("texts taken unchanged")
            << fileOf(
                   {"x", " 4 ", " @PC>25 ", "127.0.0.1 ", "abc", "-1", "host name", "9004x", "0"})
            << QStringList{" 4 ", " @PC>25 ", "127.0.0.1 ", "abc", "-1", "host name", "9004x", "0"}
            << " @PC>25 ";
        QTest::newRow("lines after the ninth ignored")
            << fileOf({"0", "1", "@PC>25", "127.0.0.1", "1", "2", "127.0.0.1", "3", "4", "5", "6"})
            << QStringList{"1", "@PC>25", "127.0.0.1", "1", "2", "127.0.0.1", "3", "4"} << "@PC>25";
        QTest::newRow("line feeds alone")
            << QByteArray("0\n5\n@PC>31\n") << with({{2, "5"}, {3, "@PC>31"}}) << "@PC>31";
        QTest::newRow("utf-8") << fileOf({"0", "", "@PC\u00BA25"}) << with({{3, "@PC\u00BA25"}})
                               << "@PC\u00BA25";
        QTest::newRow("no line end at the end") << QByteArray("0\r\n6") << with({{2, "6"}}) << "";
    }

    // Line 1 is ignored: no link opens, nothing turns green.
    void loading() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, shown);
        QFETCH(QString, serialPrefix);
        ConsoleFixture f(
            [&](const QString& dir) { writeRaw(dir + QLatin1String(kFileName), file); });
        QCOMPARE(dialogTexts(f.controls()), shown);
        QCOMPARE(f.app().link().serialPrefix, serialPrefix);
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        for (int n : {CD::kComField, CD::kUdpIp, CD::kTcpIp})
            QCOMPARE(f.controls().background(n), colour::kLinkIdle);
        QCOMPARE(readFileBytes(f.settingsPath()), file);
    }

    void malformedFile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("serialPrefix");
        const QStringList d = kDefaults;
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i) garbage += char((i * 37 + 11) & 0xFF);
        const QByteArray tenMegabytes(10 * 1024 * 1024, '7');
        QByteArray thousands = fileOf({"2", "3", "@PC>33", "127.0.0.3", "3", "4", "127.0.0.4", "5", "6"});
        for (int i = 0; i < 5000; ++i) thousands += "line " + QByteArray::number(i) + "\r\n";

        QTest::newRow("binary garbage") << garbage << d << "";
        QTest::newRow("a 10 MB line") << "0\r\n4\r\n@PC>31\r\n127.0.0.7\r\n" + tenMegabytes + "\r\n1\r\n2\r\n"
                                      << QStringList{"4", "@PC>31", "127.0.0.7", "9000", "8000", "192.168.1.224", "9004", "8004"}
                                      << "@PC>31";
        QTest::newRow("CR line ends")
            << QByteArray("0\r5\r@PC>31\r127.0.0.5\r\r\r\r\r8104\r")
            << QStringList{"5", "@PC>31", "127.0.0.5", "9000", "8000", "192.168.1.224", "9004", "8104"} << "@PC>31";
        QTest::newRow("byte-order mark")
            << "\xEF\xBB\xBF" + fileOf({"0", "5", "@PC>31"})
            << QStringList{"5", "@PC>31", "192.168.1.224", "9000", "8000", "192.168.1.224", "9004", "8004"} << "@PC>31";
        QTest::newRow("thousands of lines")
            << thousands << QStringList{"3", "@PC>33", "127.0.0.3", "3", "4", "127.0.0.4", "5", "6"} << "@PC>33";
        QTest::newRow("control characters and a NUL")
            << fileOf({"0", QString("5\x01"), "@PC>31"}).replace("@PC>31", QByteArray("@PC\0>31", 7))
            << d << "";
        QTest::newRow("wrong values in every line")
            << fileOf({"-7", "COM", "no prefix", "999.1.1.1", "-5", "port", "host name", "99999999", "65535"})
            << QStringList{"COM", "no prefix", "999.1.1.1", "-5", "port", "host name", "99999999", "65535"}
            << "no prefix";
    }

    // Whatever the file holds, the console starts, shows the lines it could read and the
    // defaults elsewhere, opens no link and leaves the file as it was; the links still fail
    // or open as their fields say.
    void malformedFile() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, shown);
        QFETCH(QString, serialPrefix);
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        ConsoleFixture f(
            [&](const QString& dir) { writeRaw(dir + QLatin1String(kFileName), file); });
        QCOMPARE(dialogTexts(f.controls()), shown);
        QCOMPARE(f.app().link().serialPrefix, serialPrefix);
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        QCOMPARE(readFileBytes(f.settingsPath()), file);
        if (QTest::currentDataTag() == QLatin1String("wrong values in every line")) {
            f.click(CD::kUdpButton);
            QVERIFY(boxes.waitSeen(1));
            QCOMPARE(boxes.seen().first().text, QStringLiteral("There was a problem initiating UDP connection"));
            QVERIFY(readFileBytes(f.settingsPath()).startsWith("0\r\nCOM\r\nno prefix\r\n"));
        }
    }

    void prefixOnTheWire_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("from the file") << fileOf({"0", "7", "@PC>31"}) << QByteArray("@PC>31 STAT");
        QTest::newRow("non-ASCII, one byte")
            << fileOf({"0", "7", "@PC\u00BA"}) << QByteArray("@PC\xBA STAT");
        QTest::newRow("empty line: the label's default")
            << fileOf({"0", "7", ""}) << QByteArray("@PC>25 STAT");
    }

    // The prefix label goes in front of serial commands once the port opens; replies still
    // end in the fixed marker.
    void prefixOnTheWire() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, sent);
        PtyPair pty;
        ConsoleFixture f([&](const QString& dir) {
            writeRaw(dir + QLatin1String(kFileName), file);
            pty.linkInto(dir, QStringLiteral("COM7"));
        });
        f.click(mainwindow::kPollingButton);
        f.click(CD::kComButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Serial);
        f.app().sendCommand(QStringLiteral("STAT"));
        QCOMPARE(pty.readAtLeast(int(sent.size())), sent);
        pty.write(serialReply("AB 1 OK"));
        QVERIFY(waitFor([&] { return f.app().repliesHandled() == 1; }));
    }

    void unusableFile_data() {
        QTest::addColumn<bool>("folderIsAFile");
        QTest::newRow("resource folder is a file") << true;
        QTest::newRow("settings name is a folder") << false;
    }

    // Nothing can be read or written: the dialog keeps its defaults, the prefix is empty,
    // links still open and close, and nothing is reported.
    void unusableFile() {
        QFETCH(bool, folderIsAFile);
        QTemporaryDir dir;
        UdpPeer udp;
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        QString resourceDir = dir.path();
        if (folderIsAFile) {
            resourceDir += QStringLiteral("/plain-file");
            writeRaw(resourceDir, "not a folder");
        } else {
            QVERIFY(QDir(dir.path()).mkdir(QLatin1String(kFileName)));
        }
        {
            AppOptions options;
            options.resourceDirectory = resourceDir;
            App app(options);
            app.start();
            QVERIFY(app.controls().windowOpen(CD::kWindow));
            QCOMPARE(dialogTexts(app.controls()), kDefaults);
            QCOMPARE(app.link().serialPrefix, QString());

            app.controls().setText(CD::kUdpIp, QStringLiteral("127.0.0.1"));
            app.controls().setText(CD::kUdpLocal, QStringLiteral("0"));
            app.controls().setText(CD::kUdpRemote, QString::number(udp.port()));
            app.connectionDialog().toggleUdpLink();
            QCOMPARE(app.link().kind(), LinkKind::Udp);
            app.sendCommand(QStringLiteral("STAT"));
            QVERIFY(udp.waitForDatagrams(1));
            app.connectionDialog().toggleUdpLink();
            QCOMPARE(app.link().kind(), LinkKind::None);
            QCOMPARE(app.controls().background(CD::kUdpIp), colour::kLinkIdle);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(boxes.seen().isEmpty());
        if (folderIsAFile) {
            QCOMPARE(readFileBytes(resourceDir), QByteArray("not a folder"));
        } else {
            QVERIFY(QFileInfo(dir.path() + u'/' + QLatin1String(kFileName)).isDir());
            const QStringList named = QDir(dir.path())
                                          .entryList({QLatin1String(kFileName) + u'*'},
                                                     QDir::AllEntries | QDir::NoDotAndDotDot);
            QCOMPARE(named, QStringList{QLatin1String(kFileName)});
        }
    }

    // A save that fails half way (here the file size limit stops the write) leaves the
    // previous file whole, and no half-written file behind.
    void failedSaveKeepsTheOldFile() {
        UdpPeer udp;
        ConsoleFixture f;
        f.aimUdp(udp.port());
        f.click(CD::kUdpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Udp);
        const QByteArray saved = readFileBytes(f.settingsPath());
        QVERIFY(saved.startsWith("2\r\n"));
        const QStringList entries =
            QDir(f.resourceDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        rlimit old{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit tiny = old;
        tiny.rlim_cur = 4;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (::setrlimit(RLIMIT_FSIZE, &tiny) != 0) {
            std::signal(SIGXFSZ, oldHandler);
            QSKIP("the file size limit cannot be lowered here");
        }
        f.app().connectionDialog().toggleUdpLink();
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(f.app().link().kind(), LinkKind::None);
        QCOMPARE(readFileBytes(f.settingsPath()), saved);
        QCOMPARE(QDir(f.resourceDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries);

        // The next save that can complete replaces it.
        f.click(CD::kUdpButton);
        QVERIFY(readFileBytes(f.settingsPath()).startsWith("2\r\n"));
    }
};

QTEST_MAIN(SettingsStore)
#include "tst_settings_store.moc"
