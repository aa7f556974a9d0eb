#include "ui/reminder_settings.h"

#include <algorithm>

#include "ui/settings_model.h"

namespace ostrel {

namespace {
const QString kNotify = QStringLiteral("Notify");
const QString kSound = QStringLiteral("Sound");
const QString kBirthdayDays = QStringLiteral("BirthdayDays");

void declareMissing(SettingsModel& s, const QString& key, int defaultValue) {
    if (!s.isDeclared(kRemindersSection, key)) s.declare(kRemindersSection, key, defaultValue);
}
}  // namespace

void declareReminderSettings(bool notifyDefault) {
    SettingsModel& s = settings();
    s.declare(kRemindersSection, kNotify, notifyDefault ? 1 : 0);
    declareMissing(s, kSound, 0);
    declareMissing(s, kBirthdayDays, 1);
}

void declareReminderSettings() {
    SettingsModel& s = settings();
    declareMissing(s, kNotify, 1);
    declareMissing(s, kSound, 0);
    declareMissing(s, kBirthdayDays, 1);
}

bool reminderNotifyOn() { return settings().value(kRemindersSection, kNotify).toLongLong() == 1; }

bool reminderSoundOn() { return settings().value(kRemindersSection, kSound).toLongLong() == 1; }

int reminderBirthdayDays() {
    const qlonglong days = settings().value(kRemindersSection, kBirthdayDays).toLongLong();
    return static_cast<int>(std::clamp<qlonglong>(days, 0, kMaxBirthdayDays));
}

}  // namespace ostrel
