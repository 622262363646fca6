#include "Framing.h"

void ReplyFields::clear()
{
    for (QString& s : f) s.clear();
}

void splitReplyFields(QStringView text, QChar separator, ReplyFields& out)
{
    out.clear();
    // The text is scanned as if the separator were appended once; `L` counts it.
    const qsizetype L = text.size() + 1;
    auto at = [&](qsizetype j) { return j < text.size() ? text[j] : separator; };
    qsizetype j = 0;  // zero-based: the last position, L - 1, is the appended separator
    for (int k = 1; k < ReplyFields::kCount; ++k) {
        if (j >= L - 1) break;
        while (at(j) == separator) {
            ++j;
            if (j >= L - 1) break;
        }
        qsizetype e = j;
        while (e < L - 1 && at(e) != separator) ++e;
        out.f[std::size_t(k)] = text.sliced(j, e - j).toString();
        j = e + 1;
    }
}

FramedBlock frameBlock(QByteArrayView bytes, bool serialLink)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) bytes = bytes.first(nul);

    FramedBlock out;
    out.consoleText = QString::fromLatin1(bytes);
    QString reply;
    if (serialLink) {
        static const QString marker = QString::fromLatin1(kSerialEndMarker);
        if (out.consoleText.contains(marker)) {
            out.consoleText.remove(marker);
            reply = out.consoleText;
        }
    } else {
        reply = out.consoleText;
    }

    if (reply.size() < kMaxReplyLength) {
        const QLatin1String replyMarker("< ");
        if (reply.contains(replyMarker)) {
            reply.remove(replyMarker);
            if (reply.contains(QLatin1String("OK"))) {
                out.parse = true;
                out.reply = std::move(reply);
            } else {
                out.markUnparsed = true;
            }
        } else {
            out.markUnparsed = true;
        }
    }
    return out;
}
