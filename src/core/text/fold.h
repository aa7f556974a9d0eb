#pragma once
// Text folded for matching: Latin and Cyrillic letters in lower case, "ё"
// read as "е". Every other byte is kept as it is, so invalid UTF-8 passes
// through unchanged and the result never grows.

#include <string>
#include <string_view>

namespace ostrel {

std::string foldForMatch(std::string_view utf8);

}  // namespace ostrel
