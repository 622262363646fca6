#pragma once
// `--capture FILE`: appends every command sent and every block received to a capture file
// (format in CaptureFormat.h). Each line is handed to the system as it is written, so a crash
// of the console loses nothing that was recorded.

#include <QByteArrayView>
#include <QFile>
#include <QString>

#include "CaptureFormat.h"
#include "DeviceLink.h"

class CaptureWriter {
public:
    /// Opens `path` for appending and writes the header line; false with `error` set.
    bool open(const QString& path, QString* error);
    bool isOpen() const { return m_file.isOpen(); }

    /// One line for bytes that crossed the `kind` link. Nothing for an empty block or no link.
    /// After a failed write the capture stops (with one warning), the console goes on.
    void record(capture::Direction direction, LinkKind kind, QByteArrayView bytes);

private:
    QFile m_file;
};
