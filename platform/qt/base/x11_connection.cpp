#include "platform/qt/base/x11_connection.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <xcb/xcb.h>

namespace platform::qt {

namespace {

xcb_connection_t* X11Connection() {
    const auto* x11 = qGuiApp != nullptr
                          ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                          : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

xcb_window_t RootOf(xcb_connection_t* connection) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    return screens.rem > 0 ? screens.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

// A window manager that follows EWMH names its check window on the root.
bool WindowManagerRuns(xcb_connection_t* connection, xcb_window_t root) {
    const xcb_atom_t check = Atom(connection, "_NET_SUPPORTING_WM_CHECK");
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
    const bool runs = reply != nullptr && xcb_get_property_value_length(reply) == 4;
    std::free(reply);
    return runs;
}

}  // namespace

bool ActivateX11Window(WId window) {
    xcb_connection_t* connection = X11Connection();
    if (connection == nullptr || window == 0) return false;
    const xcb_window_t root = RootOf(connection);
    const auto target = static_cast<xcb_window_t>(window);
    if (!WindowManagerRuns(connection, root)) {
        // The map requested before this is done by the time the server reads
        // this request: with no manager in between, the window is viewable.
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, target, XCB_CURRENT_TIME);
        return true;
    }
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = target;
    event.type = Atom(connection, "_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2;  // source: a pager, on behalf of the user
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    return true;
}

std::optional<WId> X11InputFocus() {
    xcb_connection_t* connection = X11Connection();
    if (connection == nullptr) return std::nullopt;
    xcb_generic_error_t* error = nullptr;
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), &error);
    std::free(error);
    if (reply == nullptr) return WId{0};
    const WId focus = reply->focus;
    std::free(reply);
    // None and PointerRoot name no window of any program.
    return focus == XCB_NONE || focus == XCB_INPUT_FOCUS_POINTER_ROOT ? WId{0} : focus;
}

void FlushX11Requests() {
    if (xcb_connection_t* connection = X11Connection()) xcb_flush(connection);
}

}  // namespace platform::qt
