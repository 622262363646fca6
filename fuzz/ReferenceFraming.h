#pragma once
// The receive filter and the word splitter written out a second time, step by step on bytes
// and with one-based positions, so that the fuzzers can compare the real ones against them.

#include <string>
#include <string_view>

namespace reference {

inline constexpr std::string_view kSerialMarker = "@25<PC";

/// Every non-overlapping occurrence of `what`, found from left to right, removed in one pass.
inline std::string removeAll(std::string_view text, std::string_view what) {
    std::string out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find(what, from);
        if (at == std::string_view::npos) break;
        out.append(text.substr(from, at - from));
        from = at + what.size();
    }
    out.append(text.substr(from));
    return out;
}

struct Framed {
    bool parse = false;
    bool markUnparsed = false;
    std::string reply;
    std::string console;
};

inline Framed frame(std::string_view block, bool serialLink) {
    // A zero byte ends the received text.
    const std::size_t nul = block.find('\0');
    if (nul != std::string_view::npos) block = block.substr(0, nul);

    Framed out;
    std::string rxText(block);
    std::string reply;
    if (serialLink) {
        if (rxText.find(kSerialMarker) != std::string::npos) {
            rxText = removeAll(rxText, kSerialMarker);
            reply = rxText;
        }
    } else {
        reply = rxText;
    }
    if (reply.size() < 255) {
        if (reply.find("< ") != std::string::npos) {
            reply = removeAll(reply, "< ");
            if (reply.find("OK") != std::string::npos) {
                out.parse = true;
                out.reply = reply;
            } else {
                out.markUnparsed = true;
            }
        } else {
            out.markUnparsed = true;
        }
    }
    out.console = rxText;
    return out;
}

/// Entries 0..30; the positions below count from 1 as the algorithm is usually stated.
struct Fields {
    std::u16string f[31];
};

inline Fields split(std::u16string_view text, char16_t separator) {
    Fields out;
    std::u16string t(text);
    t += separator;
    const std::size_t L = t.size();
    auto at = [&](std::size_t j) { return t[j - 1]; };
    std::size_t j = 1;
    for (int k = 1; k <= 30; ++k) {
        if (j >= L) break;
        while (at(j) == separator) {
            ++j;
            if (j >= L) break;
        }
        std::size_t e = j;
        while (at(e) != separator) ++e;  // the appended separator ends the search at L
        out.f[k] = t.substr(j - 1, e - j);
        j = e + 1;
    }
    return out;
}

}  // namespace reference
