#pragma once
// The small tool pictures shared by the list windows, the day-info panel and
// the contact editor. Index: 0 not assigned, 1 family, 2 job, 3 friends,
// 4 view, 5 edit, 6 add, 7 delete, 8 fold, 9 unfold.

#include <QIcon>

namespace ostrel {

inline constexpr int kToolIconCount = 10;
QIcon toolIcon(int index);

}  // namespace ostrel
