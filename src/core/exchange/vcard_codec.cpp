#include "core/exchange/vcard_codec.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "core/notes/codepage.h"

namespace ostrel::exchange {
namespace {

// ---- text helpers ----

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

void appendUtf8(std::string& out, char32_t cp) {
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

bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        if (c < 0x80) n = 0;
        else if (c >= 0xC2 && c <= 0xDF) n = 1;
        else if (c >= 0xE0 && c <= 0xEF) n = 2;
        else if (c >= 0xF0 && c <= 0xF4) n = 3;
        else return false;
        if (i + n >= s.size() && n > 0) return false;
        for (std::size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

// Bytes in the named charset as UTF-8. Text without a charset (or with one
// we do not know) is taken as UTF-8 when it is valid UTF-8, else as
// Windows-1252.
std::string toUtf8(std::string_view bytes, std::string_view charset) {
    const std::string cs = lower(charset);
    int codePage = 0;
    bool latin1 = false;
    if (cs == "utf-8" || cs == "utf8" || cs == "us-ascii" || cs == "ascii") {
        if (validUtf8(bytes)) return std::string(bytes);
        codePage = 1252;
    } else if (cs == "iso-8859-1" || cs == "latin1" || cs == "iso8859-1") {
        latin1 = true;
    } else if (cs.rfind("windows-", 0) == 0 || cs.rfind("cp", 0) == 0) {
        const std::string digits = cs.substr(cs[0] == 'w' ? 8 : 2);
        codePage = digits.empty() ? 0 : std::atoi(digits.c_str());
        if (!rtf::knownCodePage(codePage)) codePage = 0;
    }
    if (codePage == 0 && !latin1) {
        if (validUtf8(bytes)) return std::string(bytes);
        codePage = 1252;
    }
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto b = static_cast<std::uint8_t>(ch);
        appendUtf8(out, latin1 ? char32_t{b} : rtf::decodeByte(codePage, b));
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string decodeQuotedPrintable(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '=') {
            out += s[i];
            continue;
        }
        if (i + 1 == s.size()) break;  // a soft break at the very end
        {
            const int hi = hexDigit(s[i + 1]);
            const int lo = i + 2 < s.size() ? hexDigit(s[i + 2]) : -1;
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += '=';  // not an escape: kept as written
    }
    return out;
}

// The escapes of text values: \n \N \, \; \\ (and \: some writers add).
std::string unescapeText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            const char n = s[++i];
            if (n == 'n' || n == 'N') out += '\n';
            else out += n;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string escapeText(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 8);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        switch (c) {
            case '\\': out += "\\\\"; break;
            case ',': out += "\\,"; break;
            case ';': out += "\\;"; break;
            case '\r':
                if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
                out += "\\n";
                break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    return out;
}

// Splits a structured value at its unescaped separators.
std::vector<std::string> splitUnescaped(std::string_view s, char sep) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            parts.back() += s[i];
            parts.back() += s[++i];
        } else if (s[i] == sep) {
            parts.emplace_back();
        } else {
            parts.back() += s[i];
        }
    }
    return parts;
}

// The property that opens a card.
constexpr std::string_view kBegin = std::string_view("BEGIN:").substr(0, 5);

// ---- base64 ----

constexpr char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// ---- lines ----

struct Property {
    std::string name;                                         // upper case, group prefix removed
    std::vector<std::pair<std::string, std::string>> params;  // upper-case name, value
    std::string value;                                        // raw (still escaped / encoded)

    bool has(std::string_view param, std::string_view value) const {
        const std::string v = lower(value);
        for (const auto& [n, val] : params) {
            if (n != param) continue;
            for (const std::string& part : splitUnescaped(val, ','))
                if (lower(trim(part)) == v) return true;
        }
        return false;
    }
    std::string param(std::string_view name) const {
        for (const auto& [n, v] : params)
            if (n == name) return v;
        return {};
    }
};

std::vector<std::string> physicalLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
            lines.emplace_back(text.substr(start, i - start));
            if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    return lines;
}

bool isQuotedPrintableLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    const std::string head = upper(line.substr(0, colon));
    return head.find("QUOTED-PRINTABLE") != std::string::npos;
}

// BEGIN:VCARD or END:VCARD (any case, blanks around).
bool isCardBoundary(std::string_view line) {
    const std::string u = upper(trim(line));
    return u == "END:VCARD" || u == "BEGIN:VCARD";
}

// Logical lines: folded lines joined (a line starting with a blank
// continues the one before), and quoted-printable values ending in a soft
// break joined with the next line.
std::vector<std::string> logicalLines(std::string_view text) {
    std::vector<std::string> out;
    bool qpOpen = false;
    for (std::string& line : physicalLines(text)) {
        // A soft break at the end of a card's last value joins nothing: the
        // card still ends.
        if (qpOpen && isCardBoundary(line)) {
            out.back().pop_back();
            qpOpen = false;
        }
        if (qpOpen && !out.empty()) {
            out.back().pop_back();  // the soft break's "="
            out.back() += line;
        } else if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !out.empty()) {
            out.back().append(line, 1, std::string::npos);
        } else {
            out.push_back(std::move(line));
        }
        qpOpen = !out.empty() && !out.back().empty() && out.back().back() == '=' && isQuotedPrintableLine(out.back());
    }
    return out;
}

Property parseLine(std::string_view line) {
    Property p;
    // The name and parameters end at the first colon outside quotes.
    std::size_t colon = std::string_view::npos;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon == std::string_view::npos) return p;
    p.value = std::string(line.substr(colon + 1));
    std::vector<std::string> head;
    head.emplace_back();
    quoted = false;
    for (const char c : line.substr(0, colon)) {
        if (c == '"') quoted = !quoted;
        if (c == ';' && !quoted) head.emplace_back();
        else head.back() += c;
    }
    std::string name = upper(trim(head[0]));
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(0, dot + 1);
    p.name = name;
    for (std::size_t i = 1; i < head.size(); ++i) {
        const std::string_view param = trim(head[i]);
        const std::size_t eq = param.find('=');
        if (eq == std::string_view::npos) {
            // 2.1 bare parameters: an encoding, or a type.
            const std::string u = upper(param);
            if (u == "QUOTED-PRINTABLE" || u == "BASE64" || u == "8BIT" || u == "7BIT")
                p.params.emplace_back("ENCODING", u);
            else p.params.emplace_back("TYPE", u);
        } else {
            std::string value(trim(param.substr(eq + 1)));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            p.params.emplace_back(upper(trim(param.substr(0, eq))), value);
        }
    }
    return p;
}

// Line ends as the program keeps them: CRLF and CR become LF.
std::string unixLineEnds(std::string s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += '\n';
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The value's bytes after its transfer encoding, as UTF-8 text.
std::string textValue(const Property& p) {
    const std::string enc = upper(p.param("ENCODING"));
    std::string bytes = enc == "QUOTED-PRINTABLE" ? decodeQuotedPrintable(p.value) : p.value;
    return unixLineEnds(toUtf8(bytes, p.param("CHARSET")));
}

std::optional<DateTime> parseDate(std::string_view v) {
    v = trim(v);
    std::string digits;
    std::size_t i = 0;
    if (v.substr(0, 2) == "--") return std::nullopt;  // no year
    for (; i < v.size() && v[i] != 'T' && v[i] != 't'; ++i) {
        if (std::isdigit(static_cast<unsigned char>(v[i]))) digits += v[i];
        else if (v[i] != '-') return std::nullopt;
    }
    if (digits.size() != 8) return std::nullopt;
    const int y = std::atoi(digits.substr(0, 4).c_str());
    const int m = std::atoi(digits.substr(4, 2).c_str());
    const int d = std::atoi(digits.substr(6, 2).c_str());
    if (y < 100 || !isValidDate(y, m, d)) return std::nullopt;
    return encodeDate(y, m, d);
}

std::optional<CardGroup> groupOf(std::string_view category) {
    const std::string c = lower(trim(category));
    if (c == "family") return CardGroup::Family;
    if (c == "work" || c == "job" || c == "business") return CardGroup::Job;
    if (c == "friends" || c == "friend") return CardGroup::Friends;
    return std::nullopt;
}

const char* groupName(CardGroup g) {
    switch (g) {
        case CardGroup::Family: return "Family";
        case CardGroup::Job: return "Work";
        case CardGroup::Friends: return "Friends";
        case CardGroup::NotAssigned: break;
    }
    return nullptr;
}

std::string imageTypeOf(std::string_view mediaOrType) {
    std::string t = upper(trim(mediaOrType));
    if (t.rfind("IMAGE/", 0) == 0) t.erase(0, 6);
    if (t == "JPG") t = "JPEG";
    // Only a plain name ("JPEG", "PNG", "SVG+XML"): anything else would
    // break the data URI it is written into, and the picture with it.
    const bool plain =
        t.size() <= 32 && std::all_of(t.begin(), t.end(), [](char ch) {
            return (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '+' || ch == '-' || ch == '.';
        });
    return plain ? t : std::string();
}

void readPhoto(const Property& p, Card& card) {
    const std::string value(trim(p.value));
    if (lower(value.substr(0, 5)) == "data:") {
        // data:image/jpeg;base64,....
        const std::size_t comma = value.find(',');
        if (comma == std::string::npos) return;
        const std::string meta = lower(value.substr(5, comma - 5));
        if (meta.find(";base64") == std::string::npos) return;
        if (auto bytes = fromBase64(std::string_view(value).substr(comma + 1))) {
            card.photo = std::move(*bytes);
            card.photoType = imageTypeOf(meta.substr(0, meta.find(';')));
        }
        return;
    }
    const std::string enc = upper(p.param("ENCODING"));
    if (enc != "B" && enc != "BASE64") return;  // a link: not fetched
    if (auto bytes = fromBase64(value)) {
        card.photo = std::move(*bytes);
        std::string type;
        for (const auto& [n, v] : p.params)
            if (n == "TYPE") type = v;
        card.photoType = imageTypeOf(type);
    }
}

void setOnce(std::optional<std::string>& field, std::string value) {
    if (!field && !value.empty()) field = std::move(value);
}

void readPhone(const Property& p, std::string value, Card& card) {
    if (value.rfind("tel:", 0) == 0) value.erase(0, 4);
    if (value.empty()) return;
    if (p.has("TYPE", "fax") || p.has("TYPE", "pager")) return;
    if (p.has("TYPE", "cell") || p.has("TYPE", "mobile")) return setOnce(card.mobilePhone, std::move(value));
    if (p.has("TYPE", "work")) return setOnce(card.jobPhone, std::move(value));
    if (p.has("TYPE", "home")) return setOnce(card.homePhone, std::move(value));
    for (std::optional<std::string>* slot : {&card.homePhone, &card.mobilePhone, &card.jobPhone})
        if (!*slot) {
            *slot = std::move(value);
            return;
        }
}

Card readCard(const std::vector<Property>& props, bool v21) {
    Card card;
    std::string fullName;
    std::string org;
    std::optional<std::string> homeAddress;
    std::optional<std::string> otherAddress;
    std::optional<std::string> label;
    auto text = [v21](const Property& p) {
        const std::string t = textValue(p);
        return v21 ? t : unescapeText(t);
    };
    for (const Property& p : props) {
        const std::string& n = p.name;
        if (n == "UID") {
            card.uid = std::string(trim(textValue(p)));
        } else if (n == "N") {
            const auto parts = splitUnescaped(textValue(p), ';');
            card.lastName = std::string(trim(unescapeText(parts[0])));
            std::string given = parts.size() > 1 ? std::string(trim(unescapeText(parts[1]))) : std::string();
            if (parts.size() > 2) {
                const std::string extra(trim(unescapeText(parts[2])));
                if (!extra.empty()) given += (given.empty() ? "" : " ") + extra;
            }
            card.firstName = given;
        } else if (n == "FN") {
            fullName = std::string(trim(text(p)));
        } else if (n == "ORG") {
            org = std::string(trim(unescapeText(splitUnescaped(textValue(p), ';')[0])));
        } else if (n == "BDAY") {
            card.birthday = parseDate(textValue(p));
        } else if (n == "TEL") {
            readPhone(p, std::string(trim(text(p))), card);
        } else if (n == "ADR") {
            const auto parts = splitUnescaped(textValue(p), ';');
            std::string joined;
            for (const std::string& part : parts) {
                const std::string t(trim(unescapeText(part)));
                if (t.empty()) continue;
                if (!joined.empty()) joined += ", ";
                joined += t;
            }
            if (joined.empty()) continue;
            if (p.has("TYPE", "home")) setOnce(homeAddress, joined);
            else setOnce(otherAddress, joined);
        } else if (n == "LABEL") {
            setOnce(label, text(p));
        } else if (n == "EMAIL") {
            std::string mail(trim(text(p)));
            if (p.has("TYPE", "pref") || !p.param("PREF").empty()) {
                if (!mail.empty()) card.mail = mail;
            } else {
                setOnce(card.mail, mail);
            }
        } else if (n == "URL") {
            setOnce(card.webSite, std::string(trim(text(p))));
        } else if (n == "NOTE") {
            setOnce(card.comment, text(p));
        } else if (n == "X-ICQ") {
            setOnce(card.icq, std::string(trim(text(p))));
        } else if (n == "IMPP") {
            const std::string v(trim(text(p)));
            if (lower(v.substr(0, 4)) == "icq:") setOnce(card.icq, v.substr(4));
        } else if (n == "CATEGORIES") {
            if (card.group != CardGroup::NotAssigned) continue;
            for (const std::string& c : splitUnescaped(textValue(p), ','))
                if (auto g = groupOf(unescapeText(c))) {
                    card.group = *g;
                    break;
                }
        } else if (n == "PHOTO") {
            if (card.photo.empty()) readPhoto(p, card);
        }
    }
    card.address = homeAddress ? homeAddress : otherAddress ? otherAddress : label;
    if (card.lastName.empty() && card.firstName.empty()) {
        if (!fullName.empty()) {
            const std::size_t space = fullName.rfind(' ');
            if (space == std::string::npos) {
                card.lastName = fullName;
            } else {
                card.firstName = std::string(trim(std::string_view(fullName).substr(0, space)));
                card.lastName = fullName.substr(space + 1);
            }
        } else {
            card.lastName = org;
        }
    }
    return card;
}

// An identifier for a card that has none, made from its text: the same card
// read again gets the same one, so importing a file twice adds nothing.
std::string contentUid(const std::vector<std::string>& lines) {
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (const std::string& line : lines) {
        for (const char c : line) {
            h ^= static_cast<std::uint8_t>(c);
            h *= 1099511628211ull;
        }
        h ^= '\n';
        h *= 1099511628211ull;
    }
    static const char* hex = "0123456789abcdef";
    std::string s = "card-";
    for (int i = 15; i >= 0; --i) s += hex[(h >> (i * 4)) & 15];
    return s;
}

// ---- writing ----

void foldLine(std::string& out, std::string_view line) {
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t len = 1;
        const auto c = static_cast<unsigned char>(line[i]);
        if (c >= 0xF0) len = 4;
        else if (c >= 0xE0) len = 3;
        else if (c >= 0xC0) len = 2;
        len = std::min(len, line.size() - i);
        if (used + len > 75) {
            out += "\r\n ";
            used = 1;
        }
        out.append(line.substr(i, len));
        used += len;
        i += len;
    }
    out += "\r\n";
}

void writeField(std::string& out, std::string_view head, const std::optional<std::string>& value) {
    if (!value || value->empty()) return;
    foldLine(out, std::string(head) + ":" + escapeText(*value));
}

std::string mediaTypeOf(const std::string& type) {
    const std::string t = lower(type.empty() ? "jpeg" : type);
    return "image/" + t;
}

}  // namespace

std::string toBase64(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const std::uint32_t v = (std::uint32_t{static_cast<std::uint8_t>(bytes[i])} << 16) |
                                (std::uint32_t{static_cast<std::uint8_t>(bytes[i + 1])} << 8) |
                                std::uint8_t(bytes[i + 2]);
        out += kB64[(v >> 18) & 63];
        out += kB64[(v >> 12) & 63];
        out += kB64[(v >> 6) & 63];
        out += kB64[v & 63];
    }
    if (i < bytes.size()) {
        std::uint32_t v = std::uint32_t{static_cast<std::uint8_t>(bytes[i])} << 16;
        if (i + 1 < bytes.size()) v |= std::uint32_t{static_cast<std::uint8_t>(bytes[i + 1])} << 8;
        out += kB64[(v >> 18) & 63];
        out += kB64[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kB64[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<std::string> fromBase64(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 4);
    std::uint32_t acc = 0;
    int bits = 0;
    bool ended = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == '=') {
            ended = true;
            continue;
        }
        const char* pos = std::strchr(kB64, c);
        if (!pos || c == '\0' || ended) return std::nullopt;
        acc = (acc << 6) | static_cast<std::uint32_t>(pos - kB64);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return out;
}

std::string writeCards(const std::vector<Card>& cards) {
    std::string out;
    for (const Card& c : cards) {
        out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
        if (!c.uid.empty()) foldLine(out, "UID:" + c.uid);
        std::string full = c.firstName.empty()  ? c.lastName
                           : c.lastName.empty() ? c.firstName
                                                : c.firstName + " " + c.lastName;
        foldLine(out, "FN:" + escapeText(full));
        foldLine(out, "N:" + escapeText(c.lastName) + ";" + escapeText(c.firstName) + ";;;");
        if (c.birthday) {
            const CivilDate d = decodeDate(*c.birthday);
            char buf[16];
            std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
            out += "BDAY:" + std::string(buf) + "\r\n";
        }
        writeField(out, "TEL;TYPE=home,voice", c.homePhone);
        writeField(out, "TEL;TYPE=work,voice", c.jobPhone);
        writeField(out, "TEL;TYPE=cell", c.mobilePhone);
        if (c.address && !c.address->empty()) foldLine(out, "ADR;TYPE=home:;;" + escapeText(*c.address) + ";;;;");
        writeField(out, "EMAIL", c.mail);
        writeField(out, "URL", c.webSite);
        writeField(out, "X-ICQ", c.icq);
        writeField(out, "NOTE", c.comment);
        if (const char* g = groupName(c.group)) out += "CATEGORIES:" + std::string(g) + "\r\n";
        if (!c.photo.empty()) foldLine(out, "PHOTO:data:" + mediaTypeOf(c.photoType) + ";base64," + toBase64(c.photo));
        out += "END:VCARD\r\n";
    }
    return out;
}

bool mayBeVCard(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    while (!head.empty() &&
           (head.front() == ' ' || head.front() == '\t' || head.front() == '\r' || head.front() == '\n'))
        head.remove_prefix(1);
    constexpr std::string_view kFirst = "BEGIN:VCARD";
    const std::size_t n = std::min(head.size(), kFirst.size());
    return upper(head.substr(0, n)) == kFirst.substr(0, n);
}

CardRead readCards(std::string_view text, std::size_t maxCards, const std::function<bool(double done)>& step) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    CardRead out;
    std::vector<Property> props;
    std::vector<std::string> rawLines;
    bool inCard = false;
    bool v21 = false;
    bool anyCard = false;
    const std::vector<std::string> lines = logicalLines(text);
    // Too many cards refuse the file before any is parsed.
    std::size_t begins = 0;
    for (const std::string& line : lines)
        if (line.size() < 32 && upper(trim(line)) == "BEGIN:VCARD" && ++begins > maxCards)
            throw ExchangeLimitError(ExchangeLimit::Cards, maxCards);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string& line = lines[index];
        if (trim(line).empty()) continue;
        const Property p = parseLine(line);
        const std::string value = upper(trim(p.value));
        if (p.name == kBegin && value == "VCARD") {
            if (inCard) throw ExchangeError("a vCard does not end before the next begins");
            if (step && !step(static_cast<double>(index) / static_cast<double>(lines.size()))) throw ExchangeStopped();
            inCard = true;
            anyCard = true;
            v21 = false;
            props.clear();
            rawLines.clear();
            continue;
        }
        if (!inCard) {
            if (!anyCard) throw ExchangeError("it does not begin with BEGIN:VCARD");
            continue;
        }
        if (p.name == "END" && value == "VCARD") {
            inCard = false;
            Card card = readCard(props, v21);
            if (card.uid.empty()) card.uid = contentUid(rawLines);
            if (card.lastName.empty() && card.firstName.empty()) ++out.skipped;
            else out.cards.push_back(std::move(card));
            continue;
        }
        if (p.name == "VERSION") v21 = trim(p.value) == "2.1";
        rawLines.push_back(line);
        props.push_back(p);
    }
    if (!anyCard) throw ExchangeError("it holds no BEGIN:VCARD");
    if (inCard) throw ExchangeError("the last vCard does not end (END:VCARD is missing)");
    return out;
}

}  // namespace ostrel::exchange
