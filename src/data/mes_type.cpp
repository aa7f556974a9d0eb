#include "data/mes_type.h"

namespace ostrel {

namespace {

struct Code {
    MesType type;
    std::int64_t stored;
};

constexpr Code kCodes[] = {
    {mtOnceAtTime, 0},          {mtPlan, 1}, {mtHoliday, 2}, {mtOnceAfterStart, 3}, {mtOnceAtTimeDone, 10},
    {mtOnceAfterStartDone, 13},
};

}  // namespace

MesType mesTypeFromStored(std::int64_t stored) {
    for (const Code& c : kCodes)
        if (c.stored == stored) return c.type;
    return mtUnknown;
}

std::int64_t storedMesType(MesType type) {
    for (const Code& c : kCodes)
        if (c.type == type) return c.stored;
    return -1;
}

std::string storedMesTypeList(std::initializer_list<MesType> types) {
    std::string list = "(";
    for (const MesType t : types) {
        if (list.size() > 1) list += ", ";
        list += std::to_string(storedMesType(t));
    }
    return list + ")";
}

}  // namespace ostrel
