#include "platform/qt/base/x11_connection.h"

#include <QGuiApplication>
#include <QSysInfo>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include <xcb/xcb.h>

#include "platform/qt/base/lifetime.h"

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

// Whether a window holds its pixels as a Format_RGB32 image does, asked
// once a window: depth 24 or 32 (red, green and blue in 24 bits of a
// 32-bit pixel, least significant byte first), in a true-colour visual.
bool HoldsRgb32(xcb_connection_t* connection, xcb_window_t window, std::uint8_t& depth) {
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    bool holds = false;
    if (geometry != nullptr && attributes != nullptr) {
        depth = geometry->depth;
        const xcb_setup_t* setup = xcb_get_setup(connection);
        bool pixelsOf32Bits = false;
        for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem > 0;
             xcb_format_next(&format)) {
            if (format.data->depth == depth)
                pixelsOf32Bits =
                    format.data->bits_per_pixel == 32 && format.data->scanline_pad == 32;
        }
        bool rgbVisual = false;
        for (auto screen = xcb_setup_roots_iterator(setup); screen.rem > 0;
             xcb_screen_next(&screen)) {
            for (auto depths = xcb_screen_allowed_depths_iterator(screen.data); depths.rem > 0;
                 xcb_depth_next(&depths)) {
                for (auto visual = xcb_depth_visuals_iterator(depths.data); visual.rem > 0;
                     xcb_visualtype_next(&visual)) {
                    if (visual.data->visual_id != attributes->visual) continue;
                    rgbVisual = visual.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                                visual.data->red_mask == 0xFF0000 &&
                                visual.data->green_mask == 0xFF00 && visual.data->blue_mask == 0xFF;
                }
            }
        }
        holds = (depth == 24 || depth == 32) && pixelsOf32Bits && rgbVisual &&
                setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST &&
                QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    }
    std::free(geometry);
    std::free(attributes);
    return holds;
}

// What the puts keep from one to the next, for the application's life: the
// connection (asking Qt for it costs more than the put), each window's
// depth as found (no value when its pixels are held otherwise), and a
// graphics context for each depth, which serves every window of that depth.
struct X11Puts {
    xcb_connection_t* connection = nullptr;
    std::map<xcb_window_t, std::optional<std::uint8_t>> depths;
    std::map<std::uint8_t, xcb_gcontext_t> contexts;
};

X11Puts& Puts() {
    static auto* puts = new X11Puts();  // kept: see lifetime.h
    return *puts;
}

// The connection goes with the application; a later one starts afresh.
void ForgetX11Puts() { Puts() = X11Puts(); }

std::optional<std::uint8_t> Rgb32DepthOf(xcb_connection_t* connection, xcb_window_t window) {
    auto& depths = Puts().depths;
    const auto known = depths.find(window);
    if (known != depths.end()) return known->second;
    std::uint8_t depth = 0;
    const std::optional<std::uint8_t> found =
        HoldsRgb32(connection, window, depth) ? std::optional(depth) : std::nullopt;
    depths.emplace(window, found);
    return found;
}

xcb_gcontext_t ContextFor(xcb_connection_t* connection, xcb_window_t window, std::uint8_t depth) {
    auto& contexts = Puts().contexts;
    const auto known = contexts.find(depth);
    if (known != contexts.end()) return known->second;
    const xcb_gcontext_t context = xcb_generate_id(connection);
    xcb_create_gc(connection, context, window, 0, nullptr);
    contexts.emplace(depth, context);
    return context;
}

}  // namespace

bool PutImageOnX11Window(WId window, const QImage& image, const QRect& part, const QPoint& to) {
    X11Puts& puts = Puts();
    if (puts.connection == nullptr) {
        puts.connection = X11Connection();
        CleanUpAtLayerEnd(LayerStage::Caches, ForgetX11Puts);
    }
    xcb_connection_t* connection = puts.connection;
    if (connection == nullptr || window == 0 || image.format() != QImage::Format_RGB32 ||
        part.isEmpty() || !image.rect().contains(part)) {
        return false;
    }
    const auto target = static_cast<xcb_window_t>(window);
    const std::optional<std::uint8_t> depth = Rgb32DepthOf(connection, target);
    const auto rowBytes = static_cast<std::size_t>(part.width()) * 4;
    const std::size_t bytes = rowBytes * static_cast<std::size_t>(part.height());
    // One request, well within what any server takes (the length counts
    // 4-byte units, the request's own 24 bytes among them).
    constexpr std::size_t LARGEST_PUT = 64 * 1024;
    const QRect onWindow(to, part.size());
    const QRect coordinates(QPoint(INT16_MIN, INT16_MIN), QPoint(INT16_MAX, INT16_MAX));
    if (!depth || bytes > LARGEST_PUT || !coordinates.contains(onWindow) ||
        bytes + 24 > std::size_t{xcb_get_maximum_request_length(connection)} * 4) {
        return false;
    }
    static auto* rows = new std::vector<std::uint8_t>();  // kept: see lifetime.h
    rows->resize(bytes);
    for (int row = 0; row < part.height(); ++row) {
        std::memcpy(rows->data() + static_cast<std::size_t>(row) * rowBytes,
                    image.constScanLine(part.top() + row) + std::size_t(part.left()) * 4, rowBytes);
    }
    xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, target,
                  ContextFor(connection, target, *depth), static_cast<std::uint16_t>(part.width()),
                  static_cast<std::uint16_t>(part.height()), static_cast<std::int16_t>(to.x()),
                  static_cast<std::int16_t>(to.y()), 0, *depth, static_cast<std::uint32_t>(bytes),
                  rows->data());
    // Sent with whatever else the tick asks of the display, before the loop
    // sleeps (FlushX11Requests): the server, woken by it, then runs while
    // this process waits rather than in the middle of its tick.
    return true;
}

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
