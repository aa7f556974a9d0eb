#include "core/notes/rtf_writer.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace ostrel::rtf {

namespace {

// Decodes one UTF-8 sequence at s[i]; malformed bytes give U+FFFD.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80) return b0;
    int extra = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp;
}

void appendInt(std::string& out, long v) {
    char buf[24];
    const int n = std::snprintf(buf, sizeof buf, "%ld", v);
    out.append(buf, static_cast<std::size_t>(n));
}

void appendUnicodeEscape(std::string& out, char32_t unit) {
    out += "\\u";
    appendInt(out, static_cast<std::int16_t>(static_cast<std::uint16_t>(unit)));
    out += '?';
}

// Text with RTF's special characters escaped. Returns whether the output
// now ends in a control word that needs a delimiter before more letters.
void appendText(std::string& out, std::string_view text, bool& needDelimiter) {
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x80 && c != '\\' && c != '{' && c != '}') {
            if (needDelimiter) out += ' ';
            needDelimiter = false;
            // A run of plain characters in one go.
            std::size_t j = i + 1;
            while (j < text.size()) {
                const auto d = static_cast<unsigned char>(text[j]);
                if (d < 0x20 || d >= 0x80 || d == '\\' || d == '{' || d == '}') break;
                ++j;
            }
            out.append(text.substr(i, j - i));
            i = j;
            continue;
        }
        const char32_t cp = nextCodePoint(text, i);
        if (cp == '\\' || cp == '{' || cp == '}') {
            out += '\\';
            out += static_cast<char>(cp);
            needDelimiter = false;
        } else if (cp == '\t') {
            out += "\\tab";
            needDelimiter = true;
        } else if (cp == 0x2028) {
            out += "\\line";
            needDelimiter = true;
        } else if (cp < 0x20) {
            // Other control characters have no place in the text.
        } else if (cp > 0xFFFF) {
            const char32_t v = cp - 0x10000;
            appendUnicodeEscape(out, 0xD800 + (v >> 10));
            appendUnicodeEscape(out, 0xDC00 + (v & 0x3FF));
            needDelimiter = false;
        } else {
            appendUnicodeEscape(out, cp);
            needDelimiter = false;
        }
    }
}

// A font name as the font table can hold it: no ";" (it ends the name), no
// control characters, no blanks around it.
std::string cleanFontName(std::string_view name) {
    std::string cleaned;
    for (char c : name)
        if (c != ';' && static_cast<unsigned char>(c) >= 0x20) cleaned += c;
    const auto first = cleaned.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return cleaned.substr(first, cleaned.find_last_not_of(' ') - first + 1);
}

void appendFontName(std::string& out, std::string_view name) {
    bool delim = false;
    appendText(out, name, delim);
}

struct Emitted {
    int font = 0;
    int halfPoints = 24;
    bool bold = false, italic = false, underline = false;
    int color = 0;
};

class Writer {
public:
    Writer(const Document& doc, const WriteOptions& opt) : doc_(doc), opt_(opt) {}

    std::string run() {
        collectTables();
        std::string out;
        std::size_t textBytes = 0;
        for (const Paragraph& p : doc_.paragraphs)
            for (const Run& r : p.runs) textBytes += r.text.size();
        out.reserve(textBytes + textBytes / 4 + 1024);

        out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl";
        for (std::size_t i = 0; i < fonts_.size(); ++i) {
            out += "{\\f";
            appendInt(out, static_cast<long>(i));
            out += static_cast<int>(i) == symbolFont_ ? "\\ftech\\fcharset2 " : "\\fnil\\fcharset0 ";
            appendFontName(out, fonts_[i]);
            out += ";}";
        }
        out += "}\r\n";
        if (!colors_.empty()) {
            out += "{\\colortbl ;";
            for (const Rgb& c : colors_) {
                out += "\\red";
                appendInt(out, c.r);
                out += "\\green";
                appendInt(out, c.g);
                out += "\\blue";
                appendInt(out, c.b);
                out += ';';
            }
            out += "}\r\n";
        }

        int number = 0;
        ListStyle previous = ListStyle::None;
        for (const Paragraph& p : doc_.paragraphs) {
            out += "\\pard";
            needDelimiter_ = true;
            switch (p.align) {
                case Align::Center: out += "\\qc"; break;
                case Align::Right: out += "\\qr"; break;
                case Align::Justify: out += "\\qj"; break;
                case Align::Left: break;
            }
            if (p.list == ListStyle::Decimal) number = previous == ListStyle::Decimal ? number + 1 : 1;
            previous = p.list;
            if (p.list != ListStyle::None) writeListText(out, p, number);
            if (p.firstIndent) {
                out += "\\fi";
                appendInt(out, p.firstIndent);
                needDelimiter_ = true;
            }
            if (p.leftIndent) {
                out += "\\li";
                appendInt(out, p.leftIndent);
                needDelimiter_ = true;
            }
            for (const Run& r : p.runs) {
                if (r.text.empty()) continue;
                format(out, r.format);
                appendText(out, r.text, needDelimiter_);
            }
            format(out, p.markFormat);
            out += "\\par\r\n";
            needDelimiter_ = false;
        }
        out += "}\r\n";
        return out;
    }

private:
    int fontIndex(const std::string& name) const {
        const std::string clean = cleanFontName(name);
        if (clean.empty()) return 0;
        auto it = fontIds_.find(clean);
        return it == fontIds_.end() ? 0 : it->second;
    }
    int colorIndex(const std::optional<Rgb>& c) const {
        if (!c) return 0;
        for (std::size_t i = 0; i < colors_.size(); ++i)
            if (colors_[i] == *c) return static_cast<int>(i) + 1;
        return 0;
    }

    void addFont(const std::string& name) {
        std::string clean = cleanFontName(name);
        if (clean.empty() || fontIds_.count(clean)) return;
        fontIds_[clean] = static_cast<int>(fonts_.size());
        fonts_.push_back(std::move(clean));
    }
    void addColor(const std::optional<Rgb>& c) {
        if (c && std::find(colors_.begin(), colors_.end(), *c) == colors_.end()) colors_.push_back(*c);
    }

    void collectTables() {
        const std::string defaultFont = cleanFontName(opt_.defaultFont);
        addFont(defaultFont.empty() ? std::string("Sans Serif") : defaultFont);
        bool bullets = false;
        for (const Paragraph& p : doc_.paragraphs) {
            for (const Run& r : p.runs) {
                addFont(r.format.font);
                addColor(r.format.color);
            }
            addFont(p.markFormat.font);
            addColor(p.markFormat.color);
            bullets = bullets || p.list == ListStyle::Bullet;
        }
        if (bullets) {
            // The bullet character of the numbering groups is Symbol's 0xB7.
            symbolFont_ = static_cast<int>(fonts_.size());
            fonts_.push_back("Symbol");
        }
    }

    void writeListText(std::string& out, const Paragraph& p, int number) {
        const int textFont = fontIndex(p.runs.empty() ? p.markFormat.font : p.runs.front().format.font);
        if (p.list == ListStyle::Bullet) {
            out += "{\\pntext\\f";
            appendInt(out, symbolFont_);
            out += "\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf";
            appendInt(out, symbolFont_);
            out += "\\pnindent0{\\pntxtb\\'B7}}";
        } else {
            out += "{\\pntext\\f";
            appendInt(out, textFont);
            out += ' ';
            appendInt(out, number);
            out += ".\\tab}{\\*\\pn\\pnlvlbody\\pnf";
            appendInt(out, textFont);
            out += "\\pnindent0\\pnstart1\\pndec{\\pntxta.}}";
        }
        needDelimiter_ = false;
    }

    void format(std::string& out, const CharFormat& f) {
        const int font = fontIndex(f.font);
        const int color = colorIndex(f.color);
        auto word = [&](const char* w) {
            out += w;
            needDelimiter_ = true;
        };
        if (font != e_.font) {
            word("\\f");
            appendInt(out, font);
            e_.font = font;
        }
        if (f.halfPoints != e_.halfPoints) {
            word("\\fs");
            appendInt(out, f.halfPoints);
            e_.halfPoints = f.halfPoints;
        }
        if (f.bold != e_.bold) {
            word(f.bold ? "\\b" : "\\b0");
            e_.bold = f.bold;
        }
        if (f.italic != e_.italic) {
            word(f.italic ? "\\i" : "\\i0");
            e_.italic = f.italic;
        }
        if (f.underline != e_.underline) {
            word(f.underline ? "\\ul" : "\\ulnone");
            e_.underline = f.underline;
        }
        if (color != e_.color) {
            word("\\cf");
            appendInt(out, color);
            e_.color = color;
        }
    }

    const Document& doc_;
    const WriteOptions& opt_;
    std::vector<std::string> fonts_;
    std::map<std::string, int> fontIds_;
    std::vector<Rgb> colors_;
    int symbolFont_ = -1;
    Emitted e_;
    bool needDelimiter_ = false;
};

}  // namespace

std::string write(const Document& document, const WriteOptions& options) { return Writer(document, options).run(); }

}  // namespace ostrel::rtf
