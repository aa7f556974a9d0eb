#pragma once
// The [Reminders] keys of the settings model:
//   Notify        1: each reminder window is also shown as a desktop
//                 notification; the default is 1 where a notifications
//                 service answers when the program starts, otherwise 0.
//   Sound         1: a sound is played with a reminder (default 0).
//   BirthdayDays  how many days ahead a birthday is reminded of; 0: never
//                 (default 1).

#include <QString>

namespace ostrel {

inline const QString kRemindersSection = QStringLiteral("Reminders");

// The largest BirthdayDays taken; a larger value counts as this one.
inline constexpr int kMaxBirthdayDays = 30;

// Declares the keys; Notify's default is notifyDefault.
void declareReminderSettings(bool notifyDefault);
// Declares the keys not declared yet (Notify's default then is 1).
void declareReminderSettings();

bool reminderNotifyOn();
bool reminderSoundOn();
// 0..kMaxBirthdayDays (a negative value counts as 0).
int reminderBirthdayDays();

}  // namespace ostrel
