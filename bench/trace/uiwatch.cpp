// Drives the editor's window from outside as a person would, and times what the X server shows:
// nothing in the program cooperates. Windows are followed through the root window's structure
// events (no window manager: the program's top-level windows are the root's children), paints
// through the DAMAGE extension, and what a window shows by reading its pixels.
//
//   quorvel_uiwatch origin WINDOW
//       The window coordinates of the picture's top-left pixel, found by the magenta square
//       that quorvel_drawplan --marker paints at pixels 16–31.
//   quorvel_uiwatch doubleclick WINDOW [--keep-last] X,Y [X,Y...]
//       Double-clicks each point (window coordinates) and times from the second click sent to
//       the box that opens being mapped and to its first paint; answers it with Escape, except
//       the last one with --keep-last. One line a click: "click N mapped MS painted MS black
//       P% title T" (black: the share of the box still black just after its first paint).
//   quorvel_uiwatch detect WINDOW [--add]
//       Presses Ctrl+Shift+D and times to the "Detect Sites" window mapped, to its list showing
//       rows, and to its Add Checked Sites button showing enabled; then the program's and its
//       reader's peak memory. With --add it then presses Return and times to the window closed
//       and the plan's last repaint.
//
// Clicks and keys go through the XTEST extension, as xdotool sends them. Its library comes with
// xdotool; its headers are not among the build's packages, so its three calls are taken at run
// time.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>

#include "windowpid.h"

#include <dlfcn.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

double now()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

using FakeButton = int (*)(Display *, unsigned, Bool, unsigned long);
using FakeKey = int (*)(Display *, unsigned, Bool, unsigned long);

struct TopLevel
{
    std::string title;
    bool mapped = false;
    double mappedAt = -1;
    double paintedAt = -1; // first paint since mapped
    double lastPaint = -1;
    Damage damage = None;
};

class Watch
{
public:
    explicit Watch(Display *display)
        : m_display(display)
        , m_root(DefaultRootWindow(display))
    {
        int error = 0;
        if (!XDamageQueryExtension(display, &m_damageEvent, &error))
            fail("the X server has no DAMAGE extension");
        void *xtst = dlopen("libXtst.so.6", RTLD_NOW);
        if (!xtst)
            fail("no XTEST library (libXtst.so.6, installed with xdotool)");
        m_button = reinterpret_cast<FakeButton>(dlsym(xtst, "XTestFakeButtonEvent"));
        m_key = reinterpret_cast<FakeKey>(dlsym(xtst, "XTestFakeKeyEvent"));
        if (!m_button || !m_key)
            fail("the XTEST library lacks its calls");
        XSelectInput(display, m_root, SubstructureNotifyMask);
        // Windows that exist already are watched too.
        Window rootReturn = None, parent = None, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, m_root, &rootReturn, &parent, &children, &count);
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a {};
            if (!XGetWindowAttributes(display, children[i], &a))
                continue;
            TopLevel &w = m_windows[children[i]];
            w.damage = XDamageCreate(display, children[i], XDamageReportNonEmpty);
            w.mapped = a.map_state == IsViewable;
            w.title = titleOf(children[i]);
        }
        if (children)
            XFree(children);
        XSync(display, False);
    }

    [[noreturn]] static void fail(const char *what)
    {
        std::fprintf(stderr, "quorvel_uiwatch: %s\n", what);
        std::exit(1);
    }

    std::string titleOf(Window window)
    {
        char *name = nullptr;
        std::string title;
        if (XFetchName(m_display, window, &name) && name)
            title = name;
        if (name)
            XFree(name);
        return title;
    }

    // Handles the events that came, then sleeps a millisecond.
    void pump()
    {
        while (XPending(m_display)) {
            XEvent event;
            XNextEvent(m_display, &event);
            const double t = now();
            if (event.type == CreateNotify && event.xcreatewindow.parent == m_root) {
                TopLevel &w = m_windows[event.xcreatewindow.window];
                w.damage =
                    XDamageCreate(m_display, event.xcreatewindow.window, XDamageReportNonEmpty);
            } else if (event.type == MapNotify && event.xmap.event == m_root) {
                TopLevel &w = m_windows[event.xmap.window];
                if (w.damage == None)
                    w.damage = XDamageCreate(m_display, event.xmap.window, XDamageReportNonEmpty);
                w.mapped = true;
                w.mappedAt = t;
                w.paintedAt = -1;
                w.title = titleOf(event.xmap.window);
            } else if (event.type == UnmapNotify && event.xunmap.event == m_root) {
                m_windows[event.xunmap.window].mapped = false;
            } else if (event.type == DestroyNotify && event.xdestroywindow.event == m_root) {
                m_windows.erase(event.xdestroywindow.window);
            } else if (event.type == m_damageEvent + XDamageNotify) {
                const auto &damage = reinterpret_cast<const XDamageNotifyEvent &>(event);
                const auto it = m_windows.find(damage.drawable);
                if (it != m_windows.end()) {
                    if (it->second.mapped && it->second.paintedAt < 0)
                        it->second.paintedAt = t;
                    it->second.lastPaint = t;
                    if (m_onPaint)
                        m_onPaint(damage.drawable, t);
                }
                XDamageSubtract(m_display, damage.damage, None, None);
            }
        }
        const timespec pause { 0, 1'000'000 };
        nanosleep(&pause, nullptr);
    }

    bool waitUntil(const std::function<bool()> &done, double seconds)
    {
        const double end = now() + seconds;
        while (!done()) {
            if (now() > end)
                return false;
            pump();
        }
        return true;
    }

    void idle(double seconds)
    {
        waitUntil([] { return false; }, seconds);
    }

    // The first window other than \a except mapped at or after \a since.
    Window mappedSince(double since, Window except)
    {
        for (const auto &[window, w] : m_windows)
            if (window != except && w.mapped && w.mappedAt >= since)
                return window;
        return None;
    }

    void click(int button)
    {
        m_button(m_display, unsigned(button), True, CurrentTime);
        m_button(m_display, unsigned(button), False, CurrentTime);
        XFlush(m_display);
    }

    // KeySyms pressed in order and released in reverse, as a chord.
    void chord(std::vector<KeySym> keys)
    {
        for (KeySym k : keys)
            m_key(m_display, XKeysymToKeycode(m_display, k), True, CurrentTime);
        std::reverse(keys.begin(), keys.end());
        for (KeySym k : keys)
            m_key(m_display, XKeysymToKeycode(m_display, k), False, CurrentTime);
        XFlush(m_display);
    }

    void focus(Window window)
    {
        XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
        XSync(m_display, False);
    }

    Display *display() const { return m_display; }
    TopLevel &window(Window w) { return m_windows[w]; }
    void onPaint(std::function<void(Window, double)> f) { m_onPaint = std::move(f); }

private:
    Display *m_display;
    Window m_root;
    int m_damageEvent = 0;
    FakeButton m_button = nullptr;
    FakeKey m_key = nullptr;
    std::map<Window, TopLevel> m_windows;
    std::function<void(Window, double)> m_onPaint;
};

// What a rectangle of a window shows, pixel by pixel as 0xRRGGBB.
struct Pixels
{
    int width = 0, height = 0;
    std::vector<unsigned> rgb;

    unsigned at(int x, int y) const { return rgb[size_t(y) * size_t(width) + size_t(x)]; }
    static int luminance(unsigned p)
    {
        return int(((p >> 16) & 255) * 299 + ((p >> 8) & 255) * 587 + (p & 255) * 114) / 1000;
    }
    // How many pixels of the rectangle are darker than \a below.
    int darker(int x0, int y0, int x1, int y1, int below) const
    {
        int n = 0;
        for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
                n += luminance(at(x, y)) < below ? 1 : 0;
        return n;
    }
};

Pixels grab(Display *display, Window window)
{
    Pixels pixels;
    XWindowAttributes a {};
    if (!XGetWindowAttributes(display, window, &a) || a.map_state != IsViewable)
        return pixels;
    XImage *image =
        XGetImage(display, window, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
    if (!image)
        return pixels;
    pixels.width = a.width;
    pixels.height = a.height;
    pixels.rgb.resize(size_t(a.width) * size_t(a.height));
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            pixels.rgb[size_t(y) * size_t(a.width) + size_t(x)] =
                unsigned(XGetPixel(image, x, y)) & 0xffffffu;
    XDestroyImage(image);
    return pixels;
}

// A field of /proc/PID/status in KiB ("VmHWM", "VmRSS"); -1 when the process is gone.
long statusKiB(long pid, const char *field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, key.size(), key) == 0)
            return std::atol(line.c_str() + key.size());
    return -1;
}

std::vector<long> childrenOf(long pid)
{
    std::vector<long> children;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task/";
    std::ifstream list(tasks + std::to_string(pid) + "/children");
    long child = 0;
    while (list >> child)
        children.push_back(child);
    return children;
}

// The share of a window's pixels that are pure black, in per cent.
double blackShare(const Pixels &p)
{
    if (p.rgb.empty())
        return 100;
    return 100.0 * double(std::count(p.rgb.begin(), p.rgb.end(), 0u)) / double(p.rgb.size());
}

int origin(Display *display, Window window)
{
    const Pixels p = grab(display, window);
    int right = -1, bottom = -1;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const unsigned c = p.at(x, y);
            const int r = int(c >> 16) & 255, g = int(c >> 8) & 255, b = int(c) & 255;
            if (r > 200 && g < 90 && b > 200) {
                right = std::max(right, x);
                bottom = std::max(bottom, y);
            }
        }
    if (right < 0) {
        std::fprintf(stderr, "quorvel_uiwatch: no marker on the window\n");
        return 1;
    }
    // From its bottom-right pixel: the view's frame may hide part of it.
    std::printf("%d %d\n", right - 31, bottom - 31);
    return 0;
}

int doubleClicks(
    Watch &watch, Window main, const std::vector<std::pair<int, int>> &points, bool keepLast)
{
    Display *display = watch.display();
    for (size_t i = 0; i < points.size(); ++i) {
        XWarpPointer(display, None, main, 0, 0, 0, 0, points[i].first, points[i].second);
        XSync(display, False);
        watch.idle(0.15);
        watch.click(1);
        watch.idle(0.06);
        const double sent = now();
        watch.click(1);
        Window box = None;
        if (!watch.waitUntil([&] { return (box = watch.mappedSince(sent, main)) != None; }, 20)) {
            std::printf("click %zu none\n", i + 1);
            std::fflush(stdout);
            continue;
        }
        TopLevel &w = watch.window(box);
        watch.waitUntil([&] { return w.paintedAt >= 0; }, 10);
        const double black = blackShare(grab(display, box));
        std::printf("click %zu mapped %.1f painted %.1f black %.0f%% title %s\n", i + 1,
            (w.mappedAt - sent) * 1000, w.paintedAt < 0 ? -1.0 : (w.paintedAt - sent) * 1000, black,
            w.title.c_str());
        std::fflush(stdout);
        if (keepLast && i + 1 == points.size())
            break;
        watch.focus(box);
        watch.chord({ XK_Escape });
        if (!watch.waitUntil([&] { return !watch.window(box).mapped; }, 10))
            Watch::fail("the box did not close on Escape");
        watch.idle(0.3);
    }
    return 0;
}

int detect(Watch &watch, Window main, bool add)
{
    Display *display = watch.display();
    const long pid = windowPid(display, main, XInternAtom(display, "_NET_WM_PID", False));
    const long hwmBefore = statusKiB(pid, "VmHWM"), rssBefore = statusKiB(pid, "VmRSS");
    const bool verbose = std::getenv("UIWATCH_VERBOSE") != nullptr;
    watch.focus(main);
    watch.idle(0.2);
    const double sent = now();
    watch.chord({ XK_Control_L, XK_Shift_L, XK_d });
    Window window = None;
    if (!watch.waitUntil([&] { return (window = watch.mappedSince(sent, main)) != None; }, 30))
        Watch::fail("no window opened");
    const double mapped = watch.window(window).mappedAt;
    // The list shows rows once dark text fills the middle of the window, where the empty
    // list is all base colour; the button shows enabled once its label is drawn in full black
    // (a disabled label is grey).
    double listed = -1, named = -1;
    // Until its first paint a window shows whatever was there: looked at only from then on,
    // and a region counts only while most of it is light.
    auto look = [&](double t) {
        if (watch.window(window).paintedAt < 0)
            return;
        const Pixels p = grab(display, window);
        if (p.rgb.empty())
            return;
        const int listArea = (p.width * 9 / 10) * (p.height * 45 / 100), buttonArea = p.width * 25;
        const int list = p.darker(
            p.width / 20, p.height * 35 / 100, p.width * 19 / 20, p.height * 80 / 100, 100);
        const int button = p.darker(p.width / 2, p.height - 50, p.width, p.height, 40);
        if (verbose)
            std::fprintf(stderr, "%.3f list %d button %d\n", t - sent, list, button);
        if (listed < 0 && list > 40 && list < listArea / 3)
            listed = t;
        if (named < 0 && listed >= 0 && button > 20 && button < buttonArea / 5)
            named = t;
    };
    watch.onPaint([&](Window w, double t) {
        if (w == window)
            look(t);
    });
    look(now());
    if (!watch.waitUntil([&] { return named >= 0; }, 600))
        Watch::fail("the names were not all read within 600 s");
    watch.onPaint({});
    long readerHwm = -1;
    for (long child : childrenOf(pid))
        readerHwm = std::max(readerHwm, statusKiB(child, "VmHWM"));
    std::printf("mapped %.3f listed %.3f named %.3f hwm-kb %ld before-hwm-kb %ld before-rss-kb "
                "%ld reader-hwm-kb %ld",
        mapped - sent, listed - sent, named - sent, statusKiB(pid, "VmHWM"), hwmBefore, rssBefore,
        readerHwm);
    if (add) {
        watch.idle(0.3);
        watch.focus(window);
        const double pressed = now();
        watch.chord({ XK_Return });
        if (!watch.waitUntil([&] { return !watch.window(window).mapped; }, 60))
            Watch::fail("the window did not close on Return");
        const double closed = now();
        TopLevel &m = watch.window(main);
        watch.waitUntil([&] { return m.lastPaint >= 0 && now() - m.lastPaint > 0.5; }, 30);
        std::printf(" closed %.3f repainted %.3f", closed - pressed,
            std::max(m.lastPaint, closed) - pressed);
    }
    std::printf("\n");
    return 0;
}

int usage()
{
    std::fprintf(stderr,
        "usage: quorvel_uiwatch origin WINDOW\n"
        "       quorvel_uiwatch doubleclick WINDOW [--keep-last] X,Y [X,Y...]\n"
        "       quorvel_uiwatch detect WINDOW [--add]\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3)
        return usage();
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        Watch::fail("cannot open the display");
    // Windows come and go while they are watched: a damage or window gone meanwhile is no fault.
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
    const Window main = Window(std::strtoul(argv[2], nullptr, 0));
    const std::string mode = argv[1];
    if (mode == "origin")
        return origin(display, main);
    Watch watch(display);
    if (mode == "doubleclick") {
        bool keepLast = false;
        std::vector<std::pair<int, int>> points;
        for (int i = 3; i < argc; ++i) {
            if (!std::strcmp(argv[i], "--keep-last")) {
                keepLast = true;
                continue;
            }
            int x = 0, y = 0;
            if (std::sscanf(argv[i], "%d,%d", &x, &y) != 2)
                return usage();
            points.emplace_back(x, y);
        }
        return doubleClicks(watch, main, points, keepLast);
    }
    if (mode == "detect")
        return detect(watch, main, argc > 3 && !std::strcmp(argv[3], "--add"));
    return usage();
}
