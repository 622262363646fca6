#include "SettingsFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace settingsfile {

QString path(const QString& resourceDirectory)
{
    return resourceDirectory + QStringLiteral("SETUP_TAVO_MERLAN.txt");
}

Lines parse(QByteArrayView bytes)
{
    // Byte-order marks before the first line are the file's, not the line's.
    while (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
    Lines lines;
    qsizetype from = 0;
    for (int i = 0; i < kLines && from < bytes.size(); ++i) {
        // A line ends at CR LF, LF or CR alone.
        qsizetype end = from;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
        const QByteArrayView raw = bytes.sliced(from, end - from);
        from = end + 1;
        if (end < bytes.size() && bytes[end] == '\r' && from < bytes.size() && bytes[from] == '\n') ++from;

        // A line no dialog field could have written reads as missing: the default stays.
        if (raw.size() > kMaxLineBytes) continue;
        bool usable = true;
        for (const char c : raw) usable = usable && (uchar(c) >= 0x20 || c == '\t') && c != '\x7f';
        if (!usable) continue;
        // A mark at the start of a later line is that line's text, kept as written.
        QStringDecoder utf8(QStringDecoder::Utf8,
                            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        QString text = utf8(raw);
        if (!utf8.hasError()) lines[std::size_t(i)] = std::move(text);
    }
    return lines;
}

std::optional<Lines> load(const QString& path)
{
    QFile file(path);
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly)) return std::nullopt;
        return Lines{};
    }
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    // Nine short lines: whatever lies beyond the first megabyte is not part of them.
    return parse(file.read(kMaxFileBytes));
}

bool save(const QString& path, const Lines& lines)
{
    // Unbuffered, so that a short write (a full disk, a size limit) is seen here and the
    // previous file is kept: a buffered QSaveFile flushes at commit and misses that failure.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
    QByteArray bytes;
    for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit();
}

}  // namespace settingsfile
