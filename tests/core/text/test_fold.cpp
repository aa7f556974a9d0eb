// Text folded for matching: Latin and Cyrillic case, "ё" as "е", and
// everything else byte for byte.

#include <gtest/gtest.h>

#include <string>

#include "core/text/fold.h"

using namespace ostrel;

TEST(FoldForMatch, LatinAndCyrillicFoldOtherBytesPass) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"Dentist TOMORROW", "dentist tomorrow"},
        {"ЗАВТРА Встреча", "завтра встреча"},
        {"Ёлка ёж", "елка еж"},
        {"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ", "абвгдежзийклмнопрстуфхцчшщъыьэюя"},
        {"ЀЂЇЏ", "ѐђїџ"},
        {"Straße Ä 9:00 №5", "straße Ä 9:00 №5"},  // other letters unchanged, never longer
        {std::string("\xD0", 1), std::string("\xD0", 1)},                // a lead byte at the end
        {std::string("\xD0\x41", 2), std::string("\xD0\x61", 2)},        // a lead byte before ASCII
        {std::string("a\xFF\xD1", 3), std::string("a\xFF\xD1", 3)},
    };
    for (const auto& c : cases) EXPECT_EQ(foldForMatch(c.in), c.out) << c.in;
}
