#include "core/text/fold.h"

namespace ostrel {

namespace {

// Two-byte UTF-8 sequence of a code point in U+0080..U+07FF.
void appendTwoBytes(std::string& out, unsigned cp) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
}

unsigned foldCyrillic(unsigned cp) {
    if (cp >= 0x0410 && cp <= 0x042F) cp += 0x20;       // А..Я -> а..я
    else if (cp >= 0x0400 && cp <= 0x040F) cp += 0x50;  // Ѐ..Џ -> ѐ..џ
    if (cp == 0x0451) cp = 0x0435;                      // ё -> е
    return cp;
}

}  // namespace

std::string foldForMatch(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 'A' && c <= 'Z') {
            out.push_back(static_cast<char>(c - 'A' + 'a'));
            continue;
        }
        // Cyrillic letters are two-byte sequences led by 0xD0 or 0xD1.
        if ((c == 0xD0 || c == 0xD1) && i + 1 < utf8.size()) {
            const auto c2 = static_cast<unsigned char>(utf8[i + 1]);
            if ((c2 & 0xC0) == 0x80) {
                const unsigned cp = ((c & 0x1Fu) << 6) | (c2 & 0x3Fu);
                appendTwoBytes(out, foldCyrillic(cp));
                ++i;
                continue;
            }
        }
        out.push_back(static_cast<char>(c));
    }
    return out;
}

}  // namespace ostrel
