#include "core/notes/rtf_tokenizer.h"

#include <array>
#include <limits>

namespace ostrel::rtf {

namespace {
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
constexpr std::size_t kMaxNameLength = 32;
// The bytes that end a run of text.
constexpr std::array<bool, 256> kEndsText = [] {
    std::array<bool, 256> t{};
    for (const unsigned char c : {'\\', '{', '}', '\r', '\n'}) t[c] = true;
    return t;
}();
}  // namespace

Token Tokenizer::next() {
    Token t;
    const std::size_t n = in_.size();
    // Line breaks between tokens mean nothing.
    while (pos_ < n && (in_[pos_] == '\r' || in_[pos_] == '\n')) ++pos_;
    if (pos_ >= n) return t;

    const char c = in_[pos_];
    if (c == '{') {
        ++pos_;
        t.kind = TokenKind::GroupStart;
        return t;
    }
    if (c == '}') {
        ++pos_;
        t.kind = TokenKind::GroupEnd;
        return t;
    }
    if (c != '\\') {
        const std::size_t start = pos_;
        while (pos_ < n && !kEndsText[static_cast<unsigned char>(in_[pos_])]) ++pos_;
        t.kind = TokenKind::Text;
        t.text = in_.substr(start, pos_ - start);
        return t;
    }

    // A backslash.
    ++pos_;
    if (pos_ >= n) return t;  // a lone backslash at the end
    const char s = in_[pos_];
    if (!isLetter(s)) {
        ++pos_;
        if (s == '\'') {
            const int hi = pos_ < n ? hexValue(in_[pos_]) : -1;
            const int lo = pos_ + 1 < n ? hexValue(in_[pos_ + 1]) : -1;
            if (hi >= 0 && lo >= 0) {
                pos_ += 2;
                t.kind = TokenKind::HexByte;
                t.byte = static_cast<std::uint8_t>(hi * 16 + lo);
                return t;
            }
            // A broken escape: read it as the symbol and go on.
        }
        // "\" before a line break stands for \par.
        if (s == '\r' || s == '\n') {
            t.kind = TokenKind::ControlWord;
            t.name = "par";
            return t;
        }
        t.kind = TokenKind::ControlSymbol;
        t.symbol = s;
        return t;
    }

    const std::size_t start = pos_;
    while (pos_ < n && isLetter(in_[pos_])) ++pos_;
    t.kind = TokenKind::ControlWord;
    t.name = in_.substr(start, std::min(pos_ - start, kMaxNameLength));

    bool negative = false;
    if (pos_ < n && in_[pos_] == '-' && pos_ + 1 < n && isDigit(in_[pos_ + 1])) {
        negative = true;
        ++pos_;
    }
    if (pos_ < n && isDigit(in_[pos_])) {
        t.hasParam = true;
        std::int64_t v = 0;
        while (pos_ < n && isDigit(in_[pos_])) {
            if (v <= std::numeric_limits<std::int32_t>::max()) v = v * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (negative) v = -v;
        if (v > std::numeric_limits<std::int32_t>::max()) v = std::numeric_limits<std::int32_t>::max();
        if (v < std::numeric_limits<std::int32_t>::min()) v = std::numeric_limits<std::int32_t>::min();
        t.param = static_cast<std::int32_t>(v);
    }
    if (pos_ < n && in_[pos_] == ' ') ++pos_;

    // Binary data is skipped here, so that its bytes are never read as RTF.
    if (t.name == "bin" && t.hasParam) {
        const std::size_t len = t.param > 0 ? static_cast<std::size_t>(t.param) : 0;
        pos_ += std::min(len, n - pos_);
        t.kind = TokenKind::Binary;
    }
    return t;
}

}  // namespace ostrel::rtf
