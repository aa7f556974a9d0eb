#include "core/text/text_match.h"

namespace ostrel {

namespace {

// A byte that begins a word: the text's start, or after a character that
// is not a Latin or Cyrillic letter or a digit.
bool startsWord(std::string_view text, std::size_t at) {
    if (at == 0) return true;
    const auto prev = static_cast<unsigned char>(text[at - 1]);
    if (prev >= 0x80) {
        // A Cyrillic letter is a two-byte character led by 0xD0 or 0xD1.
        if (at < 2 || (prev & 0xC0) != 0x80) return true;
        const auto lead = static_cast<unsigned char>(text[at - 2]);
        return lead != 0xD0 && lead != 0xD1;
    }
    const bool alnum = (prev >= '0' && prev <= '9') || (prev >= 'a' && prev <= 'z') || (prev >= 'A' && prev <= 'Z');
    return !alnum;
}

}  // namespace

MatchRank matchRank(std::string_view text, std::string_view query) {
    if (query.empty()) return MatchRank::None;
    MatchRank best = MatchRank::None;
    for (std::size_t at = text.find(query); at != std::string_view::npos; at = text.find(query, at + 1)) {
        if (at == 0) return MatchRank::WholeText;
        if (startsWord(text, at)) best = MatchRank::WordStart;
        else if (best == MatchRank::None) best = MatchRank::Inside;
    }
    return best;
}

std::size_t characterCount(std::string_view utf8) {
    std::size_t n = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace ostrel
