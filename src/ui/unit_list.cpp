#include "ui/unit_list.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include "ui/languages.h"

namespace ostrel {

void nameUnitsByCount(QComboBox* list, QSpinBox* count, const QList<PeriodUnit>& units) {
    list->clear();
    for (qsizetype i = 0; i < units.size(); ++i) list->addItem(QString());
    const auto name = [list, count, units] {
        for (qsizetype i = 0; i < units.size() && i < list->count(); ++i) {
            const QString text = UnitInListForCount(count->value(), units[i]);
            if (list->itemText(static_cast<int>(i)) != text) list->setItemText(static_cast<int>(i), text);
        }
    };
    name();
    QObject::connect(count, &QSpinBox::valueChanged, list, name);
    QObject::connect(&languageNotifier(), &LanguageNotifier::languageApplied, list, name);
}

void nameUnitByCount(QLabel* label, QSpinBox* count, PeriodUnit unit) {
    const auto name = [label, count, unit] { label->setText(UnitInListForCount(count->value(), unit)); };
    name();
    QObject::connect(count, &QSpinBox::valueChanged, label, name);
    QObject::connect(&languageNotifier(), &LanguageNotifier::languageApplied, label, name);
}

}  // namespace ostrel
