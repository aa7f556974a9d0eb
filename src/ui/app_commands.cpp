#include "ui/app_commands.h"

#include <QCoreApplication>

#include <utility>

namespace ostrel {

namespace {
std::function<void(AppCommand)>& handler() {
    static std::function<void(AppCommand)> h;
    return h;
}
std::function<void(AppItem, std::int64_t)>& itemHandler() {
    static std::function<void(AppItem, std::int64_t)> h;
    return h;
}
std::function<void(double)>& newTaskOnHandler() {
    static std::function<void(double)> h;
    return h;
}
bool g_terminate = false;
}  // namespace

void runCommand(AppCommand command) {
    if (handler()) handler()(command);
}

void setCommandHandler(std::function<void(AppCommand)> h) { handler() = std::move(h); }

void openItem(AppItem item, std::int64_t id) {
    if (itemHandler()) itemHandler()(item, id);
}

void setItemHandler(std::function<void(AppItem, std::int64_t)> h) { itemHandler() = std::move(h); }

void newTaskOn(double day) {
    if (newTaskOnHandler()) newTaskOnHandler()(day);
}

void setNewTaskOnHandler(std::function<void(double)> h) { newTaskOnHandler() = std::move(h); }

void requestTerminate() {
    g_terminate = true;
    if (QCoreApplication::instance()) QCoreApplication::quit();
}

bool terminateRequested() { return g_terminate; }

}  // namespace ostrel
