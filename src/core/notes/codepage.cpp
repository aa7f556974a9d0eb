#include "core/notes/codepage.h"

namespace ostrel::rtf {

namespace {
#include "core/notes/codepage_tables.inc"

const char16_t* table(int codePage) {
    switch (codePage) {
        case 874: return kCp874;
        case 1250: return kCp1250;
        case 1251: return kCp1251;
        case 1252: return kCp1252;
        case 1253: return kCp1253;
        case 1254: return kCp1254;
        case 1255: return kCp1255;
        case 1256: return kCp1256;
        case 1257: return kCp1257;
        case 1258: return kCp1258;
        default: return nullptr;
    }
}
}  // namespace

bool knownCodePage(int codePage) { return table(codePage) != nullptr; }

char32_t decodeByte(int codePage, std::uint8_t byte) {
    if (byte < 0x80) return byte;
    const char16_t* t = table(codePage);
    if (!t) t = kCp1252;
    return t[byte - 0x80];
}

int codePageOfCharset(int charset) {
    switch (charset) {
        case 161: return 1253;  // Greek
        case 162: return 1254;  // Turkish
        case 163: return 1258;  // Vietnamese
        case 177: return 1255;  // Hebrew
        case 178: return 1256;  // Arabic
        case 186: return 1257;  // Baltic
        case 204: return 1251;  // Cyrillic
        case 222: return 874;   // Thai
        case 238: return 1250;  // Eastern European
        default: return 0;      // ANSI, default, symbol, OEM, Mac and the rest
    }
}

}  // namespace ostrel::rtf
