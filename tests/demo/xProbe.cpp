// x-probe cursor: "hidden" when the cursor now shown has no visible pixel, else "visible" (XFixes
// is the only outside view of a hidden cursor). x-probe close ID: asks window ID to close as a
// window manager's close button does (WM_DELETE_WINDOW). Exit status 2 when that cannot be done.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    const bool cursor = argc == 2 && std::strcmp(argv[1], "cursor") == 0;
    const unsigned long id = argc == 3 && std::strcmp(argv[1], "close") == 0 ? std::strtoul(argv[2], nullptr, 0) : 0;
    Display* display = cursor || id != 0 ? XOpenDisplay(nullptr) : nullptr;
    if (display == nullptr) {
        std::fprintf(stderr, "usage: x-probe cursor | x-probe close WINDOW_ID, with a display to open\n");
        return 2;
    }
    int status = 2, eventBase = 0, errorBase = 0;
    if (cursor && XFixesQueryExtension(display, &eventBase, &errorBase)) {
        XFixesCursorImage* image = XFixesGetCursorImage(display);
        bool visible = false;
        // Each pixel is ARGB in an unsigned long.
        for (unsigned long i = 0; image != nullptr && i < 1ul * image->width * image->height && !visible; ++i)
            visible = (image->pixels[i] >> 24) != 0;
        std::printf("%s\n", visible ? "visible" : "hidden");
        status = image != nullptr ? 0 : 2;
        XFree(image);
    } else if (!cursor) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = id;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        status = XSendEvent(display, id, False, NoEventMask, &event) != 0 ? 0 : 2;
        XSync(display, False);
    }
    XCloseDisplay(display);
    return status;
}
