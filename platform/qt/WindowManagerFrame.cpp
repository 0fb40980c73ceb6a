#include "platform/qt/WindowManagerFrame.h"

#if defined(BRELUNDA_X11)
#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <xcb/xcb.h>
#endif

namespace forms::qt {

#if defined(BRELUNDA_X11)
namespace {

// A window manager that supports the request answers within a millisecond or two; one that is
// busy must not hold up the program's start for long. Past this the frame turns up after the
// first show, as it always does without the request.
constexpr auto answerTimeout = std::chrono::milliseconds(150);
constexpr auto pollInterval = std::chrono::milliseconds(1);

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

Reply<xcb_get_property_reply_t> property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name,
                                         uint32_t longs) {
    return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, XCB_ATOM_ANY, 0, longs), nullptr));
}

// Whether the running window manager says it answers the request; asking one that does not would
// only wait out the timeout.
bool answersRequests(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t request) {
    const xcb_atom_t supported = atom(connection, "_NET_SUPPORTED");
    if (supported == XCB_ATOM_NONE)
        return false;
    const auto reply = property(connection, root, supported, 1024);
    if (!reply || reply->format != 32)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / int(sizeof(xcb_atom_t));
    return std::find(atoms, atoms + count, request) != atoms + count;
}

} // namespace

namespace {
xcb_connection_t* x11Connection() {
    // Other platforms may offer the X11 interface too (offscreen does) without an X11 window.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}
} // namespace

bool requestFrame(QWindow* window) {
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window || window->isVisible())
        return false;
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t request = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    if (request == XCB_ATOM_NONE)
        return false;
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, id), nullptr));
    if (!tree || !answersRequests(connection, tree->root, request))
        return false;

    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, 0, tree->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    return true;
}

std::optional<QMargins> requestedFrame(QWindow* window) {
    xcb_connection_t* connection = x11Connection();
    const xcb_atom_t extents =
        connection ? atom(connection, "_NET_FRAME_EXTENTS") : xcb_atom_t(XCB_ATOM_NONE);
    if (extents == XCB_ATOM_NONE)
        return std::nullopt;
    // Qt reads the connection's events on a thread of its own; a property read here is a round
    // trip of our own and takes nothing from it.
    const auto deadline = std::chrono::steady_clock::now() + answerTimeout;
    do {
        const auto reply = property(connection, xcb_window_t(window->winId()), extents, 4);
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) == 16) {
            const auto* sides = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
            // Extents are device pixels; Qt's margins are device-independent ones.
            const qreal ratio = window->devicePixelRatio();
            const auto logical = [ratio](uint32_t pixels) { return int(std::lround(pixels / ratio)); };
            return QMargins(logical(sides[0]), logical(sides[2]), logical(sides[1]), logical(sides[3]));
        }
        std::this_thread::sleep_for(pollInterval);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

#else
bool requestFrame(QWindow*) {
    return false;
}

std::optional<QMargins> requestedFrame(QWindow*) {
    return std::nullopt;
}
#endif

} // namespace forms::qt
