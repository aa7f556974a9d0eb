#pragma once
// Reads RTF into the notes' document: text, fonts, sizes, bold, italic,
// underline, colours, paragraphs with their alignment, indents and bullets,
// tabs and line breaks. \uN with its fallback and \'hh in the code page that
// \ansicpg or the font's \fcharset declares. Pictures, objects, style
// sheets, tables of lists, \* destinations and every other group it does
// not know are skipped. Any input is safe: the reader keeps what it can.

#include <string_view>

#include "core/notes/rtf_document.h"

namespace ostrel::rtf {

enum class ReadStatus {
    Ok,         // a whole RTF document
    Truncated,  // RTF whose outer group never closes (a cut-off file)
    NotRtf,     // does not begin with {\rtf
};

struct ReadResult {
    Document document;  // always at least one paragraph
    ReadStatus status = ReadStatus::Ok;
};

ReadResult read(std::string_view bytes);

}  // namespace ostrel::rtf
