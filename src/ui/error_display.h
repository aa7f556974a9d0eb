#pragma once
// The default error display: an error that escapes a command is shown here,
// the command stops and the program goes on.

#include <QString>

#include <exception>

namespace ostrel {

// The text shown for an error (its what(), or a generic text).
QString errorText(const std::exception_ptr& error);
// Shows the error's text in a message box through the dialog service.
void showError(const QString& text);
void showError(const std::exception& error);
// Shows the error that is being handled (call from a catch block).
void showCurrentError();

}  // namespace ostrel
