// The floor under any toolkit: one plain X window of the program's size, filled on every expose.

#include <X11/Xlib.h>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 608, 443, 0,
                                              BlackPixel(display, screen), WhitePixel(display, screen));
    // Like a toolkit's window, no background for the server to paint: the first pixels are ours.
    XSetWindowBackgroundPixmap(display, window, None);
    XStoreName(display, window, "floor");
    XSelectInput(display, window, ExposureMask);
    XMapWindow(display, window);
    const GC gc = DefaultGC(display, screen);
    XSetForeground(display, gc, 0x2e7d32);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == Expose && event.xexpose.count == 0)
            XFillRectangle(display, window, gc, 0, 0, 608, 443);
    }
}
