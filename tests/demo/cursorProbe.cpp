// cursor-probe: prints "hidden" when the X cursor now shown (at the pointer) has no visible
// pixel, "visible" otherwise; exit status 2 when the display or XFixes is missing. A
// fullscreen demo hides the cursor; no other outside view of that exists.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>

int main()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cursor-probe: cannot open the display\n");
        return 2;
    }
    int eventBase = 0;
    int errorBase = 0;
    XFixesCursorImage* image =
        XFixesQueryExtension(display, &eventBase, &errorBase) ? XFixesGetCursorImage(display) : nullptr;
    if (image == nullptr) {
        std::fprintf(stderr, "cursor-probe: no cursor image (XFixes missing?)\n");
        XCloseDisplay(display);
        return 2;
    }
    bool visible = false;
    const unsigned long pixels = static_cast<unsigned long>(image->width) * image->height;
    // Each pixel is ARGB in an unsigned long.
    for (unsigned long i = 0; i < pixels && !visible; ++i) visible = (image->pixels[i] >> 24) != 0;
    std::printf("%s\n", visible ? "visible" : "hidden");
    XFree(image);
    XCloseDisplay(display);
    return 0;
}
