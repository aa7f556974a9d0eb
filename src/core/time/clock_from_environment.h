#pragma once
// A clock set from the environment, so that a test can run the whole
// program at a present of its choosing:
//
//   OSTREL_CLOCK_START=<date-time>   the present at start-up, as the serial
//                                    date-time number (days since 1899-12-30)
//   OSTREL_CLOCK_UPTIME_MS=<ms>      time since system start at start-up
//
// From there both run on with the machine's monotonic clock. Without
// OSTREL_CLOCK_START nothing changes.

namespace ostrel {

// Installs the clock when OSTREL_CLOCK_START holds a date-time within the
// years 100..9999; returns whether it did.
bool installClockFromEnvironment();

}  // namespace ostrel
