#pragma once

namespace ostrel {

// Thrown by a step of start-up that ends the program before its run loop
// (the user declined to go on, or a quit was asked for while a start-up
// message was open): the windows made so far are destroyed the normal way,
// which saves what Exit saves, and the process ends with exitCode. Nothing
// is shown for it.
struct StartupEnded {
    int exitCode = 0;
};

// The whole program: instance guard, start-up in its fixed order, the run
// loop and shut-down. Returns the process exit code.
int runOrganizer(int argc, char** argv);

}  // namespace ostrel
