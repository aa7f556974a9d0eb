#pragma once
// The rich text the notes keep, as the RTF reader produces it and the RTF
// writer takes it: paragraphs of runs of equally formatted text.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::rtf {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct CharFormat {
    std::string font;     // family name, UTF-8; empty: the document's default
    int halfPoints = 24;  // size in half points (\fs)
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::optional<Rgb> color;  // empty: the default text colour
    bool operator==(const CharFormat&) const = default;
};

// Text in UTF-8. A tab is '\t'; a line break inside a paragraph is U+2028.
struct Run {
    CharFormat format;
    std::string text;
    bool operator==(const Run&) const = default;
};

enum class Align { Left, Center, Right, Justify };
enum class ListStyle { None, Bullet, Decimal };

struct Paragraph {
    std::vector<Run> runs;
    // The format of the paragraph mark: what an empty paragraph is typed in.
    CharFormat markFormat;
    ListStyle list = ListStyle::None;
    Align align = Align::Left;
    int leftIndent = 0;   // twips (\li)
    int firstIndent = 0;  // twips (\fi), relative to leftIndent
    bool operator==(const Paragraph&) const = default;

    // The text of all runs.
    std::string text() const;
};

struct Document {
    // At least one paragraph once read.
    std::vector<Paragraph> paragraphs;
    bool operator==(const Document&) const = default;

    // Paragraph texts joined with '\n'.
    std::string plainText() const;
};

}  // namespace ostrel::rtf
