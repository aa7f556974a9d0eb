#include "ui/app_commands.h"

#include <utility>

namespace ostrel {

namespace {
std::function<void(AppCommand)>& handler() {
    static std::function<void(AppCommand)> h;
    return h;
}
}  // namespace

void runCommand(AppCommand command) {
    if (handler()) handler()(command);
}

void setCommandHandler(std::function<void(AppCommand)> h) {
    handler() = std::move(h);
}

}  // namespace ostrel
