// Sends a window the close request a window manager sends when the user clicks
// the close button (a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW).
// Usage: xclose <window-id>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xclose <window-id>\n");
        return 2;
    }
    Display* Dpy = XOpenDisplay(nullptr);
    if (!Dpy) {
        std::fprintf(stderr, "xclose: cannot open display\n");
        return 1;
    }
    Window Target = Window(std::strtoul(argv[1], nullptr, 0));
    XEvent Event{};
    Event.xclient.type = ClientMessage;
    Event.xclient.window = Target;
    Event.xclient.message_type = XInternAtom(Dpy, "WM_PROTOCOLS", False);
    Event.xclient.format = 32;
    Event.xclient.data.l[0] = long(XInternAtom(Dpy, "WM_DELETE_WINDOW", False));
    Event.xclient.data.l[1] = CurrentTime;
    Status Sent = XSendEvent(Dpy, Target, False, NoEventMask, &Event);
    XSync(Dpy, False);
    XCloseDisplay(Dpy);
    return Sent ? 0 : 1;
}
