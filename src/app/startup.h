#pragma once

namespace ostrel {

// The whole program: instance guard, start-up in its fixed order, the run
// loop and shut-down. Returns the process exit code.
int runOrganizer(int argc, char** argv);

}  // namespace ostrel
