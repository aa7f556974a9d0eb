#include "core/notes/rtf_reader.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/notes/codepage.h"
#include "core/notes/rtf_tokenizer.h"

namespace ostrel::rtf {

std::string Paragraph::text() const {
    std::string out;
    for (const Run& r : runs) out += r.text;
    return out;
}

std::string Document::plainText() const {
    std::string out;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i) out += '\n';
        out += paragraphs[i].text();
    }
    return out;
}

namespace {

constexpr std::size_t kMaxDepth = 512;
constexpr int kMinHalfPoints = 2;
constexpr int kMaxHalfPoints = 3276;

void appendUtf8(std::string& out, char32_t cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
    if (cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

enum class Dest { Text, Skip, FontTable, ColorTable, ListLevel, ListText };

struct State {
    Dest dest = Dest::Text;
    int font = -1;  // -1: the default font
    int halfPoints = 24;
    bool bold = false, italic = false, underline = false;
    int color = 0;
    int uc = 1;  // bytes that stand in for each \uN
};

struct Font {
    std::string name;
    int charset = 0;
    bool nameDone = false;
};

bool isUnderlineWord(std::string_view w) {
    static constexpr std::string_view kWords[] = {
        "ul",      "uld",      "uldash",     "uldashd",    "uldashdd",  "uldb",     "ulhwave",
        "ulldash", "ulth",     "ulthd",      "ulthdash",   "ulthdashd", "ulthdashdd", "ulthldash",
        "ululdbwave", "ulw",   "ulwave"};
    return std::find(std::begin(kWords), std::end(kWords), w) != std::end(kWords);
}

// Destinations whose content is not text of the document.
bool isSkippedDestination(std::string_view w) {
    static constexpr std::string_view kWords[] = {
        "stylesheet", "info",      "pict",        "object",     "header",     "headerl",   "headerr",
        "headerf",    "footer",    "footerl",     "footerr",    "footerf",    "footnote",  "annotation",
        "fldinst",    "listtable", "listoverridetable", "pntext", "revtbl",   "rsidtbl",
        "xmlnstbl",   "themedata", "colorschememapping", "latentstyles", "datastore", "generator",
        "filetbl",    "shp",       "shpinst",     "nonshppict", "bkmkstart",  "bkmkend",   "txe",
        "xe",         "tc",        "private",     "userprops",  "docvar",     "template",  "mmathPr",
        "background", "pgdsctbl",  "fonttbl_",    "atnid",      "atnauthor",  "comment",   "doccomm",
        "title",      "subject",   "author",      "operator",   "keywords",   "company",   "category"};
    return std::find(std::begin(kWords), std::end(kWords), w) != std::end(kWords);
}

class Reader {
public:
    explicit Reader(std::string_view in) : tok_(in) {}

    ReadResult run(std::string_view in) {
        ReadResult result;
        std::size_t i = 0;
        if (in.size() >= 3 && static_cast<unsigned char>(in[0]) == 0xEF && static_cast<unsigned char>(in[1]) == 0xBB &&
            static_cast<unsigned char>(in[2]) == 0xBF)
            i = 3;
        while (i < in.size() && (in[i] == ' ' || in[i] == '\t' || in[i] == '\r' || in[i] == '\n')) ++i;
        if (in.substr(i, 5) != "{\\rtf") {
            result.status = ReadStatus::NotRtf;
            result.document.paragraphs.emplace_back();
            return result;
        }
        tok_ = Tokenizer(in.substr(i));
        bool closed = false;
        for (;;) {
            const Token t = tok_.next();
            if (t.kind == TokenKind::End) break;
            if (t.kind == TokenKind::GroupStart) {
                pendingSkip_ = 0;
                if (stack_.size() >= kMaxDepth) {
                    ++overflow_;
                } else {
                    stack_.push_back(stack_.empty() ? State{} : stack_.back());
                }
                starPending_ = false;
                continue;
            }
            if (t.kind == TokenKind::GroupEnd) {
                pendingSkip_ = 0;
                starPending_ = false;
                if (overflow_ > 0) {
                    --overflow_;
                    continue;
                }
                if (stack_.empty()) continue;
                endGroup();
                if (stack_.empty()) {
                    closed = true;
                    break;
                }
                continue;
            }
            if (stack_.empty()) continue;
            if (overflow_ > 0) continue;
            token(t);
        }
        finishParagraph(/*atEnd=*/true);
        result.document = std::move(doc_);
        if (result.document.paragraphs.empty()) result.document.paragraphs.emplace_back();
        result.status = closed ? ReadStatus::Ok : ReadStatus::Truncated;
        return result;
    }

private:
    State& st() { return stack_.back(); }

    int codePageFor(int fontIndex) const {
        const int f = fontIndex < 0 ? defaultFont_ : fontIndex;
        auto it = fonts_.find(f);
        if (it != fonts_.end()) {
            const int cp = codePageOfCharset(it->second.charset);
            if (cp) return cp;
        }
        return codePage_;
    }

    void endGroup() {
        const State closing = stack_.back();
        stack_.pop_back();
        // The end of one {\fN ...;} entry (if it had no ';'), or of the table.
        if (closing.dest == Dest::FontTable) finishFontEntry();
        if (!stack_.empty() && closing.dest == Dest::Text && stack_.back().dest == Dest::Text) formatDirty_ = true;
    }

    void finishFontEntry() {
        if (curFont_ >= 0) {
            Font& f = fonts_[curFont_];
            f.nameDone = true;
            // Trailing blanks of the name mean nothing.
            while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
            const auto lead = f.name.find_first_not_of(' ');
            f.name.erase(0, lead == std::string::npos ? f.name.size() : lead);
        }
        curFont_ = -1;
    }

    // One code point of document text, font name or nothing, by destination.
    void emit(char32_t cp) {
        if (pendingHigh_) {
            const char32_t high = pendingHigh_;
            pendingHigh_ = 0;
            if (cp >= 0xDC00 && cp <= 0xDFFF) {
                cp = 0x10000 + ((high - 0xD800) << 10) + (cp - 0xDC00);
            } else {
                emitResolved(0xFFFD);
            }
        }
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            pendingHigh_ = cp;
            return;
        }
        emitResolved(cp);
    }

    void emitResolved(char32_t cp) {
        switch (st().dest) {
            case Dest::Text: {
                if (cp < 0x20 && cp != '\t') return;
                Run& r = currentRun();
                appendUtf8(r.text, cp);
                break;
            }
            case Dest::FontTable:
                if (curFont_ >= 0 && !fonts_[curFont_].nameDone && fonts_[curFont_].name.size() < 256) {
                    if (cp == ';') {
                        finishFontEntry();
                    } else if (cp >= 0x20) {
                        appendUtf8(fonts_[curFont_].name, cp);
                    }
                }
                break;
            default:
                break;
        }
    }

    void text(std::string_view bytes) {
        if (pendingSkip_ > 0) {
            const std::size_t drop = std::min<std::size_t>(pendingSkip_, bytes.size());
            pendingSkip_ -= static_cast<int>(drop);
            bytes.remove_prefix(drop);
        }
        const Dest d = st().dest;
        if (d == Dest::Skip || d == Dest::ListLevel) return;
        if (d == Dest::ListText) {
            // The number or bullet a list paragraph shows: a digit first means
            // a numbered list.
            for (char c : bytes) {
                if (c == ' ' || c == '\t') continue;
                if (!listTextSeen_) listTextNumbered_ = c >= '0' && c <= '9';
                listTextSeen_ = true;
            }
            return;
        }
        if (d == Dest::ColorTable) {
            for (char c : bytes)
                if (c == ';') finishColor();
            return;
        }
        if (d == Dest::FontTable) {
            const int cp = codePageFor(curFont_);
            for (char c : bytes) emit(decodeByte(cp, static_cast<std::uint8_t>(c)));
            return;
        }
        // Document text: ASCII goes straight in.
        const int cp = codePageFor(st().font);
        Run* r = nullptr;
        for (char c : bytes) {
            const auto b = static_cast<std::uint8_t>(c);
            if (b >= 0x20 && b < 0x80 && !pendingHigh_) {
                if (!r) r = &currentRun();
                r->text += c;
            } else {
                emit(decodeByte(cp, b));
                r = nullptr;
            }
        }
    }

    void finishColor() {
        if (colorHasValue_) {
            colors_.push_back(Rgb{static_cast<std::uint8_t>(red_), static_cast<std::uint8_t>(green_),
                                  static_cast<std::uint8_t>(blue_)});
        } else {
            colors_.push_back(std::nullopt);
        }
        colorHasValue_ = false;
        red_ = green_ = blue_ = 0;
    }

    CharFormat resolveFormat() const {
        const State& s = stack_.back();
        CharFormat f;
        const int fi = s.font < 0 ? defaultFont_ : s.font;
        auto it = fonts_.find(fi);
        if (it != fonts_.end()) f.font = trimmed(it->second.name);
        f.halfPoints = s.halfPoints;
        f.bold = s.bold;
        f.italic = s.italic;
        f.underline = s.underline;
        if (s.color >= 0 && static_cast<std::size_t>(s.color) < colors_.size()) f.color = colors_[s.color];
        return f;
    }

    Run& currentRun() {
        if (formatDirty_ || para_.runs.empty()) {
            CharFormat f = resolveFormat();
            formatDirty_ = false;
            if (para_.runs.empty() || !(para_.runs.back().format == f)) {
                if (!para_.runs.empty() && para_.runs.back().text.empty())
                    para_.runs.back().format = std::move(f);
                else
                    para_.runs.push_back(Run{std::move(f), {}});
            }
        }
        return para_.runs.back();
    }

    void finishParagraph(bool atEnd) {
        if (pendingHigh_) {
            pendingHigh_ = 0;
            if (!stack_.empty() && st().dest == Dest::Text) appendUtf8(currentRun().text, 0xFFFD);
        }
        if (!para_.runs.empty() && para_.runs.back().text.empty()) para_.runs.pop_back();
        if (atEnd) {
            // A last \par closes the last paragraph; nothing follows it.
            if (para_.runs.empty() && !doc_.paragraphs.empty()) return;
        }
        if (!stack_.empty())
            para_.markFormat = resolveFormat();
        else if (!para_.runs.empty())
            para_.markFormat = para_.runs.back().format;
        if (list_ == ListStyle::Bullet && listTextNumbered_) list_ = ListStyle::Decimal;
        para_.list = list_;
        para_.align = align_;
        para_.leftIndent = leftIndent_;
        para_.firstIndent = firstIndent_;
        doc_.paragraphs.push_back(std::move(para_));
        para_ = Paragraph{};
        listTextNumbered_ = false;
        formatDirty_ = true;
    }

    void resetParagraph() {
        list_ = ListStyle::None;
        align_ = Align::Left;
        leftIndent_ = firstIndent_ = 0;
    }

    void token(const Token& t) {
        State& s = st();
        // The bytes standing in for a \uN are dropped.
        if (pendingSkip_ > 0 && t.kind != TokenKind::Text) {
            --pendingSkip_;
            return;
        }
        switch (t.kind) {
            case TokenKind::Text:
                text(t.text);
                return;
            case TokenKind::HexByte:
                if (s.dest == Dest::Text || s.dest == Dest::FontTable)
                    emit(decodeByte(codePageFor(s.dest == Dest::FontTable ? curFont_ : s.font), t.byte));
                else if (s.dest == Dest::ListText)
                    text(std::string_view("\x80", 1));
                return;
            case TokenKind::ControlSymbol:
                symbol(t.symbol);
                return;
            case TokenKind::ControlWord:
                word(t);
                return;
            default:
                return;
        }
    }

    void symbol(char c) {
        State& s = st();
        switch (c) {
            case '*':
                starPending_ = true;
                return;
            case '\\':
            case '{':
            case '}':
                emit(static_cast<char32_t>(c));
                return;
            case '~':
                if (s.dest == Dest::Text) emit(0x00A0);
                return;
            case '_':
                if (s.dest == Dest::Text) emit(0x2011);
                return;
            case '\t':
                if (s.dest == Dest::Text) emit('\t');
                return;
            default:
                return;  // \- optional hyphen, \: index, \| formula and the rest
        }
    }

    void word(const Token& t) {
        State& s = st();
        const std::string_view w = t.name;
        const bool star = starPending_;
        starPending_ = false;

        // Destinations first: they decide what the rest of the group is.
        if (w == "fonttbl") {
            s.dest = Dest::FontTable;
            curFont_ = -1;
            return;
        }
        if (w == "colortbl") {
            s.dest = Dest::ColorTable;
            colorHasValue_ = false;
            return;
        }
        if (w == "pn") {
            s.dest = Dest::ListLevel;
            return;
        }
        if (w == "listtext") {
            s.dest = Dest::ListText;
            listTextSeen_ = false;
            return;
        }
        if (isSkippedDestination(w)) {
            s.dest = Dest::Skip;
            return;
        }
        if (s.dest == Dest::Skip) return;

        switch (s.dest) {
            case Dest::FontTable:
                if (w == "f" && t.hasParam) {
                    finishFontEntry();
                    curFont_ = t.param;
                    Font& f = fonts_[curFont_];
                    f = Font{};
                } else if (w == "fcharset" && curFont_ >= 0) {
                    fonts_[curFont_].charset = t.param;
                } else if (w == "u" && t.hasParam) {
                    unicode(t.param);
                } else if (w == "uc" && t.hasParam) {
                    s.uc = std::clamp(t.param, 0, 16);
                } else if (star) {
                    s.dest = Dest::Skip;
                }
                return;
            case Dest::ColorTable:
                if (w == "red") red_ = std::clamp(t.param, 0, 255), colorHasValue_ = true;
                else if (w == "green") green_ = std::clamp(t.param, 0, 255), colorHasValue_ = true;
                else if (w == "blue") blue_ = std::clamp(t.param, 0, 255), colorHasValue_ = true;
                else if (star) s.dest = Dest::Skip;
                return;
            case Dest::ListLevel:
                if (w == "pnlvlblt") {
                    list_ = ListStyle::Bullet;
                } else if (w == "pnlvlbody" || w == "pnlvl" || w == "pndec") {
                    if (list_ != ListStyle::Bullet || w == "pndec") list_ = ListStyle::Decimal;
                } else if (w == "pntxtb" || w == "pntxta") {
                    s.dest = Dest::Skip;
                } else if (star) {
                    s.dest = Dest::Skip;
                }
                return;
            case Dest::ListText:
                if (star) s.dest = Dest::Skip;
                return;
            default:
                break;
        }

        // Document text.
        if (w == "par" || w == "sect" || w == "page" || w == "row") {
            finishParagraph(false);
        } else if (w == "pard") {
            resetParagraph();
        } else if (w == "line") {
            emit(0x2028);
        } else if (w == "tab" || w == "cell" || w == "nestcell") {
            emit('\t');
        } else if (w == "plain") {
            s.font = -1;
            s.halfPoints = 24;
            s.bold = s.italic = s.underline = false;
            s.color = 0;
            formatDirty_ = true;
        } else if (w == "f") {
            s.font = t.hasParam ? t.param : -1;
            formatDirty_ = true;
        } else if (w == "fs") {
            s.halfPoints = t.hasParam ? std::clamp(t.param, kMinHalfPoints, kMaxHalfPoints) : 24;
            formatDirty_ = true;
        } else if (w == "b") {
            s.bold = !t.hasParam || t.param != 0;
            formatDirty_ = true;
        } else if (w == "i") {
            s.italic = !t.hasParam || t.param != 0;
            formatDirty_ = true;
        } else if (w == "ulnone") {
            s.underline = false;
            formatDirty_ = true;
        } else if (isUnderlineWord(w)) {
            s.underline = !t.hasParam || t.param != 0;
            formatDirty_ = true;
        } else if (w == "cf") {
            s.color = t.hasParam ? t.param : 0;
            formatDirty_ = true;
        } else if (w == "u" && t.hasParam) {
            unicode(t.param);
        } else if (w == "uc" && t.hasParam) {
            s.uc = std::clamp(t.param, 0, 16);
        } else if (w == "ansicpg" && t.hasParam) {
            codePage_ = t.param;
        } else if (w == "ansi") {
            codePage_ = 1252;
        } else if (w == "deff" && t.hasParam) {
            defaultFont_ = t.param;
            formatDirty_ = true;
        } else if (w == "ql") {
            align_ = Align::Left;
        } else if (w == "qc") {
            align_ = Align::Center;
        } else if (w == "qr") {
            align_ = Align::Right;
        } else if (w == "qj") {
            align_ = Align::Justify;
        } else if (w == "li") {
            leftIndent_ = std::clamp(t.param, -31680, 31680);
        } else if (w == "fi") {
            firstIndent_ = std::clamp(t.param, -31680, 31680);
        } else if (w == "ls") {
            if (t.param > 0 && list_ == ListStyle::None) list_ = ListStyle::Bullet;
        } else if (w == "emdash") {
            emit(0x2014);
        } else if (w == "endash") {
            emit(0x2013);
        } else if (w == "bullet") {
            emit(0x2022);
        } else if (w == "lquote") {
            emit(0x2018);
        } else if (w == "rquote") {
            emit(0x2019);
        } else if (w == "ldblquote") {
            emit(0x201C);
        } else if (w == "rdblquote") {
            emit(0x201D);
        } else if (w == "emspace") {
            emit(0x2003);
        } else if (w == "enspace") {
            emit(0x2002);
        } else if (w == "qmspace") {
            emit(0x2005);
        } else if (star) {
            // An ignorable destination we do not know.
            s.dest = Dest::Skip;
        }
    }

    void unicode(std::int32_t n) {
        const char32_t cp = static_cast<char32_t>(n < 0 ? n + 65536 : n) & 0xFFFFu;
        emit(cp);
        pendingSkip_ = st().uc;
    }

    Tokenizer tok_;
    std::vector<State> stack_;
    std::size_t overflow_ = 0;
    bool starPending_ = false;
    int pendingSkip_ = 0;
    char32_t pendingHigh_ = 0;

    int codePage_ = 1252;
    int defaultFont_ = 0;
    std::map<int, Font> fonts_;
    int curFont_ = -1;
    std::vector<std::optional<Rgb>> colors_;
    bool colorHasValue_ = false;
    int red_ = 0, green_ = 0, blue_ = 0;

    Document doc_;
    Paragraph para_;
    bool formatDirty_ = true;
    ListStyle list_ = ListStyle::None;
    Align align_ = Align::Left;
    int leftIndent_ = 0, firstIndent_ = 0;
    bool listTextSeen_ = false;
    bool listTextNumbered_ = false;
};

}  // namespace

ReadResult read(std::string_view bytes) {
    Reader r(bytes);
    return r.run(bytes);
}

}  // namespace ostrel::rtf
