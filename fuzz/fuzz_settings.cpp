// The settings file's parser on arbitrary file contents: the lines it gives are ones the
// dialog could show (short, UTF-8, no control characters), they are what a literal reading of
// the file gives, and writing them out and reading them back gives them again.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <cstdint>

#include "Invariant.h"
#include "SettingsFile.h"

namespace {

QString shown(QByteArrayView b) { return QString::fromLatin1(b.toByteArray().toPercentEncoding()); }

/// The file read the long way: split at every line end, then judge each of the first nine.
settingsfile::Lines reference(QByteArray bytes)
{
    // Every byte-order mark before the first line belongs to the file; one later in a line is
    // that line's text.
    while (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    QList<QByteArray> raw;
    QByteArray current;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            raw << current;
            current.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            current += c;
        }
    }
    if (!current.isEmpty()) raw << current;
    settingsfile::Lines out;
    for (int i = 0; i < settingsfile::kLines && i < raw.size(); ++i) {
        const QByteArray& line = raw[i];
        if (line.size() > settingsfile::kMaxLineBytes) continue;
        bool printable = true;
        for (const char c : line) printable = printable && (uchar(c) >= 0x20 || c == '\t') && c != 0x7f;
        if (!printable) continue;
        QStringDecoder utf8(QStringDecoder::Utf8,
                            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        const QString text = utf8(line);
        if (!utf8.hasError()) out[std::size_t(i)] = text;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const settingsfile::Lines got = settingsfile::parse(bytes);
    const settingsfile::Lines want = reference(bytes.toByteArray());
    for (int i = 0; i < settingsfile::kLines; ++i) {
        const QString& line = got[std::size_t(i)];
        const QString ctx = QStringLiteral("line %1 of %2").arg(i + 1).arg(shown(bytes));
        CHECK(line == want[std::size_t(i)], ctx + " reads " + line + " instead of " + want[std::size_t(i)]);
        CHECK(line.toUtf8().size() <= settingsfile::kMaxLineBytes, ctx);
        for (const QChar c : line) CHECK(c.unicode() >= 0x20 || c == u'\t', ctx);
    }

    // What the dialog writes back is read as the same lines.
    QByteArray saved;
    for (const QString& line : got) saved += line.toUtf8() + "\r\n";
    CHECK(settingsfile::parse(saved) == got, shown(bytes) + " written as " + shown(saved));
    return 0;
}
