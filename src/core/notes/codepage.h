#pragma once
// Single-byte Windows code pages, as RTF files declare them (\ansicpg, or a
// font's \fcharset), decoded through fixed tables.

#include <cstdint>

namespace ostrel::rtf {

// Whether a table for the code page is built in: 874 and 1250 to 1258.
bool knownCodePage(int codePage);

// The Unicode code point of one byte in the code page. Bytes below 0x80 are
// ASCII; a code page without a table reads as 1252.
char32_t decodeByte(int codePage, std::uint8_t byte);

// The code page of an RTF \fcharset value, or 0 when the document's
// \ansicpg applies: for ANSI (0; writers label fonts of any script so in a
// \ansicpg1251 document), default, symbol and the sets without a table.
int codePageOfCharset(int charset);

}  // namespace ostrel::rtf
