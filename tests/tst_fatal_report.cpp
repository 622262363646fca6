// The fatal error report from real faults in a console running as a child process: the exact
// text of its one "Error" box, exit code 0 after OK, and death by the signal while the report
// is disarmed. Also: the text of every message box can be selected and copied.

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FatalErrorReport.h"
#include "MessageBoxes.h"
#include "TestSupport.h"

extern char** environ;

namespace {

struct Child {
    bool started = false;
    bool finished = false;
    int exitCode = -1;
    int signal = 0;
    QByteArray out;
};

/// Runs the console with `--fault-test kind` on the offscreen platform, answering its boxes,
/// and waits for it to end (at most 60 s).
Child runConsole(const QString& kind)
{
    Child c;
    QTemporaryDir dir;
    const QByteArray outPath = (dir.path() + QStringLiteral("/out")).toLocal8Bit();
    const QByteArray resources = dir.path().toLocal8Bit();
    const QByteArray k = kind.toLatin1();
    const char* argv[] = {ATS_APP_PATH, "--resource-dir", resources.constData(), "--fault-test", k.constData(), nullptr};

    QList<QByteArray> env;
    for (char** e = environ; *e; ++e) env << *e;
    env << "ATS_TEST_ANSWER_BOXES=1" << "QT_QPA_PLATFORM=offscreen";
    QList<char*> envp;
    for (QByteArray& e : env) envp << e.data();
    envp << nullptr;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    c.started = posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!c.started) return c;
    int status = 0;
    for (int i = 0; i < 6000 && !c.finished; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) c.finished = true;
        else QTest::qSleep(10);
    }
    if (!c.finished) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return c;
    }
    if (WIFEXITED(status)) c.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) c.signal = WTERMSIG(status);
    c.out = testsupport::readFileBytes(QString::fromLocal8Bit(outPath));
    return c;
}

/// The line of TestHooks.cpp that holds the faulting instruction of `kind`.
int faultLine(const QString& kind)
{
    QFile f(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../src/app/TestHooks.cpp"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].endsWith("// FAULT " + kind.toLatin1())) return i + 1;
    return -1;
}

}  // namespace

class FatalReport : public QObject {
    Q_OBJECT
private slots:
    void report_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("target");     // empty: no "Target Address:  " line
        QTest::addColumn<bool>("knownRegisters");  // the trigger set RAX..RSP to known values
        QTest::newRow("invalid memory access")
            << "segv" << "Invalid memory access" << "-1073741819" << "16" << true;
        QTest::newRow("division by zero")
            << "fpe" << "Integer division by zero" << "-1073741676" << "" << true;
        QTest::newRow("illegal instruction")
            << "ill" << "Illegal instruction" << "-1073741795" << "" << true;
        QTest::newRow("bus error")
            << "bus" << "Memory that could not be paged in" << "-1073741818" << "" << false;
        QTest::newRow("SIGSEGV sent with kill()")
            << "kill-segv" << "Invalid memory access \\(signal sent by process \\d+\\)"
            << "-1073741819" << "0" << false;
    }

    // One box, titled "Error", with exactly this text (CR line ends only), then exit code 0.
    void report()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QFETCH(QString, code);
        QFETCH(QString, target);
        QFETCH(bool, knownRegisters);
        const Child c = runConsole(kind);
        QVERIFY(c.started);
        QVERIFY(c.finished);
        QCOMPARE(c.signal, 0);
        QCOMPARE(c.exitCode, 0);
        const QList<QByteArray> boxes = c.out.split('\x1e');
        QCOMPARE(boxes.size(), 2);  // one box, then the end of the output
        QVERIFY2(boxes[0].startsWith("BOX Error\x1f"), boxes[0].constData());
        const QString text = QString::fromUtf8(boxes[0].mid(10));

        QString source = QStringLiteral("\\d+\\rSourcecode file: [^\\r]*");
        if (knownRegisters) {
            const int line = faultLine(kind);
            QVERIFY(line > 0);
            source = QString::number(line) +
                     QStringLiteral("\\rSourcecode file: /[^\\r]*/src/app/TestHooks\\.cpp");
        }
        QString registers;
        const char* names[] = {"RAX", "RBX", "RCX", "RDX", "RBP", "RSI", "RDI", "RSP"};
        const int values[] = {kind == u"segv" ? 16 : 1, 2, kind == u"fpe" ? 0 : 3, kind == u"fpe" ? 0 : 4, 5, 6, 7, 8};
        for (int i = 0; i < 8; ++i)
            registers += QLatin1String(names[i]) + QStringLiteral(" = ") +
                         (knownRegisters ? QString::number(values[i]) : QStringLiteral("-?\\d+")) + u'\r';
        const QString pattern = QStringLiteral("A program error was detected:\\r\\r"
                                               "Error Message:   ") + message +
                                QStringLiteral("\\rError Code:      ") + code +
                                QStringLiteral("\\rCode Address:    \\d+\\r") +
                                (target.isEmpty() ? QString() : QStringLiteral("Target Address:  ") + target + u'\r') +
                                QStringLiteral("Sourcecode line: ") + source +
                                QStringLiteral("\\r\\rRegister content:\\r") + registers +
                                QStringLiteral("Display of registers R8-R15 skipped\\.\\r");
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(text).hasMatch(),
                 qPrintable(QString(text).replace(u'\r', QStringLiteral("\\r\n"))));
    }

    void sourcePosition_data()
    {
        QTest::addColumn<QString>("answer");  // addr2line's
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("file");
        QTest::newRow("blanks in the path")
            << "/home/op/my src/app/App.cpp:42\n" << "42" << "/home/op/my src/app/App.cpp";
        QTest::newRow("discriminator") << "/a b/x.cpp:7 (discriminator 3)\n" << "7" << "/a b/x.cpp";
        QTest::newRow("line unknown") << "/src/./x.cpp:?\n" << "0" << "/src/x.cpp";
        QTest::newRow("no debug information") << "??:0\n" << "0" << "?";
    }

    void sourcePosition()
    {
        QFETCH(QString, answer);
        QFETCH(QString, line);
        QFETCH(QString, file);
        const fatalreport::SourcePosition at = fatalreport::sourcePosition(answer);
        QCOMPARE(at.line, line);
        QCOMPARE(at.file, file);
    }

    // Not armed: the fault gets the default handling and the console dies by the signal.
    void disarmedFaultKills()
    {
        const Child c = runConsole(QStringLiteral("disarmed-segv"));
        QVERIFY(c.finished);
        QCOMPARE(c.signal, SIGSEGV);
        QVERIFY(!c.out.contains("BOX"));
    }

    void boxTextCanBeCopied_data()
    {
        QTest::addColumn<bool>("question");
        QTest::newRow("OK box") << false;
        QTest::newRow("Yes/No box") << true;
    }

    // Click into the text, Ctrl+A, Ctrl+C: the clipboard holds the box's text, its lines
    // ended as the desktop ends them.
    void boxTextCanBeCopied()
    {
        QFETCH(bool, question);
        const QString text = QStringLiteral("Error Code:      -1073741819\rRAX = 1\rDisplay skipped.");
        QApplication::clipboard()->clear();
        QString copied;
        Qt::TextInteractionFlags flags;
        QTimer::singleShot(50, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            if (label) {
                flags = label->textInteractionFlags();
                QTest::mouseClick(label, Qt::LeftButton);
                QTest::keyClick(label, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(label, Qt::Key_C, Qt::ControlModifier);
                copied = QApplication::clipboard()->text();
            }
            box->done(QMessageBox::No);
        });
        MessageBoxes boxes;
        if (question) boxes.askYesNo(QStringLiteral("Warning"), text);
        else boxes.tell(QStringLiteral("Error"), text);
        QVERIFY(flags.testFlag(Qt::TextSelectableByMouse));
        QVERIFY(flags.testFlag(Qt::TextSelectableByKeyboard));
        QCOMPARE(copied, QString(text).replace(u'\r', u'\n'));
    }
};

QTEST_MAIN(FatalReport)
#include "tst_fatal_report.moc"
