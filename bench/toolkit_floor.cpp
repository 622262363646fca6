// What the toolkit alone costs at the console's rate: a window of N plain line edits, a UDP poll
// of the simulator every 100 ms, and each reply's numbers written into the fields. It has none
// of the console's own work, so its CPU and memory are a floor under any budget for the console.
//
//   toolkit-floor PORT [FIELDS]     FIELDS defaults to 1; 0 leaves the window empty
#include <QApplication>
#include <QHostAddress>
#include <QLineEdit>
#include <QTimer>
#include <QUdpSocket>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

int main(int argc, char** argv)
{
    // The same X transport as the console.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const quint16 port = args.size() > 1 ? args[1].toUShort() : 0;
    const int fields = args.size() > 2 ? std::clamp(args[2].toInt(), 0, 50) : 1;
    if (port == 0) {
        qWarning("usage: toolkit-floor PORT [FIELDS]");
        return 2;
    }

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    QList<QLineEdit*> edits;
    for (int i = 0; i < fields; ++i) layout->addWidget(edits.emplace_back(new QLineEdit));
    window.resize(400, 60 + 24 * fields);
    window.show();

    QUdpSocket link;
    link.connectToHost(QHostAddress::LocalHost, port);
    QObject::connect(&link, &QUdpSocket::readyRead, [&] {
        while (link.hasPendingDatagrams()) {
            QByteArray reply(qMax<qint64>(link.pendingDatagramSize(), 0), Qt::Uninitialized);
            reply.resize(qMax<qint64>(link.readDatagram(reply.data(), reply.size()), 0));
            // "< DXYPV az el lat lon ...": the moving numbers go round the fields.
            const QList<QByteArray> words = reply.split(' ');
            for (int i = 0; i < edits.size(); ++i)
                edits[i]->setText(QString::fromLatin1(words.value(2 + i % 4)));
        }
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] { link.write("DXYPV"); });
    poll.start(100);
    return app.exec();
}
