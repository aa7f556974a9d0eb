#include "core/notes/rtf_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

// The control words the reader acts on, looked up once per word.
// clang-format off
enum class Word {
    Other,
    // Destinations.
    FontTable, ColorTable, Pn, ListText, SkippedDestination,
    // Font and colour tables, paragraph numbering.
    F, FCharset, U, Uc, Red, Green, Blue, PnLvlBlt, PnLvlBody, PnLvl, PnDec, PnTxtb, PnTxta,
    // Document text.
    Par, Pard, Line, Tab, Plain, Fs, B, I, UlNone, Underline, Cf, AnsiCpg, Ansi, Deff, Ql, Qc, Qr, Qj, Li, Fi,
    Ls, EmDash, EnDash, Bullet, LQuote, RQuote, LDblQuote, RDblQuote, EmSpace, EnSpace, QmSpace,
};
// clang-format on

// The words by name: open addressing over a table at most a quarter full,
// so a look-up mostly hashes a few letters and compares one name.
class WordTable {
public:
    void add(std::string_view name, Word word) {
        for (std::size_t i = hash(name);; i = (i + 1) % kSize) {
            if (slots_[i].name.empty()) {
                slots_[i] = Slot{name, word};
                return;
            }
            if (slots_[i].name == name) return;  // the first entry of a name holds
        }
    }
    Word find(std::string_view name) const {
        for (std::size_t i = hash(name);; i = (i + 1) % kSize) {
            const Slot& s = slots_[i];
            if (s.name.empty()) return Word::Other;
            if (s.name == name) return s.word;
        }
    }

private:
    static constexpr std::size_t kSize = 512;
    static std::size_t hash(std::string_view name) {
        std::uint32_t h = 2166136261u;  // FNV-1a
        for (const char c : name) {
            h ^= static_cast<unsigned char>(c);
            h *= 16777619u;
        }
        return h % kSize;
    }
    struct Slot {
        std::string_view name;
        Word word = Word::Other;
    };
    std::array<Slot, kSize> slots_{};
};

Word classify(std::string_view w) {
    static const WordTable kWords = [] {
        WordTable m;
        // clang-format off
        // Destinations whose content is not text of the document.
        for (std::string_view d :
             {"stylesheet", "info",      "pict",        "object",     "header",     "headerl",   "headerr",
              "headerf",    "footer",    "footerl",     "footerr",    "footerf",    "footnote",  "annotation",
              "fldinst",    "listtable", "listoverridetable", "pntext", "revtbl",   "rsidtbl",
              "xmlnstbl",   "themedata", "colorschememapping", "latentstyles", "datastore", "generator",
              "filetbl",    "shp",       "shpinst",     "nonshppict", "bkmkstart",  "bkmkend",   "txe",
              "xe",         "tc",        "private",     "userprops",  "docvar",     "template",  "mmathPr",
              "background", "pgdsctbl",  "fonttbl_",    "atnid",      "atnauthor",  "comment",   "doccomm",
              "title",      "subject",   "author",      "operator",   "keywords",   "company",   "category"})
            m.add(d, Word::SkippedDestination);
        for (std::string_view u : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
                                   "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",
                                   "ulwave"})
            m.add(u, Word::Underline);
        const std::pair<std::string_view, Word> named[] = {
            {"fonttbl", Word::FontTable}, {"colortbl", Word::ColorTable}, {"pn", Word::Pn},
            {"listtext", Word::ListText}, {"f", Word::F}, {"fcharset", Word::FCharset}, {"u", Word::U},
            {"uc", Word::Uc}, {"red", Word::Red}, {"green", Word::Green}, {"blue", Word::Blue},
            {"pnlvlblt", Word::PnLvlBlt}, {"pnlvlbody", Word::PnLvlBody}, {"pnlvl", Word::PnLvl},
            {"pndec", Word::PnDec}, {"pntxtb", Word::PnTxtb}, {"pntxta", Word::PnTxta},
            // A section, a page or a table row ends a paragraph as \par does.
            {"par", Word::Par}, {"sect", Word::Par}, {"page", Word::Par}, {"row", Word::Par},
            {"pard", Word::Pard}, {"line", Word::Line},
            // Table cells become tabs.
            {"tab", Word::Tab}, {"cell", Word::Tab}, {"nestcell", Word::Tab},
            {"plain", Word::Plain}, {"fs", Word::Fs}, {"b", Word::B}, {"i", Word::I}, {"ulnone", Word::UlNone},
            {"cf", Word::Cf}, {"ansicpg", Word::AnsiCpg}, {"ansi", Word::Ansi}, {"deff", Word::Deff},
            {"ql", Word::Ql}, {"qc", Word::Qc}, {"qr", Word::Qr}, {"qj", Word::Qj}, {"li", Word::Li},
            {"fi", Word::Fi}, {"ls", Word::Ls}, {"emdash", Word::EmDash}, {"endash", Word::EnDash},
            {"bullet", Word::Bullet}, {"lquote", Word::LQuote}, {"rquote", Word::RQuote},
            {"ldblquote", Word::LDblQuote}, {"rdblquote", Word::RDblQuote}, {"emspace", Word::EmSpace},
            {"enspace", Word::EnSpace}, {"qmspace", Word::QmSpace}};
        // clang-format on
        for (const auto& [name, word] : named) m.add(name, word);
        return m;
    }();
    return kWords.find(w);
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
        ++tables_;
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
                        ++tables_;
                    }
                }
                break;
            default: break;
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
        // Document text: printable ASCII goes straight in, a stretch at a
        // time.
        const int cp = codePageFor(st().font);
        const auto printable = [](char c) {
            const auto b = static_cast<std::uint8_t>(c);
            return b >= 0x20 && b < 0x80;
        };
        std::size_t i = 0;
        while (i < bytes.size()) {
            if (!pendingHigh_ && printable(bytes[i])) {
                std::size_t j = i + 1;
                while (j < bytes.size() && printable(bytes[j])) ++j;
                currentRun().text.append(bytes.data() + i, j - i);
                i = j;
            } else {
                emit(decodeByte(cp, static_cast<std::uint8_t>(bytes[i])));
                ++i;
            }
        }
    }

    void finishColor() {
        ++tables_;
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
        if (it != fonts_.end()) {
            // Names are trimmed when their table entry ends.
            const std::string& name = it->second.name;
            if (!name.empty() && (name.front() == ' ' || name.back() == ' ')) f.font = trimmed(name);
            else f.font = name;
        }
        f.halfPoints = s.halfPoints;
        f.bold = s.bold;
        f.italic = s.italic;
        f.underline = s.underline;
        if (s.color >= 0 && static_cast<std::size_t>(s.color) < colors_.size()) f.color = colors_[s.color];
        return f;
    }

    // What the format of text depends on, short of the tables' content
    // (tables_ counts their changes).
    struct FormatKey {
        int font = 0, halfPoints = 0, color = 0;
        bool bold = false, italic = false, underline = false;
        std::uint64_t tables = 0;
        bool operator==(const FormatKey&) const = default;
    };
    FormatKey formatKey() const {
        const State& s = stack_.back();
        return FormatKey{
            s.font < 0 ? defaultFont_ : s.font, s.halfPoints, s.color, s.bold, s.italic, s.underline, tables_};
    }

    Run& currentRun() {
        if (formatDirty_ || para_.runs.empty()) {
            formatDirty_ = false;
            const FormatKey key = formatKey();
            // Groups and format words that end where they began (as
            // "{\b0 ...}" or "\f0\fs20" after a run in that format) leave
            // the last run's format as it is.
            if (!para_.runs.empty() && key == runKey_) return para_.runs.back();
            CharFormat f = resolveFormat();
            if (para_.runs.empty() || !(para_.runs.back().format == f)) {
                if (!para_.runs.empty() && para_.runs.back().text.empty()) para_.runs.back().format = std::move(f);
                else {
                    // Paragraphs mostly change their format a few times.
                    if (para_.runs.empty()) para_.runs.reserve(4);
                    para_.runs.push_back(Run{std::move(f), {}});
                }
            }
            runKey_ = key;
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
            para_.markFormat =
                !para_.runs.empty() && formatKey() == runKey_ ? para_.runs.back().format : resolveFormat();
        else if (!para_.runs.empty()) para_.markFormat = para_.runs.back().format;
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
            case TokenKind::Text: text(t.text); return;
            case TokenKind::HexByte:
                if (s.dest == Dest::Text || s.dest == Dest::FontTable)
                    emit(decodeByte(codePageFor(s.dest == Dest::FontTable ? curFont_ : s.font), t.byte));
                else if (s.dest == Dest::ListText) text(std::string_view("\x80", 1));
                return;
            case TokenKind::ControlSymbol: symbol(t.symbol); return;
            case TokenKind::ControlWord: word(t); return;
            default: return;
        }
    }

    void symbol(char c) {
        State& s = st();
        switch (c) {
            case '*': starPending_ = true; return;
            case '\\':
            case '{':
            case '}': emit(static_cast<char32_t>(c)); return;
            case '~':
                if (s.dest == Dest::Text) emit(0x00A0);
                return;
            case '_':
                if (s.dest == Dest::Text) emit(0x2011);
                return;
            case '\t':
                if (s.dest == Dest::Text) emit('\t');
                return;
            default: return;  // \- optional hyphen, \: index, \| formula and the rest
        }
    }

    void word(const Token& t) {
        State& s = st();
        const Word w = classify(t.name);
        const bool star = starPending_;
        starPending_ = false;

        // Destinations first: they decide what the rest of the group is.
        switch (w) {
            case Word::FontTable:
                s.dest = Dest::FontTable;
                curFont_ = -1;
                return;
            case Word::ColorTable:
                s.dest = Dest::ColorTable;
                colorHasValue_ = false;
                return;
            case Word::Pn: s.dest = Dest::ListLevel; return;
            case Word::ListText:
                s.dest = Dest::ListText;
                listTextSeen_ = false;
                return;
            case Word::SkippedDestination: s.dest = Dest::Skip; return;
            default: break;
        }
        if (s.dest == Dest::Skip) return;

        switch (s.dest) {
            case Dest::FontTable:
                if (w == Word::F && t.hasParam) {
                    finishFontEntry();
                    curFont_ = t.param;
                    Font& f = fonts_[curFont_];
                    f = Font{};
                    ++tables_;
                } else if (w == Word::FCharset && curFont_ >= 0) {
                    fonts_[curFont_].charset = t.param;
                    ++tables_;
                } else if (w == Word::U && t.hasParam) {
                    unicode(t.param);
                } else if (w == Word::Uc && t.hasParam) {
                    s.uc = std::clamp(t.param, 0, 16);
                } else if (star) {
                    s.dest = Dest::Skip;
                }
                return;
            case Dest::ColorTable:
                if (w == Word::Red) red_ = std::clamp(t.param, 0, 255), colorHasValue_ = true;
                else if (w == Word::Green) green_ = std::clamp(t.param, 0, 255), colorHasValue_ = true;
                else if (w == Word::Blue) blue_ = std::clamp(t.param, 0, 255), colorHasValue_ = true;
                else if (star) s.dest = Dest::Skip;
                return;
            case Dest::ListLevel:
                if (w == Word::PnLvlBlt) {
                    list_ = ListStyle::Bullet;
                } else if (w == Word::PnLvlBody || w == Word::PnLvl || w == Word::PnDec) {
                    if (list_ != ListStyle::Bullet || w == Word::PnDec) list_ = ListStyle::Decimal;
                } else if (w == Word::PnTxtb || w == Word::PnTxta) {
                    s.dest = Dest::Skip;
                } else if (star) {
                    s.dest = Dest::Skip;
                }
                return;
            case Dest::ListText:
                if (star) s.dest = Dest::Skip;
                return;
            default: break;
        }

        // Document text.
        switch (w) {
            case Word::Par: finishParagraph(false); return;
            case Word::Pard: resetParagraph(); return;
            case Word::Line: emit(0x2028); return;
            case Word::Tab: emit('\t'); return;
            case Word::Plain:
                s.font = -1;
                s.halfPoints = 24;
                s.bold = s.italic = s.underline = false;
                s.color = 0;
                formatDirty_ = true;
                return;
            case Word::F:
                s.font = t.hasParam ? t.param : -1;
                formatDirty_ = true;
                return;
            case Word::Fs:
                s.halfPoints = t.hasParam ? std::clamp(t.param, kMinHalfPoints, kMaxHalfPoints) : 24;
                formatDirty_ = true;
                return;
            case Word::B:
                s.bold = !t.hasParam || t.param != 0;
                formatDirty_ = true;
                return;
            case Word::I:
                s.italic = !t.hasParam || t.param != 0;
                formatDirty_ = true;
                return;
            case Word::UlNone:
                s.underline = false;
                formatDirty_ = true;
                return;
            case Word::Underline:
                s.underline = !t.hasParam || t.param != 0;
                formatDirty_ = true;
                return;
            case Word::Cf:
                s.color = t.hasParam ? t.param : 0;
                formatDirty_ = true;
                return;
            case Word::U:
                if (t.hasParam) unicode(t.param);
                else if (star) s.dest = Dest::Skip;
                return;
            case Word::Uc:
                if (t.hasParam) s.uc = std::clamp(t.param, 0, 16);
                else if (star) s.dest = Dest::Skip;
                return;
            case Word::AnsiCpg:
                if (t.hasParam) codePage_ = t.param;
                else if (star) s.dest = Dest::Skip;
                return;
            case Word::Ansi: codePage_ = 1252; return;
            case Word::Deff:
                if (t.hasParam) {
                    defaultFont_ = t.param;
                    ++tables_;
                    formatDirty_ = true;
                } else if (star) {
                    s.dest = Dest::Skip;
                }
                return;
            case Word::Ql: align_ = Align::Left; return;
            case Word::Qc: align_ = Align::Center; return;
            case Word::Qr: align_ = Align::Right; return;
            case Word::Qj: align_ = Align::Justify; return;
            case Word::Li: leftIndent_ = std::clamp(t.param, -31680, 31680); return;
            case Word::Fi: firstIndent_ = std::clamp(t.param, -31680, 31680); return;
            case Word::Ls:
                if (t.param > 0 && list_ == ListStyle::None) list_ = ListStyle::Bullet;
                return;
            case Word::EmDash: emit(0x2014); return;
            case Word::EnDash: emit(0x2013); return;
            case Word::Bullet: emit(0x2022); return;
            case Word::LQuote: emit(0x2018); return;
            case Word::RQuote: emit(0x2019); return;
            case Word::LDblQuote: emit(0x201C); return;
            case Word::RDblQuote: emit(0x201D); return;
            case Word::EmSpace: emit(0x2003); return;
            case Word::EnSpace: emit(0x2002); return;
            case Word::QmSpace: emit(0x2005); return;
            default:
                // An ignorable destination we do not know.
                if (star) s.dest = Dest::Skip;
                return;
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
    // The key the last run's format was resolved from.
    FormatKey runKey_;
    std::uint64_t tables_ = 0;
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
