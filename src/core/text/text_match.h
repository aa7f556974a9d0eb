#pragma once
// Where a folded query (fold.h) stands in a folded text, as a rank: the
// smaller, the better the match.

#include <string_view>

namespace ostrel {

enum class MatchRank : int {
    WholeText = 0,  // the text starts with the query
    WordStart = 1,  // a word of the text starts with it
    Inside = 2,     // it stands inside a word
    None = 3,       // not found
};

// An empty query matches nothing.
MatchRank matchRank(std::string_view foldedText, std::string_view foldedQuery);

// The number of characters (code points) of UTF-8 text.
std::size_t characterCount(std::string_view utf8);

}  // namespace ostrel
