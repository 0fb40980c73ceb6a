#include "app/FixedSize.h"

namespace app {

void holdOuterSize(forms::Window& window, forms::OuterSize size) {
    if (window.windowState() != forms::WindowState::Normal)
        return;
    const float height = window.height();
    if (height < size.height || height > size.height)
        window.setHeight(size.height);
    const float width = window.width();
    if (width < size.width || width > size.width)
        window.setWidth(size.width);
}

} // namespace app
