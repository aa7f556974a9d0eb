#include "ui/help_link.h"

#include <utility>

namespace ostrel {
namespace {
std::function<void(int)> g_context;
std::function<void()> g_contents;
}  // namespace

void ShowHelpContext(int context) {
    if (g_context) g_context(context);
}

void ShowHelpContents() {
    if (g_contents) g_contents();
}

void setHelpHandlers(std::function<void(int)> context, std::function<void()> contents) {
    g_context = std::move(context);
    g_contents = std::move(contents);
}

}  // namespace ostrel
