#pragma once

#include <QString>

namespace ostrel {

// Thrown by a step of start-up that ends the program before its run loop
// (the user declined to go on, or a quit was asked for while a start-up
// message was open): the windows made so far are destroyed the normal way,
// which saves what Exit saves, and the process ends with exitCode. Nothing
// is shown for it.
struct StartupEnded {
    int exitCode = 0;
};

// The platform to use in a Wayland session: "xcb" when an X server is
// reachable (DISPLAY) and the user chose none (QT_QPA_PLATFORM); nullptr to
// leave the choice to the toolkit (native Wayland without an X server).
const char* waylandSessionPlatform();

// The single-instance guard's key: per user and per data folder.
QString programInstanceKey();

// The whole program: instance guard, start-up in its fixed order, the run
// loop and shut-down. Returns the process exit code.
int runOrganizer(int argc, char** argv);

}  // namespace ostrel
