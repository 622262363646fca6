#include "SettingsFile.h"

#include <QFile>
#include <QSaveFile>

namespace settingsfile {

QString path(const QString& resourceDirectory)
{
    return resourceDirectory + QStringLiteral("SETUP_TAVO_MERLAN.txt");
}

std::optional<Lines> load(const QString& path)
{
    QFile file(path);
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly)) return std::nullopt;
        return Lines{};
    }
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);

    Lines lines;
    qsizetype from = 0;
    for (int i = 0; i < kLines && from < text.size(); ++i) {
        qsizetype end = text.indexOf(u'\n', from);
        if (end < 0) end = text.size();
        QString line = text.mid(from, end - from);
        if (line.endsWith(u'\r')) line.chop(1);
        lines[std::size_t(i)] = std::move(line);
        from = end + 1;
    }
    return lines;
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
