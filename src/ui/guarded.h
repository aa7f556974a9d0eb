#pragma once
// No error may leave a Qt slot. runGuarded runs a command and hands any
// error to the default error display (ui/error_display.h); the command stops
// and the program goes on. guarded(f) wraps a callable for connect():
//
//     connect(button, &QPushButton::clicked, this, guarded([this] { save(); }));
//
// OstrelApplication::notify stays as the last net for event handlers.

#include <exception>
#include <utility>

#include "ui/error_display.h"

namespace ostrel {

// Runs command; true when it ended without an error.
template <class F>
bool runGuarded(F&& command) noexcept {
    try {
        std::forward<F>(command)();
        return true;
    } catch (...) {
        try {
            showCurrentError();
        } catch (...) {
            // The error display itself failed: nothing more can be shown.
        }
        return false;
    }
}

// A callable for connect() that runs f through runGuarded; the signal's
// arguments are dropped.
template <class F>
auto guarded(F f) {
    return [f = std::move(f)](auto&&...) mutable noexcept { runGuarded(f); };
}

// The same for a member function of a receiver: guarded(this, &Window::save).
template <class T, class R>
auto guarded(T* receiver, R (T::*method)()) {
    return [receiver, method](auto&&...) noexcept { runGuarded([&] { (receiver->*method)(); }); };
}

}  // namespace ostrel
