// xwin_probe: drives and inspects a top-level X11 window from shell scripts,
// so that end-to-end tests can run a windowed program under Xvfb without a
// window manager. Run without arguments for usage.
//
// Exit status: 0 success, 1 failure (timeout, X error, bad file), 2 usage.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr auto kPollInterval = std::chrono::milliseconds(100);
constexpr double kMaxWaitSeconds = 3600.0;
constexpr long kMaxKeyHoldMs = 60 * 1000;
// Software GL and PNG round trips may be off by a few levels per channel.
constexpr int kColourTolerance = 8;
constexpr long kMaxTurnPixels = 2000;
constexpr long kMaxTurnSteps = 1000;
constexpr long kTurnPauseMs = 60;
constexpr int kMaxColourValue = 255;

const char* const kUsage =
    "usage:\n"
    "  xwin_probe wait <title-prefix> <timeout-seconds>\n"
    "  xwin_probe caption <window-id>\n"
    "  xwin_probe screenshot <window-id> <file.png>\n"
    "  xwin_probe key <window-id> <keysym-name> <milliseconds>\n"
    "  xwin_probe close <window-id>\n"
    "  xwin_probe turn <window-id> <dx-pixels> <times>\n"
    "  xwin_probe stats <file.png> <r> <g> <b>\n"
    "  xwin_probe diff <first.png> <second.png>\n"
    "  xwin_probe share <file.png> <x0> <y0> <x1> <y1> <r> <g> <b>\n"
    "  xwin_probe pixel <file.png> <x> <y>\n"
    "window ids are printed by 'wait' in decimal; 0x-prefixed hex is accepted too.\n";

[[gnu::format(printf, 1, 2)]] int fail(const char* format, ...) {
    std::fputs("xwin_probe: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return kExitFailure;
}

int usage() {
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

std::optional<long> parseLong(const char* text, long min, long max) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<double> parseSeconds(const char* text) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !(value >= 0.0) || value > kMaxWaitSeconds)
        return std::nullopt;
    return value;
}

std::optional<Window> parseWindowId(const char* text) {
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || value == 0 || text[0] == '-')
        return std::nullopt;
    return static_cast<Window>(value);
}

// Windows may be destroyed between listing and querying them; Xlib's default
// handler would then end the process. Record the error instead and let the
// caller decide after an XSync.
int gLastXError = Success;

int recordXError(Display*, XErrorEvent* event) {
    gLastXError = event->error_code;
    return 0;
}

std::string describeXError(Display* display, int code) {
    char text[256] = {};
    XGetErrorText(display, code, text, sizeof text);
    return text;
}

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr openDisplay() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        fail("DISPLAY is not set");
        return nullptr;
    }
    DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) {
        fail("cannot open display '%s'", name);
        return nullptr;
    }
    XSetErrorHandler(recordXError);
    return display;
}

std::optional<XWindowAttributes> attributesOf(Display* display, Window window) {
    XWindowAttributes attributes;
    gLastXError = Success;
    const Status ok = XGetWindowAttributes(display, window, &attributes);
    XSync(display, False);
    if (!ok || gLastXError != Success) return std::nullopt;
    return attributes;
}

// Opens the display and checks that the window exists; prints why not.
DisplayPtr openWithWindow(Window window) {
    DisplayPtr display = openDisplay();
    if (display && !attributesOf(display.get(), window)) {
        fail("no window with id %lu on this display", window);
        return nullptr;
    }
    return display;
}

std::optional<std::string> legacyName(Display* display, Window window) {
    XTextProperty property{};
    if (!XGetWMName(display, window, &property) || property.value == nullptr) return std::nullopt;
    std::optional<std::string> name;
    if (property.encoding == XA_STRING && property.format == 8) {
        name.emplace(reinterpret_cast<const char*>(property.value), property.nitems);
    } else {
        // COMPOUND_TEXT or UTF8_STRING: let Xlib convert.
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success && count > 0) {
            name.emplace(list[0]);
        }
        if (list != nullptr) XFreeStringList(list);
    }
    XFree(property.value);
    return name;
}

std::optional<std::string> ewmhName(Display* display, Window window) {
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    constexpr long kMaxNameLongs = 4096;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, netWmName, 0, kMaxNameLongs, False, utf8, &type, &format,
                           &count, &remaining, &data) != Success)
        return std::nullopt;
    std::optional<std::string> name;
    if (data != nullptr && type == utf8 && format == 8)
        name.emplace(reinterpret_cast<const char*>(data), count);
    if (data != nullptr) XFree(data);
    return name;
}

// WM_NAME is what the application under test sets; _NET_WM_NAME covers
// toolkits that only set the EWMH name.
std::optional<std::string> windowName(Display* display, Window window) {
    if (auto name = legacyName(display, window)) return name;
    return ewmhName(display, window);
}

void collectWindows(Display* display, Window parent, std::vector<Window>& out) {
    Window root = 0, grandParent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &grandParent, &children, &count)) return;
    for (unsigned int i = 0; i < count; ++i) {
        out.push_back(children[i]);
        collectWindows(display, children[i], out);
    }
    if (children != nullptr) XFree(children);
}

std::optional<Window> findViewableWindow(Display* display, const std::string& prefix) {
    std::vector<Window> windows;
    collectWindows(display, DefaultRootWindow(display), windows);
    for (const Window window : windows) {
        const auto name = windowName(display, window);
        if (!name || name->compare(0, prefix.size(), prefix) != 0) continue;
        const auto attributes = attributesOf(display, window);
        if (attributes && attributes->map_state == IsViewable) return window;
    }
    return std::nullopt;
}

int commandWait(const char* prefix, const char* timeoutText) {
    const auto timeout = parseSeconds(timeoutText);
    if (!timeout) return fail("timeout must be a number of seconds in [0, %g], got '%s'", kMaxWaitSeconds, timeoutText);
    DisplayPtr display = openDisplay();
    if (!display) return kExitFailure;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(*timeout);
    for (;;) {
        if (const auto window = findViewableWindow(display.get(), prefix)) {
            std::printf("%lu\n", *window);
            return kExitOk;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(kPollInterval);
    }
    return fail("no viewable window titled '%s...' within %g s", prefix, *timeout);
}

int commandCaption(Window window) {
    DisplayPtr display = openWithWindow(window);
    if (!display) return kExitFailure;
    const auto name = windowName(display.get(), window);
    if (!name) return fail("window %lu has no name", window);
    std::printf("%s\n", name->c_str());
    return kExitOk;
}

// Converts one channel of a TrueColor pixel to 8 bits, whatever the mask.
struct Channel {
    unsigned long mask;
    int shift = 0;
    unsigned long maxValue = 0;

    explicit Channel(unsigned long channelMask) : mask(channelMask) {
        while (mask != 0 && ((mask >> shift) & 1UL) == 0) ++shift;
        maxValue = mask >> shift;
    }
    std::uint8_t extract(unsigned long pixel) const {
        return static_cast<std::uint8_t>(((pixel & mask) >> shift) * kMaxColourValue / maxValue);
    }
};

bool writeRgbPng(const char* path, int width, int height, const std::vector<std::uint8_t>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr)) {
        fail("cannot write '%s': %s", path, image.message);
        return false;
    }
    return true;
}

int commandScreenshot(Window window, const char* path) {
    DisplayPtr display = openWithWindow(window);
    if (!display) return kExitFailure;
    Display* d = display.get();
    const auto attributes = attributesOf(d, window);
    if (!attributes) return fail("window %lu vanished", window);
    if (attributes->map_state != IsViewable) return fail("window %lu is not viewable", window);

    // XGetImage fails with BadMatch for parts outside the screen: clip to it.
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(d, window, attributes->root, 0, 0, &rootX, &rootY, &child);
    const int screenW = WidthOfScreen(attributes->screen);
    const int screenH = HeightOfScreen(attributes->screen);
    const int left = std::max(0, -rootX), top = std::max(0, -rootY);
    const int right = std::min(attributes->width, screenW - rootX);
    const int bottom = std::min(attributes->height, screenH - rootY);
    if (right <= left || bottom <= top) return fail("window %lu is entirely off-screen", window);
    const int width = right - left, height = bottom - top;
    if (width != attributes->width || height != attributes->height)
        std::fprintf(stderr, "xwin_probe: note: window %lu is partly off-screen, capture clipped\n", window);

    gLastXError = Success;
    XImage* image = XGetImage(d, window, left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    XSync(d, False);
    if (image == nullptr || gLastXError != Success) {
        if (image != nullptr) XDestroyImage(image);
        return fail("XGetImage of window %lu failed: %s", window, describeXError(d, gLastXError).c_str());
    }
    if (image->red_mask == 0 || image->green_mask == 0 || image->blue_mask == 0) {
        XDestroyImage(image);
        return fail("window %lu does not use a TrueColor visual", window);
    }
    const Channel red(image->red_mask), green(image->green_mask), blue(image->blue_mask);
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            rgb.push_back(red.extract(pixel));
            rgb.push_back(green.extract(pixel));
            rgb.push_back(blue.extract(pixel));
        }
    }
    XDestroyImage(image);
    if (!writeRgbPng(path, width, height, rgb)) return kExitFailure;
    std::printf("%d %d\n", width, height);
    return kExitOk;
}

int commandKey(Window window, const char* keyName, const char* millisecondsText) {
    const auto milliseconds = parseLong(millisecondsText, 0, kMaxKeyHoldMs);
    if (!milliseconds) return fail("hold time must be 0..%ld ms, got '%s'", kMaxKeyHoldMs, millisecondsText);
    DisplayPtr display = openWithWindow(window);
    if (!display) return kExitFailure;
    Display* d = display.get();

    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d, &eventBase, &errorBase, &major, &minor))
        return fail("the X server lacks the XTEST extension");
    const KeySym keysym = XStringToKeysym(keyName);
    if (keysym == NoSymbol) return fail("unknown keysym name '%s' (e.g. Up, Left, space, a)", keyName);
    const KeyCode keycode = XKeysymToKeycode(d, keysym);
    if (keycode == 0) return fail("keysym '%s' is not on the current keyboard map", keyName);

    // XTEST events go to the focus window; without a window manager nobody
    // else gives the window focus.
    gLastXError = Success;
    XRaiseWindow(d, window);
    XSetInputFocus(d, window, RevertToPointerRoot, CurrentTime);
    XSync(d, False);
    if (gLastXError != Success)
        return fail("cannot focus window %lu: %s", window, describeXError(d, gLastXError).c_str());

    XTestFakeKeyEvent(d, keycode, True, CurrentTime);
    XSync(d, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(*milliseconds));
    XTestFakeKeyEvent(d, keycode, False, CurrentTime);
    XSync(d, False);
    return kExitOk;
}

// Moves the pointer `times` times by dx pixels right of the window's centre, pausing so
// that a first-person camera turns (and re-centres the pointer) after each move.
int commandTurn(Window window, const char* dxText, const char* timesText) {
    const auto dx = parseLong(dxText, -kMaxTurnPixels, kMaxTurnPixels);
    const auto times = parseLong(timesText, 1, kMaxTurnSteps);
    if (!dx || !times) return fail("turn takes dx in -%ld..%ld and times in 1..%ld", kMaxTurnPixels,
                                   kMaxTurnPixels, kMaxTurnSteps);
    DisplayPtr display = openWithWindow(window);
    if (!display) return kExitFailure;
    Display* d = display.get();
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(d, window, &attributes)) return fail("cannot read window %lu", window);
    int rootX = 0, rootY = 0;
    Window child;
    XTranslateCoordinates(d, window, attributes.root, 0, 0, &rootX, &rootY, &child);
    const int centreX = rootX + attributes.width / 2, centreY = rootY + attributes.height / 2;
    XRaiseWindow(d, window);
    XSetInputFocus(d, window, RevertToPointerRoot, CurrentTime);
    for (long k = 0; k < *times; ++k) {
        XTestFakeMotionEvent(d, -1, centreX + static_cast<int>(*dx), centreY, CurrentTime);
        XSync(d, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(kTurnPauseMs));
    }
    return kExitOk;
}

bool takesDeleteWindow(Display* display, Window window, Atom deleteWindow) {
    Atom* protocols = nullptr;
    int count = 0;
    if (!XGetWMProtocols(display, window, &protocols, &count)) return false;
    const bool found = std::find(protocols, protocols + count, deleteWindow) != protocols + count;
    XFree(protocols);
    return found;
}

int commandClose(Window window) {
    DisplayPtr display = openWithWindow(window);
    if (!display) return kExitFailure;
    Display* d = display.get();
    const Atom wmProtocols = XInternAtom(d, "WM_PROTOCOLS", False);
    const Atom wmDeleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    // A window manager would kill a client whose window does not list the
    // protocol. Send anyway: Irrlicht 1.8 interns the atom only if it already
    // exists, so under a bare X server without a window manager it lists None.
    if (!takesDeleteWindow(d, window, wmDeleteWindow))
        std::fprintf(stderr,
                     "xwin_probe: note: window %lu does not list WM_DELETE_WINDOW in WM_PROTOCOLS; "
                     "sending it anyway\n",
                     window);

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = wmProtocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(wmDeleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    gLastXError = Success;
    const Status sent = XSendEvent(d, window, False, NoEventMask, &event);
    XSync(d, False);
    if (!sent || gLastXError != Success)
        return fail("sending WM_DELETE_WINDOW to window %lu failed: %s", window,
                    describeXError(d, gLastXError).c_str());
    return kExitOk;
}

struct RgbPixels {
    std::size_t width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    const std::uint8_t* at(std::size_t x, std::size_t y) const { return &rgb[(y * width + x) * 3]; }
};

// Reads a PNG as 8-bit RGB; on failure prints why and returns false.
bool readRgb(const char* path, RgbPixels* out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        fail("cannot read '%s': %s", path, image.message);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    out->rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out->rgb.data(), 0, nullptr)) {
        fail("cannot decode '%s': %s", path, image.message);
        return false;
    }
    out->width = image.width;
    out->height = image.height;
    if (out->width == 0 || out->height == 0) {
        fail("'%s' has no pixels", path);
        return false;
    }
    return true;
}

bool differs(const std::uint8_t* a, const std::uint8_t* b) {
    for (int c = 0; c < 3; ++c)
        if (std::abs(a[c] - b[c]) > kColourTolerance) return true;
    return false;
}

int commandStats(const char* path, const char* const colourText[3]) {
    std::uint8_t colour[3] = {};
    for (int i = 0; i < 3; ++i) {
        const auto value = parseLong(colourText[i], 0, kMaxColourValue);
        if (!value) return fail("colour components must be 0..%d, got '%s'", kMaxColourValue, colourText[i]);
        colour[i] = static_cast<std::uint8_t>(*value);
    }
    RgbPixels image;
    if (!readRgb(path, &image)) return kExitFailure;

    std::size_t differing = 0, lowerDiffering = 0;
    const std::size_t lowerStart = image.height / 2;
    for (std::size_t y = 0; y < image.height; ++y) {
        for (std::size_t x = 0; x < image.width; ++x) {
            if (!differs(image.at(x, y), colour)) continue;
            ++differing;
            if (y >= lowerStart) ++lowerDiffering;
        }
    }
    const double lowerPixels = static_cast<double>((image.height - lowerStart) * image.width);
    std::printf("lower_half=%.4f overall=%.4f\n", lowerDiffering / lowerPixels,
                differing / static_cast<double>(image.width * image.height));
    return kExitOk;
}

// Fraction of pixels that differ between two pictures of the same size.
int commandDiff(const char* first, const char* second) {
    RgbPixels a, b;
    if (!readRgb(first, &a) || !readRgb(second, &b)) return kExitFailure;
    if (a.width != b.width || a.height != b.height)
        return fail("'%s' and '%s' differ in size", first, second);
    std::size_t differing = 0;
    for (std::size_t y = 0; y < a.height; ++y)
        for (std::size_t x = 0; x < a.width; ++x) differing += differs(a.at(x, y), b.at(x, y));
    std::printf("differing=%.4f\n", differing / static_cast<double>(a.width * a.height));
    return kExitOk;
}

// Share of the pixels in the rectangle [x0, x1) x [y0, y1) that have the colour.
int commandShare(const char* path, char* const* operands) {
    long numbers[7] = {};
    const long limits[7] = {65535, 65535, 65535, 65535, kMaxColourValue, kMaxColourValue, kMaxColourValue};
    for (int i = 0; i < 7; ++i) {
        const auto value = parseLong(operands[i], 0, limits[i]);
        if (!value) return fail("'%s' is not a pixel coordinate or colour component", operands[i]);
        numbers[i] = *value;
    }
    RgbPixels image;
    if (!readRgb(path, &image)) return kExitFailure;
    const std::size_t x0 = std::min<std::size_t>(numbers[0], image.width), y0 = std::min<std::size_t>(numbers[1], image.height);
    const std::size_t x1 = std::min<std::size_t>(numbers[2], image.width), y1 = std::min<std::size_t>(numbers[3], image.height);
    if (x0 >= x1 || y0 >= y1) return fail("the rectangle holds no pixel of '%s'", path);
    const std::uint8_t colour[3] = {static_cast<std::uint8_t>(numbers[4]), static_cast<std::uint8_t>(numbers[5]),
                                    static_cast<std::uint8_t>(numbers[6])};
    std::size_t matching = 0;
    for (std::size_t y = y0; y < y1; ++y)
        for (std::size_t x = x0; x < x1; ++x) matching += !differs(image.at(x, y), colour);
    std::printf("share=%.4f\n", matching / static_cast<double>((x1 - x0) * (y1 - y0)));
    return kExitOk;
}

// The colour of one pixel as "r g b".
int commandPixel(const char* path, const char* xText, const char* yText) {
    RgbPixels image;
    if (!readRgb(path, &image)) return kExitFailure;
    const auto x = parseLong(xText, 0, static_cast<long>(image.width) - 1);
    const auto y = parseLong(yText, 0, static_cast<long>(image.height) - 1);
    if (!x || !y) return fail("(%s, %s) is not a pixel of '%s'", xText, yText, path);
    const std::uint8_t* c = image.at(static_cast<std::size_t>(*x), static_cast<std::size_t>(*y));
    std::printf("%d %d %d\n", c[0], c[1], c[2]);
    return kExitOk;
}

// Parses the window id argument, then runs the command.
template <typename Command>
int withWindow(const char* idText, Command command) {
    const auto window = parseWindowId(idText);
    if (!window) return fail("bad window id '%s'", idText);
    return command(*window);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    const int operands = argc - 2;
    char** arg = argv + 2;

    if (command == "wait" && operands == 2) return commandWait(arg[0], arg[1]);
    if (command == "caption" && operands == 1)
        return withWindow(arg[0], [](Window w) { return commandCaption(w); });
    if (command == "screenshot" && operands == 2)
        return withWindow(arg[0], [&](Window w) { return commandScreenshot(w, arg[1]); });
    if (command == "key" && operands == 3)
        return withWindow(arg[0], [&](Window w) { return commandKey(w, arg[1], arg[2]); });
    if (command == "turn" && operands == 3)
        return withWindow(arg[0], [&](Window w) { return commandTurn(w, arg[1], arg[2]); });
    if (command == "close" && operands == 1)
        return withWindow(arg[0], [](Window w) { return commandClose(w); });
    if (command == "stats" && operands == 4) return commandStats(arg[0], arg + 1);
    if (command == "diff" && operands == 2) return commandDiff(arg[0], arg[1]);
    if (command == "share" && operands == 8) return commandShare(arg[0], arg + 1);
    if (command == "pixel" && operands == 3) return commandPixel(arg[0], arg[1], arg[2]);
    return usage();
}
