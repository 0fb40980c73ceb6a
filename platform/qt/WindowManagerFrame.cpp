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
#include <iterator>
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

Reply<xcb_get_property_reply_t> property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name,
                                         uint32_t longs) {
    return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, XCB_ATOM_ANY, 0, longs), nullptr));
}

xcb_connection_t* x11Connection() {
    // Other platforms may offer the X11 interface too (offscreen does) without an X11 window.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

} // namespace

// Every round trip here is one the first frame waits for: the three names and the root are asked
// for together, and the window manager's list of what it supports is read with the answer. A
// window manager that does not support the request ignores it.
FrameRequest::FrameRequest(QWindow* window)
    : window_(window) {
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window || window->isVisible())
        return;
    const auto id = xcb_window_t(window->winId());
    const auto intern = [connection](const char* name) {
        return xcb_intern_atom(connection, 1, uint16_t(std::strlen(name)), name);
    };
    const xcb_intern_atom_cookie_t cookies[] = {intern("_NET_REQUEST_FRAME_EXTENTS"),
                                                intern("_NET_FRAME_EXTENTS"), intern("_NET_SUPPORTED")};
    const xcb_query_tree_cookie_t treeCookie = xcb_query_tree(connection, id);
    xcb_atom_t atoms[3] = {};
    for (int index = 0; index < 3; ++index) {
        const Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection, cookies[index], nullptr));
        atoms[index] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, treeCookie, nullptr));
    if (!tree || std::find(std::begin(atoms), std::end(atoms), xcb_atom_t(XCB_ATOM_NONE)) != std::end(atoms))
        return;

    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = atoms[0];
    xcb_send_event(connection, 0, tree->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    supported_ = xcb_get_property(connection, 0, tree->root, atoms[2], XCB_ATOM_ATOM, 0, 1024).sequence;
    xcb_flush(connection);
    request_ = atoms[0];
    extents_ = atoms[1];
}

FrameRequest::~FrameRequest() {
    if (xcb_connection_t* connection = supported_ ? x11Connection() : nullptr)
        xcb_discard_reply(connection, supported_);
}

std::optional<QMargins> FrameRequest::answer() {
    xcb_connection_t* connection = supported_ ? x11Connection() : nullptr;
    if (!connection)
        return std::nullopt;
    const Reply<xcb_get_property_reply_t> supported(
        xcb_get_property_reply(connection, xcb_get_property_cookie_t{supported_}, nullptr));
    supported_ = 0;
    // Asking one that does not answer would only wait out the timeout.
    if (!supported || supported->format != 32)
        return std::nullopt;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(supported.get()));
    const int count = xcb_get_property_value_length(supported.get()) / int(sizeof(xcb_atom_t));
    if (std::find(atoms, atoms + count, request_) == atoms + count)
        return std::nullopt;
    // Qt reads the connection's events on a thread of its own; a property read here is a round
    // trip of our own and takes nothing from it.
    const auto deadline = std::chrono::steady_clock::now() + answerTimeout;
    do {
        const auto reply = property(connection, xcb_window_t(window_->winId()), extents_, 4);
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) == 16) {
            const auto* sides = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
            // Extents are device pixels; Qt's margins are device-independent ones.
            const qreal ratio = window_->devicePixelRatio();
            const auto logical = [ratio](uint32_t pixels) { return int(std::lround(pixels / ratio)); };
            return QMargins(logical(sides[0]), logical(sides[2]), logical(sides[1]), logical(sides[3]));
        }
        std::this_thread::sleep_for(pollInterval);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

#else
FrameRequest::FrameRequest(QWindow* window)
    : window_(window) {}

FrameRequest::~FrameRequest() = default;

std::optional<QMargins> FrameRequest::answer() {
    return std::nullopt;
}
#endif

} // namespace forms::qt
