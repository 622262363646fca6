// Return in the main window: what it sends, in which field, with and without a link.

#include <QTest>

#include "ConnectionDialog.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

class ReturnCommit : public QObject {
    Q_OBJECT
private slots:
    void withoutLinkNothingIsSent()
    {
        UdpPeer peer;
        ConsoleFixture f;
        f.aimUdp(peer.port());
        f.type(0, QStringLiteral("STAT"));
        f.pressReturn(0);
        f.pressReturn(15);
        QTest::qWait(150);
        QVERIFY(peer.datagrams().isEmpty());
    }

    void commandEntrySendsItsTextUnchanged_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("word") << "STAT";
        QTest::newRow("blanks kept") << " NET  PORT 8001 ";
        QTest::newRow("empty") << "";
    }

    void commandEntrySendsItsTextUnchanged()
    {
        QFETCH(QString, typed);
        UdpPeer peer;
        ConsoleFixture f;
        f.aimUdp(peer.port());
        f.click(mainwindow::kPollingButton);  // polling off: only what the operator sends
        f.click(ConnectionDialog::kUdpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Udp);
        f.type(0, typed);
        f.pressReturn(0);
        QVERIFY(peer.waitForDatagrams(1));
        QCOMPARE(peer.datagrams().first(), typed.toLatin1());
        QCOMPARE(f.controls().text(0), typed);
    }
};

QTEST_MAIN(ReturnCommit)
#include "tst_return_commit.moc"
