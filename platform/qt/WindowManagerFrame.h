#pragma once

#include <QMargins>
#include <optional>

class QWindow;

namespace forms::qt {

// The frame the window manager will put around a window that is not shown yet, when the window
// system can tell (an X11 window manager that answers frame-extent requests). A window laid out
// for that frame is drawn at its final size from the first frame on, instead of being resized
// once the frame turns up.
std::optional<QMargins> frameBeforeShow(QWindow* window);

} // namespace forms::qt
