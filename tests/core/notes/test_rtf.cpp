// RTF tokenizer, reader and writer: fixtures of the constructs real files
// hold, written by hand, read and written back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/notes/codepage.h"
#include "core/notes/rtf_reader.h"
#include "core/notes/rtf_tokenizer.h"
#include "core/notes/rtf_writer.h"

using namespace ostrel::rtf;

namespace {

std::vector<Token> tokens(std::string_view in) {
    Tokenizer t(in);
    std::vector<Token> out;
    for (Token k = t.next(); k.kind != TokenKind::End; k = t.next()) out.push_back(k);
    return out;
}

Document readOk(std::string_view rtf) {
    ReadResult r = ostrel::rtf::read(rtf);
    EXPECT_EQ(r.status, ReadStatus::Ok) << rtf;
    return r.document;
}

// The document's text with its formatting spelled out, one run a line.
std::string describe(const Document& d) {
    std::string out;
    for (const Paragraph& p : d.paragraphs) {
        out += "P";
        if (p.list == ListStyle::Bullet) out += " bullet";
        if (p.list == ListStyle::Decimal) out += " decimal";
        if (p.align == Align::Center) out += " center";
        if (p.align == Align::Right) out += " right";
        if (p.align == Align::Justify) out += " justify";
        out += "\n";
        for (const Run& r : p.runs) {
            out += "  [" + r.format.font + " " + std::to_string(r.format.halfPoints);
            if (r.format.bold) out += " b";
            if (r.format.italic) out += " i";
            if (r.format.underline) out += " u";
            if (r.format.color) {
                char buf[16];
                std::snprintf(buf, sizeof buf, " #%02x%02x%02x", r.format.color->r, r.format.color->g,
                              r.format.color->b);
                out += buf;
            }
            out += "] " + r.text + "\n";
        }
    }
    return out;
}

}  // namespace

namespace ostrel::rtf {
// Failures show the document, not its bytes.
void PrintTo(const Document& d, std::ostream* os) { *os << "\n" << describe(d); }
}  // namespace ostrel::rtf

TEST(RtfTokenizer, SplitsEveryKindOfToken) {
    const auto t = tokens("{\\rtf1\\b0 x\\'e9\\\\\\{\\~\\fs-20 y}");
    ASSERT_EQ(t.size(), 11u);
    EXPECT_EQ(t[0].kind, TokenKind::GroupStart);
    EXPECT_EQ(t[1].name, "rtf");
    EXPECT_TRUE(t[1].hasParam);
    EXPECT_EQ(t[1].param, 1);
    EXPECT_EQ(t[2].name, "b");
    EXPECT_EQ(t[2].param, 0);
    EXPECT_EQ(t[3].text, "x");  // the blank after \b0 is its delimiter
    EXPECT_EQ(t[4].kind, TokenKind::HexByte);
    EXPECT_EQ(t[4].byte, 0xE9);
    EXPECT_EQ(t[5].symbol, '\\');
    EXPECT_EQ(t[6].symbol, '{');
    EXPECT_EQ(t[7].symbol, '~');
    EXPECT_EQ(t[8].param, -20);
    EXPECT_EQ(t[9].text, "y");
}

TEST(RtfTokenizer, SurvivesBrokenInput) {
    // Huge numbers are clamped, \bin skips its bytes (also past the end),
    // a broken \' and a lone backslash at the end are harmless.
    auto t = tokens("\\fs99999999999999999999 \\fs-99999999999999");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].param, 2147483647);
    EXPECT_EQ(t[1].param, -2147483647 - 1);
    t = tokens("\\bin3 {}}x");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].kind, TokenKind::Binary);
    EXPECT_EQ(t[1].text, "x");
    EXPECT_EQ(tokens("\\bin99999 ab").size(), 1u);
    t = tokens("\\'zz\\'4");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0].kind, TokenKind::ControlSymbol);
    EXPECT_EQ(tokens("ab\\").size(), 1u);
    // "\" before a line break is a paragraph mark.
    t = tokens("a\\\nb");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[1].name, "par");
}

TEST(RtfCodePage, CyrillicAndWesternBytes) {
    EXPECT_EQ(decodeByte(1251, 0xC0), U'\u0410');  // А
    EXPECT_EQ(decodeByte(1251, 0xFF), U'\u044F');  // я
    EXPECT_EQ(decodeByte(1251, 0xA8), U'\u0401');  // Ё
    EXPECT_EQ(decodeByte(1252, 0x80), U'\u20AC');  // €
    EXPECT_EQ(decodeByte(1252, 0xE9), U'\u00E9');  // é
    EXPECT_EQ(decodeByte(1250, 0x8A), U'\u0160');  // Š
    EXPECT_EQ(decodeByte(437, 0xE9), U'\u00E9');   // no table: Western
    EXPECT_EQ(codePageOfCharset(204), 1251);
    EXPECT_EQ(codePageOfCharset(0), 0);
}

// Text of the constructs real files hold.
TEST(RtfReader, TextOfEachConstruct) {
    struct Case {
        const char* name;
        const char* rtf;
        const char* text;
    };
    const Case cases[] = {
        {"paragraphs", "{\\rtf1 one\\par two\\par}", "one\ntwo"},
        {"last paragraph without par", "{\\rtf1 one\\par two}", "one\ntwo"},
        {"empty paragraphs kept", "{\\rtf1 a\\par\\par b\\par\\par}", "a\n\nb\n"},
        {"line breaks in source mean nothing", "{\\rtf1 ab\r\ncd\\par}", "abcd"},
        {"tab and line break", "{\\rtf1 a\\tab b\\line c}", "a\tb\u2028c"},
        {"escaped specials", "{\\rtf1 \\{x\\} \\\\ y}", "{x} \\ y"},
        {"named characters", "{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote\\~}",
         "\u2014\u2013\u2022\u2018\u2019\u201C\u201D\u00A0"},
        {"unicode with fallback", "{\\rtf1\\uc1 \\u1055?\\u1088?\\u-3913?}", "\u041F\u0440\uF0B7"},
        {"uc2 skips two bytes", "{\\rtf1\\uc2 \\u233\\'65\\'31x}", "\u00E9x"},
        {"uc0 skips nothing", "{\\rtf1\\uc0 \\u233 x}", "\u00E9x"},
        {"fallback cut by group end", "{\\rtf1\\uc3 {\\u233 ?}x}", "\u00E9x"},
        {"surrogate pair", "{\\rtf1 \\u-10179?\\u-8704?}", "\U0001F600"},
        {"lone surrogate", "{\\rtf1 \\u-10179?x}", "\uFFFDx"},
        {"western 8-bit", "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80}", "caf\u00E9 \u20AC"},
        {"cyrillic 8-bit by ansicpg", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}",
         "\u041F\u0440\u0438\u0432\u0435\u0442"},
        {"cyrillic 8-bit by font charset",
         "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}{\\f1\\fnil\\fcharset0 "
         "Courier;}}\\f0 \\'e0\\f1 \\'e0}",
         "\u0430\u00E0"},
        {"raw 8-bit text", "{\\rtf1\\ansicpg1251 \xcf\xf0\xe8}", "\u041F\u0440\u0438"},
        {"ignorable destination skipped", "{\\rtf1 a{\\*\\unknownthing b{c}}d}", "ad"},
        {"known non-text groups skipped",
         "{\\rtf1{\\info{\\title t}}{\\stylesheet{\\s0 Normal;}}{\\*\\generator g;}a{\\pict\\pngblip 0123}b}", "ab"},
        {"binary data skipped", "{\\rtf1 a{\\object\\bin4 {}}\\}b}", "ab"},
        {"field result kept, instruction skipped", "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}",
         "link"},
        {"table cells", "{\\rtf1 \\trowd\\cellx100\\cellx200 a\\cell b\\cell\\row c}", "a\tb\t\nc"},
        {"list text skipped", "{\\rtf1 {\\pntext\\f1\\'B7\\tab}a\\par {\\listtext 2.\\tab}b}", "a\nb"},
        {"unknown words ignored", "{\\rtf1\\viewkind4\\nowidctlpar\\lang1049\\zzz12 a}", "a"},
        {"text after the document ignored", "{\\rtf1 a}garbage{\\b x}", "a"},
        {"extra closing braces ignored inside", "{\\rtf1 a{}}", "a"},
        {"control characters dropped",
         "{\\rtf1 a\x01\x02"
         "b}",
         "ab"},
        {"byte-order mark and blanks before", "\xEF\xBB\xBF \r\n{\\rtf1 a}", "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readOk(c.rtf).plainText(), c.text);
    }
}

TEST(RtfReader, CyrillicNoteInBothForms) {
    const std::string expected = "\u0417\u0430\u043c\u0435\u0442\u043a\u0430 \u0401\u0436";  // Заметка Ёж
    const Document u = readOk(
        "{\\rtf1\\ansi\\uc1 \\u1047?\\u1072?\\u1084?\\u1077?\\u1090?\\u1082?\\u1072? "
        "\\u1025?\\u1078?}");
    const Document hex = readOk("{\\rtf1\\ansi\\ansicpg1251 \\'c7\\'e0\\'ec\\'e5\\'f2\\'ea\\'e0 \\'a8\\'e6}");
    EXPECT_EQ(u.plainText(), expected);
    EXPECT_EQ(hex.plainText(), expected);
    // What we write for it reads back the same.
    EXPECT_EQ(readOk(write(hex)).plainText(), expected);
}

TEST(RtfReader, FormattingOfEachConstruct) {
    struct Case {
        const char* name;
        const char* rtf;
        const char* described;
    };
    const Case cases[] = {
        {"bold italic underline on and off",
         "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\b a\\i b\\ul c\\b0\\i0\\ulnone d\\uldb e\\ul0 f}",
         "P\n  [Arial 24 b] a\n  [Arial 24 b i] b\n  [Arial 24 b i u] c\n  [Arial 24] d\n  [Arial 24 u] e\n  "
         "[Arial 24] f\n"},
        {"groups restore the format", "{\\rtf1{\\fonttbl{\\f0 Arial;}}a{\\b b}c}",
         "P\n  [Arial 24] a\n  [Arial 24 b] b\n  [Arial 24] c\n"},
        {"fonts, sizes and plain",
         "{\\rtf1\\deff1{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss{\\*\\panose 020b}Arial{\\*\\falt "
         "Helv};}}a\\f0\\fs32 b\\plain c}",
         "P\n  [Arial 24] a\n  [Times New Roman 32] b\n  [Arial 24] c\n"},
        {"font table without inner groups", "{\\rtf1{\\fonttbl\\f0\\fnil Alpha;\\f1\\fnil Beta;}\\f1 x}",
         "P\n  [Beta 24] x\n"},
        {"colours and the automatic colour",
         "{\\rtf1{\\fonttbl{\\f0 A;}}{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}a\\cf1 b\\cf2 "
         "c\\cf0 d\\cf9 e}",
         "P\n  [A 24] a\n  [A 24 #ff0000] b\n  [A 24 #0080ff] c\n  [A 24] de\n"},
        {"bullets of the old numbering form",
         "{\\rtf1{\\fonttbl{\\f0 A;}{\\f1\\fcharset2 Symbol;}}\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1"
         "\\pnindent0{\\pntxtb\\'B7}}\\fi-720\\li720 one\\par{\\pntext\\f1\\'B7\\tab}two\\par\\pard three\\par}",
         "P bullet\n  [A 24] one\nP bullet\n  [A 24] two\nP\n  [A 24] three\n"},
        {"bullets and numbers of the list-table form",
         "{\\rtf1{\\fonttbl{\\f0 A;}}{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext "
         "\\'01\\u-3913 ?;}}\\listid1}}{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}"
         "\\pard\\ls1{\\listtext\\'b7\\tab}one\\par\\pard\\ls2{\\listtext 1.\\tab}two\\par\\pard three}",
         "P bullet\n  [A 24] one\nP decimal\n  [A 24] two\nP\n  [A 24] three\n"},
        {"alignment", "{\\rtf1{\\fonttbl{\\f0 A;}}\\qc a\\par\\qr b\\par\\qj c\\par\\pard d}",
         "P center\n  [A 24] a\nP right\n  [A 24] b\nP justify\n  [A 24] c\nP\n  [A 24] d\n"},
        {"unicode font name", "{\\rtf1{\\fonttbl{\\f0\\fcharset204 \\'d2\\'e5\\'ea\\'f1\\'f2;}}x}",
         "P\n  [\u0422\u0435\u043a\u0441\u0442 24] x\n"},
        {"sizes out of range are clamped", "{\\rtf1{\\fonttbl{\\f0 A;}}\\fs0 a\\fs99999 b}",
         "P\n  [A 2] a\n  [A 3276] b\n"},
        // The same formatting words after the tables changed.
        {"a font table given again", "{\\rtf1{\\fonttbl{\\f0 A;}}a{\\fonttbl{\\f0 B;}}{\\b0 b}c}",
         "P\n  [A 24] a\n  [B 24] bc\n"},
        {"a colour table given again",
         "{\\rtf1{\\fonttbl{\\f0 A;}}{\\colortbl ;\\red255\\green0\\blue0;}\\cf2 a{\\colortbl\\red0\\green0\\blue255;}"
         "{\\cf2 b}}",
         "P\n  [A 24] a\n  [A 24 #0000ff] b\n"},
        {"the default font changed in the text", "{\\rtf1{\\fonttbl{\\f0 A;}{\\f1 B;}}a\\deff1 b\\plain c}",
         "P\n  [A 24] a\n  [B 24] bc\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(readOk(c.rtf)), c.described);
    }
}

TEST(RtfReader, FilesOfCommonWriters) {
    // A simple editor's file: an ANSI code page, a one-font table, a colour
    // table and a bullet list written with \pn groups.
    const Document old = readOk(
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204 MS Sans Serif;}{\\f1\\fnil"
        "\\fcharset2 Symbol;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}\r\n\\viewkind4\\uc1\\pard\\f0\\fs16 "
        "\\'c7\\'e2\\'ee\\'ed\\'ee\\'ea \\b\\'e2\\'e0\\'f1\\'e5\\b0\\par\r\n\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn"
        "\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'b7}}\\fi-200\\li200\\cf1 item\\cf0\\par\r\n}\r\n");
    EXPECT_EQ(describe(old),
              "P\n  [MS Sans Serif 16] \u0417\u0432\u043e\u043d\u043e\u043a \n  [MS Sans Serif 16 b] "
              "\u0432\u0430\u0441\u0435\n"
              "P bullet\n  [MS Sans Serif 16 #ff0000] item\n");
    // A word processor's file: style sheet, info, rsid tables, themes, list
    // tables and \upr font names around the text.
    const Document word = readOk(
        "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\adeff31507\\deff0\\stshfdbch31505{\\fonttbl{\\f0\\fbidi "
        "\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times New Roman;}{\\f37\\fbidi \\fswiss"
        "\\fcharset0\\fprq2{\\*\\panose 020f0502020204030204}Calibri;}}{\\colortbl;\\red0\\green0\\blue0;}"
        "{\\*\\defchp \\f31506\\fs22 }{\\stylesheet{\\ql \\li0\\ri0\\widctlpar\\f37\\fs22 \\snext0 Normal;}}"
        "{\\*\\rsidtbl \\rsid1\\rsid2}{\\*\\generator Writer;}{\\info{\\author A}{\\creatim\\yr2024}}"
        "{\\*\\xmlnstbl {\\xmlns1 http://x}}\\paperw11906\\paperh16838\\margl1701 \\sectd \\linex0\\sectdefaultcl"
        "{\\*\\pnseclvl1\\pnucrm\\pnstart1\\pnindent720\\pnhang {\\pntxta .}}\\pard\\plain \\ltrpar\\ql \\li0"
        "\\ri0\\sa160\\widctlpar\\wrapdefault\\aspalpha\\faauto\\adjustright\\rin0\\lin0\\itap0 \\rtlch\\fcs1 "
        "\\af31507\\afs22 \\ltrch\\fcs0 \\f37\\fs22\\insrsid1 Hello \\b\\insrsid2 world\\par }"
        "{\\*\\themedata 504b0304}{\\*\\colorschememapping 3c3f}{\\*\\latentstyles\\lsdstimax376{\\lsdlockedexcept "
        "\\lsdqformat1 Normal;}}{\\*\\datastore 0105}}");
    EXPECT_EQ(describe(word), "P\n  [Calibri 22] Hello \n  [Calibri 22 b] world\n");
}

TEST(RtfReader, StatusOfDamagedInput) {
    EXPECT_EQ(ostrel::rtf::read("").status, ReadStatus::NotRtf);
    EXPECT_EQ(ostrel::rtf::read("plain text").status, ReadStatus::NotRtf);
    EXPECT_EQ(ostrel::rtf::read("{\\rt").status, ReadStatus::NotRtf);
    const ReadResult cut = ostrel::rtf::read("{\\rtf1 first\\par second {\\b bo");
    EXPECT_EQ(cut.status, ReadStatus::Truncated);
    EXPECT_EQ(cut.document.plainText(), "first\nsecond bo");
    // Whatever is read, the document has a paragraph.
    EXPECT_EQ(ostrel::rtf::read("nothing").document.paragraphs.size(), 1u);
    EXPECT_EQ(ostrel::rtf::read("{\\rtf1}").document.paragraphs.size(), 1u);
    // Deep nesting neither crashes nor loses the rest.
    std::string deep = "{\\rtf1 a";
    for (int i = 0; i < 100000; ++i) deep += '{';
    deep += "x";
    for (int i = 0; i < 100000; ++i) deep += '}';
    deep += "b}";
    const ReadResult d = ostrel::rtf::read(deep);
    EXPECT_EQ(d.status, ReadStatus::Ok);
    EXPECT_EQ(d.document.plainText().front(), 'a');
    EXPECT_EQ(d.document.plainText().back(), 'b');
}

namespace {
Run run(std::string text, CharFormat f = {}) { return Run{std::move(f), std::move(text)}; }
CharFormat fmt(std::string font, int halfPoints, bool b = false, bool i = false, bool u = false,
               std::optional<Rgb> c = std::nullopt) {
    CharFormat f;
    f.font = std::move(font);
    f.halfPoints = halfPoints;
    f.bold = b;
    f.italic = i;
    f.underline = u;
    f.color = c;
    return f;
}
Paragraph para(std::vector<Run> runs, ListStyle list = ListStyle::None, Align align = Align::Left) {
    Paragraph p;
    p.runs = std::move(runs);
    p.list = list;
    p.align = align;
    if (!p.runs.empty()) p.markFormat = p.runs.back().format;
    return p;
}
}  // namespace

TEST(RtfWriter, DocumentsReadBackTheSame) {
    const CharFormat plain = fmt("Sans Serif", 24);
    const CharFormat dejavu = fmt("DejaVu Sans", 20, true, false, true, Rgb{10, 20, 30});
    Paragraph empty = para({});
    empty.markFormat = fmt("DejaVu Sans", 40);
    Paragraph indented = para({run("7 indented", plain)}, ListStyle::None, Align::Right);
    indented.leftIndent = 720;
    indented.firstIndent = -360;
    struct Case {
        const char* name;
        Document doc;
    };
    const Case cases[] = {
        {"one plain paragraph", Document{{para({run("Editor", plain)})}}},
        {"specials and digits after words",
         Document{{para({run("{a} \\b\\ 12", fmt("Sans Serif", 24, true)), run("3 4", plain)})}}},
        {"mixed formats", Document{{para({run("bold", fmt("Serif", 24, true)),
                                          run(" italic", fmt("Serif", 28, false, true)), run(" coloured", dejavu)}),
                                    para({run("second\tline\u2028break", plain)})}}},
        {"unicode beyond Latin", Document{{para({run("\u041f\u0440\u0438\u0432\u0435\u0442 \u00e9 \u20ac "
                                                     "\u65e5\u672c \U0001F600",
                                                     plain)})}}},
        {"empty paragraphs with their own format",
         Document{{para({run("a", plain)}), empty, empty, para({run("b", plain)})}}},
        {"bullets and numbers",
         Document{{para({run("one", plain)}, ListStyle::Bullet), para({run("two", plain)}, ListStyle::Bullet),
                   para({run("first", plain)}, ListStyle::Decimal), para({run("second", plain)}, ListStyle::Decimal),
                   para({run("after", plain)})}}},
        {"alignment and indents", Document{{para({run("c", plain)}, ListStyle::None, Align::Center), indented,
                                            para({run("j", plain)}, ListStyle::None, Align::Justify)}}},
        {"font names outside ASCII",
         Document{{para({run("x", fmt("\u0428\u0440\u0438\u0444\u0442", 24)), run("y", plain)})}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string rtf = write(c.doc);
        SCOPED_TRACE(rtf);
        // Plain 7-bit output: every other character is escaped.
        for (char ch : rtf) ASSERT_LT(static_cast<unsigned char>(ch), 0x80);
        EXPECT_EQ(readOk(rtf), c.doc);
        // Writing what was read gives the same bytes.
        EXPECT_EQ(write(readOk(rtf)), rtf);
    }
}

TEST(RtfWriter, OutputCommonReadersUnderstand) {
    Document d{{para({run("\u041f\u0440\u0438", fmt("Arial", 24, true))}, ListStyle::Bullet)}};
    const std::string rtf = write(d, WriteOptions{"Arial"});
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1", 0), 0u) << rtf;
    EXPECT_NE(rtf.find("{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\ftech\\fcharset2 Symbol;}}"), std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}"),
              std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("\\b\\u1055?\\u1088?\\u1080?\\par"), std::string::npos) << rtf;
    EXPECT_EQ(rtf.substr(rtf.size() - 3), "}\r\n");
}
