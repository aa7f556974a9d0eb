#include "ui/unit_list.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>

#include "ui/languages.h"

namespace ostrel {

void nameUnitsByCount(QComboBox* list, QSpinBox* count, const QList<PeriodUnit>& units) {
    list->clear();
    for (qsizetype i = 0; i < units.size(); ++i) list->addItem(QString());
    const auto name = [list, count, units] {
        for (qsizetype i = 0; i < units.size() && i < list->count(); ++i) {
            const QString text = unitInListForCount(count->value(), units[i]);
            if (list->itemText(static_cast<int>(i)) != text) list->setItemText(static_cast<int>(i), text);
        }
    };
    name();
    QObject::connect(count, &QSpinBox::valueChanged, list, name);
    QObject::connect(&languageNotifier(), &LanguageNotifier::languageApplied, list, name);
}

int unitListWidth(const QComboBox* list, const QList<PeriodUnit>& units) {
    const QFontMetrics fm(list->font());
    int widest = 0;
    for (const PeriodUnit unit : units)
        for (const int count : {1, 2, 5})
            widest = std::max(widest, fm.horizontalAdvance(unitInListForCount(count, unit)));
    QStyleOptionComboBox option;
    option.initFrom(list);
    return list->style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(widest, fm.height()), list).width();
}

void nameUnitByCount(QLabel* label, QSpinBox* count, PeriodUnit unit) {
    const auto name = [label, count, unit] { label->setText(unitInListForCount(count->value(), unit)); };
    name();
    QObject::connect(count, &QSpinBox::valueChanged, label, name);
    QObject::connect(&languageNotifier(), &LanguageNotifier::languageApplied, label, name);
}

}  // namespace ostrel
