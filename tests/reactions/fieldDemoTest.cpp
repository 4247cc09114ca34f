// The real binary under Xvfb on real Mesa: a synthetic module whose instrument 1 plays only in
// order 0 lights the top and bottom bands of the field while the core stays dark, and the field
// is dark again once the song has moved on. The window is read back from the X server while the
// demo runs.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/overlays/demoRun.h"

namespace {

constexpr int width = 1280;
constexpr int height = 720;

// Screen rows (from the top) and columns under the demo's projection for the particles that
// can be seen at the start depth (z 0..30, so 70..100 units away): the bands (home y >= 15 or
// <= -17) stay above row 256 and below row 477, even with the converging drift.
constexpr int topBandEnd = 250;
constexpr int bottomBandStart = 480;
constexpr int middleStart = 280, middleEnd = 460;
// The core (home x -9..7, y -7..5) covers about these columns and rows.
constexpr int coreLeft = 544, coreRight = 716, coreTop = 303, coreBottom = 437;
// A pixel inside the title card (red in the test bitmaps), from order 1 on.
constexpr int titleX = 640, titleY = 340;

struct Grab {
    double topLit, bottomLit;  // share of band pixels that show light
    int middleLit;             // pixels with light between the bands
    int coreLit;
    bool title;
};

int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

Window findWindow(Display* display, Window parent, const char* name)
{
    Window root, up, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* title = nullptr;
        if (XFetchName(display, children[i], &title) && title) {
            if (std::strcmp(title, name) == 0) found = children[i];
            XFree(title);
        }
        if (!found) found = findWindow(display, children[i], name);
    }
    if (children) XFree(children);
    return found;
}

bool lit(unsigned long pixel)
{
    // 24-bit TrueColor: any channel above a small floor counts as light.
    return ((pixel >> 16) & 0xFF) > 16 || ((pixel >> 8) & 0xFF) > 16 || (pixel & 0xFF) > 16;
}

bool grabWindow(Display* display, Window window, Grab& grab)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) return false;
    if (attributes.width != width || attributes.height != height) return false;
    XImage* image = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
    if (!image) return false;
    int top = 0, bottom = 0;
    grab.middleLit = grab.coreLit = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!lit(XGetPixel(image, x, y))) continue;
            if (y < topBandEnd) ++top;
            if (y >= bottomBandStart) ++bottom;
            if (y >= middleStart && y < middleEnd) ++grab.middleLit;
            if (x >= coreLeft && x <= coreRight && y >= coreTop && y <= coreBottom) ++grab.coreLit;
        }
    }
    grab.topLit = static_cast<double>(top) / (topBandEnd * width);
    grab.bottomLit = static_cast<double>(bottom) / ((height - bottomBandStart) * width);
    const unsigned long title = XGetPixel(image, titleX, titleY);
    grab.title = ((title >> 16) & 0xFF) > 200 && ((title >> 8) & 0xFF) < 50 && (title & 0xFF) < 50;
    XDestroyImage(image);
    return true;
}

// Order 0: instrument 1 every other row; orders 1 to 4 silent (the title shows in 1 and 2).
// 6 ticks at 125 BPM make 0.12 s a row, 7.7 s an order: the fade takes ten frames, and a
// busy machine under Xvfb may draw only one or two a second.
XmModule instrumentOneInOrderZero()
{
    XmModule module = blankModule(6, 125, 1);
    const int beats = addPattern(module, 64);
    for (int row = 0; row < 64; row += 2) addNote(module, beats, row, 1);
    const int silence = addPattern(module, 64);
    module.orders = {static_cast<uint8_t>(beats)};
    module.orders.insert(module.orders.end(), 4, static_cast<uint8_t>(silence));
    return module;
}

TEST(FieldDemo, InstrumentOneLightsTheBandsAndTheFieldGoesDarkAgain)
{
    const std::string folder = makeDemoFolder(instrumentOneInOrderZero());
    ASSERT_FALSE(folder.empty());
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "no X display (run under tests/support/with-xvfb)";
    XSetErrorHandler(ignoreXErrors);

    const pid_t demo = startDemo(folder, 120);
    ASSERT_GT(demo, 0);
    std::vector<Grab> grabs;
    int status = -1;
    Window window = 0;
    while (!demoEnded(demo, status)) {
        if (!window) window = findWindow(display, DefaultRootWindow(display), "strobarium by kelsot");
        Grab grab{};
        if (window && grabWindow(display, window, grab)) grabs.push_back(grab);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    XCloseDisplay(display);
    removeDemoFolder(folder);
    EXPECT_EQ(status, 0);

    // The field in order 0: both bands light up, nothing between them does.
    int firstLit = -1;
    for (int i = 0; i < static_cast<int>(grabs.size()); ++i) {
        const Grab& g = grabs[i];
        if (g.title) break;
        EXPECT_EQ(g.coreLit, 0) << "grab " << i;
        EXPECT_EQ(g.middleLit, 0) << "grab " << i;
        if (firstLit < 0 && g.topLit > 0.05 && g.bottomLit > 0.05) firstLit = i;
    }
    ASSERT_GE(firstLit, 0) << grabs.size() << " grabs, none with lit bands before the title";

    // Once the title has shown (order 1 on) no more hits come, and the field fades out completely.
    int dark = -1;
    bool afterOrderZero = false;
    for (int i = firstLit; i < static_cast<int>(grabs.size()) && dark < 0; ++i) {
        afterOrderZero = afterOrderZero || grabs[i].title;
        if (afterOrderZero && grabs[i].topLit == 0 && grabs[i].bottomLit == 0) dark = i;
    }
    EXPECT_GE(dark, 0) << grabs.size() << " grabs, lit from grab " << firstLit << ", never dark again";
    std::printf("%zu grabs: bands lit from grab %d, dark again from grab %d\n", grabs.size(), firstLit, dark);
}

}  // namespace
