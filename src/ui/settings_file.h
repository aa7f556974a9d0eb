#pragma once
// The settings file beside the executable (its path with ".ini"), opened
// afresh by every operation that reads or writes it.

#include <QString>

#include <functional>

#include "core/settings/ini_file.h"

namespace ostrel {

// The settings file of this program.
IniFile settingsFile();

// Runs one operation on the settings file as one batch: its writes reach the
// file together in one replace when it returns (nothing is written when an
// error leaves it, nor when the text stays the same). When the file cannot
// be read or written (IniError), the failure is reported and the
// application is asked to end (reportSettingsFileFailure), the rest of the
// operation is skipped and false is returned. Other errors pass through.
bool withSettingsFile(const std::function<void(IniFile&)>& operation);

// A warning box with the text of "ErrorOnLoad" formatted with "config",
// followed by the reason (which names the file), and the caption "Ostrel
// Organizer"; then the application is asked to end with
// exit code 1. The request is queued: it takes effect in the run loop, also
// when the failure happens during start-up before the loop has begun. Once
// the end has been requested, later failures are not reported again.
void reportSettingsFileFailure(const QString& reason = {});

// Deletes what saves killed part-way left beside the settings file.
void removeSettingsLeftovers();

// Whether a settings-file failure has asked the application to end.
bool settingsFileFailed();
void resetSettingsFileFailureForTesting();

}  // namespace ostrel
