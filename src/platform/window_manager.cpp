#include "platform/window_manager.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace ostrel {

namespace {

// The window a window's _NET_SUPPORTING_WM_CHECK names; 0 for none.
xcb_window_t checkWindowOf(xcb_connection_t* c, xcb_atom_t atom, xcb_window_t window) {
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
    if (!reply) return 0;
    xcb_window_t named = 0;
    if (reply->type == XCB_ATOM_WINDOW && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
        std::memcpy(&named, xcb_get_property_value(reply), sizeof named);
    std::free(reply);
    return named;
}

}  // namespace

bool windowManagerRunning() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return true;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return true;
    // The atom, once it exists, stays for the display's life: asked once
    // per connection.
    static xcb_connection_t* knownFor = nullptr;
    static xcb_atom_t atom = XCB_ATOM_NONE;
    if (knownFor != c || atom == XCB_ATOM_NONE) {
        static const char kName[] = "_NET_SUPPORTING_WM_CHECK";
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof kName - 1, kName), nullptr);
        if (!reply) return false;
        atom = reply->atom;
        knownFor = c;
        std::free(reply);
    }
    if (atom == XCB_ATOM_NONE) return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen) return false;
    // The root names the check window and the check window names itself;
    // a property left behind by a window manager that has ended names a
    // window that is gone.
    const xcb_window_t check = checkWindowOf(c, atom, screen->root);
    return check != 0 && checkWindowOf(c, atom, check) == check;
}

}  // namespace ostrel
