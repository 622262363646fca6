// --capture against the simulator on each link, then the same session replayed by
// tracker-sim --replay: the console must receive the same replies.

#include <QDateTime>
#include <QFile>
#include <QTest>

#include "CaptureFormat.h"
#include "CaptureWriter.h"
#include "ConnectionDialog.h"
#include "TestSupport.h"

using namespace testsupport;

Q_DECLARE_METATYPE(LinkKind)

namespace {

QList<capture::Record> readCapture(const QString& path, QByteArray* firstLine = nullptr) {
    QList<capture::Record> out;
    const QList<QByteArray> lines = readFileBytes(path).split('\n');
    if (firstLine) *firstLine = lines.value(0);
    for (const QByteArray& line : lines)
        if (const std::optional<capture::Record> r = capture::parseLine(line)) out << *r;
    return out;
}

/// Per command, in order, the bytes received after it until the next command.
QHash<QByteArray, QByteArrayList> repliesByCommand(const QList<capture::Record>& records) {
    QHash<QByteArray, QByteArrayList> out;
    QByteArrayList* current = nullptr;
    for (const capture::Record& r : records) {
        if (r.direction == capture::Direction::Sent) {
            current = &out[r.bytes];
            current->append(QByteArray());
        } else if (current) {
            current->last() += r.bytes;
        }
    }
    return out;
}

/// A console captured into `path` while it talks to `sim` on `kind`, until `replies` replies
/// were parsed.
bool captureSession(SimProcess& sim, LinkKind kind, const QString& path, int replies) {
    CaptureWriter writer;
    QString error;
    if (!writer.open(path, &error)) return false;
    ConsoleFixture f([&](const QString& dir) {
        QFile::link(sim.ptyPath(), dir + QStringLiteral("COM7"));
    });
    f.app().setCapture(&writer);
    switch (kind) {
    case LinkKind::Udp:
        f.aimUdp(sim.udpPort());
        f.click(ConnectionDialog::kUdpButton);
        break;
    case LinkKind::Tcp:
        f.aimTcp(sim.tcpPort());
        f.click(ConnectionDialog::kTcpButton);
        break;
    default:
        f.controls().setText(ConnectionDialog::kComField, QStringLiteral("7"));
        f.click(ConnectionDialog::kComButton);
        break;
    }
    const bool ok = f.app().link().kind() == kind &&
                    waitFor([&] { return f.app().repliesHandled() >= replies; }, 20000);
    f.app().setCapture(nullptr);
    return ok;
}

}  // namespace

class TestCaptureReplay : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data() {
        QTest::addColumn<LinkKind>("kind");
        QTest::newRow("com") << LinkKind::Serial;
        QTest::newRow("udp") << LinkKind::Udp;
        QTest::newRow("tcp") << LinkKind::Tcp;
    }

    void roundTrip() {
        QFETCH(LinkKind, kind);
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.txt"));
        const QString second = dir.filePath(QStringLiteral("second.txt"));
        // An existing file is appended to, never replaced.
        QFile old(first);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("# an earlier session\n");
        old.close();

        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        QStringList simCommands;
        {
            SimProcess sim;
            QVERIFY(sim.isReady());
            QVERIFY(captureSession(sim, kind, first, 25));
            simCommands = sim.commands();
        }
        QByteArray firstLine;
        const QList<capture::Record> recorded = readCapture(first, &firstLine);
        QCOMPARE(firstLine, QByteArray("# an earlier session"));
        QVERIFY(readFileBytes(first).contains(capture::kHeader.toByteArray() + '\n'));

        // Every command as the tracker received it, in order, and nothing else on that side.
        QStringList sent;
        qint64 last = before;
        const capture::Link link = kind == LinkKind::Serial ? capture::Link::Serial
                                   : kind == LinkKind::Udp  ? capture::Link::Udp
                                                            : capture::Link::Tcp;
        for (const capture::Record& r : recorded) {
            QVERIFY(r.link == link);
            QVERIFY(r.msSinceEpoch >= last);
            last = r.msSinceEpoch;
            if (r.direction == capture::Direction::Sent) sent << QString::fromLatin1(capture::escape(r.bytes));
        }
        QVERIFY(last <= QDateTime::currentMSecsSinceEpoch());
        QVERIFY(sent.size() >= 25);
        QCOMPARE(sent.mid(0, simCommands.size()), simCommands.mid(0, sent.size()));
        if (kind == LinkKind::Serial) QVERIFY(sent.first().startsWith("@PC>25 "));

        {
            SimProcess replay({QStringLiteral("--replay"), first});
            QVERIFY(replay.isReady());
            QVERIFY(captureSession(replay, kind, second, 20));
        }
        // The replayed tracker answers a command's k-th time with what followed its k-th time in
        // the first capture (the last of those once they run out). On a busy machine a reply may
        // arrive after the next command went out, so the bytes are compared as one stream: what
        // arrived is the start of what those answers make up (the last may still be on its way).
        const QHash<QByteArray, QByteArrayList> expected = repliesByCommand(recorded);
        QHash<QByteArray, qsizetype> times;
        QByteArray answers, arrived;
        for (const capture::Record& r : readCapture(second)) {
            if (r.direction == capture::Direction::Received) {
                arrived += r.bytes;
                continue;
            }
            QVERIFY2(expected.contains(r.bytes), r.bytes.constData());
            const QByteArrayList& want = expected[r.bytes];
            answers += want.at(std::min(times[r.bytes]++, want.size() - 1));
        }
        QVERIFY2(answers.startsWith(arrived), arrived.constData());
        QVERIFY(arrived.count(" OK") >= 20);
    }

    void unwritableFile() {
        QTemporaryDir dir;
        CaptureWriter writer;
        QString error;
        QVERIFY(!writer.open(dir.path(), &error));  // a folder
        QVERIFY(!error.isEmpty());
        QVERIFY(!writer.isOpen());
        writer.record(capture::Direction::Sent, LinkKind::Udp, "STAT");  // harmless
    }
};

QTEST_MAIN(TestCaptureReplay)
#include "tst_capture_replay.moc"
