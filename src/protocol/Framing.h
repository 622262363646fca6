#pragma once
// Turning one received block into console text and, when it is a reply, into its words.
// A block is whatever one read returned; nothing here reassembles replies across reads.

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <array>

/// The last reply split into words: entry 0 is always empty, entry 1 the keyword, 2..30 the
/// values. Entries the tracker did not send are empty.
struct ReplyFields {
    static constexpr int kCount = 31;
    std::array<QString, kCount> f;

    const QString& operator[](int i) const { return f[std::size_t(i)]; }
    void clear();
};

/// Splits `text` at `separator` into entries 1..30: leading separators are skipped, a run of
/// separators counts as one, words after the 30th are dropped, and any other character
/// (carriage return and line feed among them) stays inside its word.
void splitReplyFields(QStringView text, QChar separator, ReplyFields& out);

inline constexpr QByteArrayView kSerialEndMarker = "@25<PC";
inline constexpr int kMaxReplyLength = 255;

/// What the receive path does with one block.
struct FramedBlock {
    bool parse = false;        ///< `reply` passed the filter: split it and hand it to the parser
    bool markUnparsed = false;  ///< the console gets " <" before the block
    QString reply;             ///< the reply text with every "< " removed (when `parse`)
    QString consoleText;       ///< the block as the console shows it (serial marker removed)
};

/// The filter for one block as read from the link. The bytes are 8-bit text, one byte a
/// character; a zero byte ends the text. Over serial the end marker is required and removed.
FramedBlock frameBlock(QByteArrayView bytes, bool serialLink);
