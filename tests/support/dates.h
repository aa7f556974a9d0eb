#pragma once
// Date-time values for tests, written as calendar dates.

#include "core/time/datetime.h"

namespace ostrel::testing {

inline DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return encodeDateTime({{y, mo, d}, {h, mi, s, ms}});
}

}  // namespace ostrel::testing
