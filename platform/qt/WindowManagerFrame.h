#pragma once

#include <QMargins>
#include <optional>

class QWindow;

namespace forms::qt {

// The frame the window manager will put around a window that is not shown yet, when the window
// system can tell (an X11 window manager that answers frame-extent requests). A window laid out
// for that frame is drawn at its final size from the first frame on, instead of being resized
// once the frame turns up. The request goes out early and the answer is read when it is needed,
// so the window manager's round trip overlaps the window's own building.
// Whether the request went out (the window manager says it answers such requests).
bool requestFrame(QWindow* window);
// The answer, waited for a little while; none when it does not come.
std::optional<QMargins> requestedFrame(QWindow* window);

} // namespace forms::qt
