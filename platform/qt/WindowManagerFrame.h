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
class FrameRequest {
public:
    // Sends the request; nothing where the window system cannot tell, or the window is shown.
    explicit FrameRequest(QWindow* window);
    ~FrameRequest();
    FrameRequest(const FrameRequest&) = delete;
    FrameRequest& operator=(const FrameRequest&) = delete;

    // The answer, waited for a little while; none when the window manager does not answer such
    // requests or the answer does not come. Read once.
    std::optional<QMargins> answer();

private:
    QWindow* window_;
    // X11 atoms, and the pending read of what the window manager says it supports (0: none).
    unsigned request_ = 0;
    unsigned extents_ = 0;
    unsigned supported_ = 0;
};

} // namespace forms::qt
