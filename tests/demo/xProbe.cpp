// x-probe cursor: "hidden" when the cursor now shown has no visible pixel, else "visible" (XFixes
// is the only outside view of a hidden cursor). x-probe close ID: asks window ID to close as a
// window manager's close button does (WM_DELETE_WINDOW). Exit status 2 when that cannot be done.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    Display* display = argc == 2 || argc == 3 ? XOpenDisplay(nullptr) : nullptr;
    int status = 2, eventBase = 0, errorBase = 0;
    if (display && argc == 2 && !std::strcmp(argv[1], "cursor") && XFixesQueryExtension(display, &eventBase, &errorBase)) {
        XFixesCursorImage* image = XFixesGetCursorImage(display);
        // Each pixel is ARGB in an unsigned long.
        const bool visible = image != nullptr && std::any_of(image->pixels, image->pixels + image->width * image->height,
                                                             [](unsigned long argb) { return argb >> 24 != 0; });
        if (image != nullptr) status = std::printf("%s\n", visible ? "visible" : "hidden") > 0 ? 0 : 2;
        XFree(image);
    } else if (display && argc == 3 && !std::strcmp(argv[1], "close")) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = std::strtoul(argv[2], nullptr, 0);
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        status = XSendEvent(display, event.xclient.window, False, NoEventMask, &event) != 0 ? 0 : 2;
        XSync(display, False);
    }
    if (display) XCloseDisplay(display);
    return status;
}
