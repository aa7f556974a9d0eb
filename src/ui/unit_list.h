#pragma once
// Units named beside a count the user sets ("postpone by 10 minutes",
// "remind 1 day before"): each names its unit in the form the count takes
// in the current language (unitInListForCount), and follows the count and
// every change of the language. A language file therefore names no items
// of these lists.

#include <QList>

#include "core/data/period.h"

class QComboBox;
class QLabel;
class QSpinBox;

namespace ostrel {

// Item i of the list names units[i]; the list gets its items here.
void nameUnitsByCount(QComboBox* list, QSpinBox* count, const QList<PeriodUnit>& units);
// The label names one unit.
void nameUnitByCount(QLabel* label, QSpinBox* count, PeriodUnit unit);
// The width the list needs to show every form of its units in the current
// language whole (a list box cuts its text without an ellipsis).
int unitListWidth(const QComboBox* list, const QList<PeriodUnit>& units);

}  // namespace ostrel
