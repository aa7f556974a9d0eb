// The quick-add line: any bytes in either language at a present taken from
// the input. A line read as a task is due inside the service range, its
// title and every phrase read come from the line, and folding never makes
// text longer.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/text/fold.h"
#include "core/time/quick_add.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const auto language = (data[0] & 1) ? ostrel::QuickAddLanguage::Russian : ostrel::QuickAddLanguage::English;
    // A present from 1901 to about 2080, with a time of day.
    const double now = 365.0 + (static_cast<unsigned>(data[1]) << 8 | data[2]) + (data[0] >> 1) / 128.0;
    const std::string_view line(reinterpret_cast<const char*>(data + 3), size - 3);

    if (ostrel::foldForMatch(line).size() != line.size()) std::abort();

    const ostrel::QuickAddResult r = ostrel::parseQuickAdd(line, now, language);
    if (r.title.size() > line.size()) std::abort();
    for (const auto& phrase : r.understood)
        if (line.find(phrase) == std::string_view::npos) std::abort();
    // A moment already past names its day and its time, which may lie apart.
    for (const auto& issue : r.issues) {
        std::string_view rest = issue.fragment;
        while (!rest.empty()) {
            const auto space = rest.find(' ');
            if (line.find(rest.substr(0, space)) == std::string_view::npos) std::abort();
            rest = space == std::string_view::npos ? std::string_view{} : rest.substr(space + 1);
        }
    }
    if (r.isTask()) {
        if (!ostrel::inServiceRange(r.due) || r.due < now - 1.0 / 86400.0) std::abort();
        if (r.title.empty()) std::abort();
        if ((r.repeatUnit == ostrel::puNone) != (r.repeatCount == 0)) std::abort();
    }
    return 0;
}
