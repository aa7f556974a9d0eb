#pragma once
// Tests create the program's long-lived windows and the data module by hand
// and must leave the global references empty behind them.

namespace ostrel::testing {

// Deletes the object behind a global reference and clears the reference.
template <class T>
void destroyGlobal(T*& reference) {
    delete reference;
    reference = nullptr;
}

}  // namespace ostrel::testing
