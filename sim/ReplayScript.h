#pragma once
// `tracker-sim --replay FILE`: the tracker of a capture file (format in CaptureFormat.h).
// Each command is answered with the reply that followed the same command in the capture, in
// order: a reply is every block received after that command until the next command was sent.
// When a command's replies run out, its last reply is repeated; a command the capture never
// sent gets no answer, and neither does one whose capture shows no reply.
//
// Commands match by their text without the serial prefix and without surrounding blanks and
// line ends. A reply captured on the serial line loses its end marker "@25<PC" when it is
// replayed over UDP or TCP, and a network reply gains one over the pty, so a capture from any
// link can be replayed on every link.

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

class ReplayScript {
public:
    /// Reads a capture file; false with `error` set when it cannot be read.
    bool load(const QString& path, QString* error);
    /// Reads capture text. Lines that are not records are skipped and counted.
    void read(QByteArrayView text);

    /// The bytes to send for `command` arriving on the serial line (`serialLink`) or a network
    /// link; empty for no answer.
    QByteArray answer(QByteArrayView command, bool serialLink);

    qsizetype commandCount() const { return m_queues.size(); }
    int skippedLines() const { return m_skipped; }
    int firstSkippedLine() const { return m_firstSkipped; }

private:
    struct Reply {
        QByteArray bytes;
        bool serial = false;  ///< captured on the serial line
    };
    struct Queue {
        QList<Reply> replies;
        qsizetype next = 0;
    };
    QHash<QByteArray, Queue> m_queues;
    int m_skipped = 0;
    int m_firstSkipped = 0;
};
