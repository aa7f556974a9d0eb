// vCard files of any content: read, and what was read written and read
// again to the same cards.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/exchange/vcard_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrel::exchange;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CardRead first;
    try {
        first = readCards(text);
    } catch (const ExchangeError&) {
        return 0;
    }
    if (first.cards.empty()) return 0;  // nothing to write
    const CardRead second = readCards(writeCards(first.cards));
    if (second.cards.size() != first.cards.size()) __builtin_trap();
    for (std::size_t i = 0; i < first.cards.size(); ++i) {
        const Card& a = first.cards[i];
        const Card& b = second.cards[i];
        if (a.uid != b.uid || a.photo != b.photo || a.group != b.group || a.birthday != b.birthday) __builtin_trap();
    }
    (void)fromBase64(text);
    return 0;
}
