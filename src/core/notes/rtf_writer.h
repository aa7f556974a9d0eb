#pragma once
// Writes the notes' document as RTF that common word processors open with
// the same text and formatting: \ansicpg1252, every character outside
// ASCII as \uN with a "?" fallback, one font table and one colour table,
// bullets and numbers in the paragraph-numbering form (\pn) that readers old
// and new understand.

#include <string>

#include "core/notes/rtf_document.h"

namespace ostrel::rtf {

struct WriteOptions {
    // Font number 0, the document's default (runs without a font use it).
    std::string defaultFont = "Sans Serif";
};

std::string write(const Document& document, const WriteOptions& options = {});

}  // namespace ostrel::rtf
