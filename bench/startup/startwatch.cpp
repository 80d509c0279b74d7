// Times a start-up from outside the program, as a person sees it: from launching the program to
// the moment its window is mapped and the process has then used no CPU for a while (half a
// second by default), and to the last change to what the window shows before then. Nothing in
// the program cooperates; the window is found through the _NET_WM_PID property on the
// top-level window it maps, CPU use through /proc, changes to its contents through the X
// server's DAMAGE extension.
//
//   quorvel_startwatch [--idle MS] [--timeout S] [--keep] [--key KEYS] -- PROGRAM [ARGS...]
//
// Prints one line: the start-up time (launch to the last CPU use before the quiet spell), the
// time the window was mapped, the time it was last painted, the process's user and system CPU
// seconds, its page faults and its peak resident memory. --key gives the window the keyboard once it is mapped and
// presses KEYS there (xdotool's names, "ctrl+0"), as a user who wants another view at once.
// The program is then ended with SIGTERM unless --keep is given (then the line ends with its
// process id and window id, and the caller ends it).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include "windowpid.h"

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern char **environ;

namespace {

double now()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct CpuSample
{
    // Nanoseconds on a CPU, summed over the live threads, and a fingerprint of which threads
    // live: a thread that ends takes its time out of the sum, which is activity too.
    uint64_t threadNanoseconds = 0;
    uint64_t threadSet = 0;
    // Clock ticks of user and system time, dead threads included, and page faults.
    unsigned long long userTicks = 0;
    unsigned long long systemTicks = 0;
    unsigned long long minorFaults = 0;
    unsigned long long majorFaults = 0;

    bool sameActivity(const CpuSample &other) const
    {
        return threadNanoseconds == other.threadNanoseconds && threadSet == other.threadSet
            && userTicks == other.userTicks && systemTicks == other.systemTicks;
    }
};

bool readFile(const std::string &path, char *buffer, size_t size)
{
    FILE *file = std::fopen(path.c_str(), "r");
    if (!file)
        return false;
    const size_t n = std::fread(buffer, 1, size - 1, file);
    std::fclose(file);
    buffer[n] = '\0';
    return n > 0;
}

bool sample(pid_t pid, CpuSample &out)
{
    const std::string base = "/proc/" + std::to_string(pid);
    char buffer[1024];
    if (!readFile(base + "/stat", buffer, sizeof buffer))
        return false;
    // The command name may hold blanks; the fields after it are fixed.
    const char *rest = std::strrchr(buffer, ')');
    if (!rest)
        return false;
    // Fields 3 to 15: state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt
    // utime stime.
    char state = 0;
    long skip = 0;
    unsigned long flags = 0, cminflt = 0, cmajflt = 0;
    if (std::sscanf(rest + 2, "%c %ld %ld %ld %ld %ld %lu %llu %lu %llu %lu %llu %llu", &state,
            &skip, &skip, &skip, &skip, &skip, &flags, &out.minorFaults, &cminflt, &out.majorFaults,
            &cmajflt, &out.userTicks, &out.systemTicks)
        != 13)
        return false;

    out.threadNanoseconds = 0;
    out.threadSet = 0;
    DIR *tasks = opendir((base + "/task").c_str());
    if (!tasks)
        return false;
    while (const dirent *entry = readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        if (!readFile(base + "/task/" + entry->d_name + "/schedstat", buffer, sizeof buffer))
            continue;
        out.threadNanoseconds += std::strtoull(buffer, nullptr, 10);
        out.threadSet = out.threadSet * 1000003 + std::strtoull(entry->d_name, nullptr, 10);
    }
    closedir(tasks);
    return true;
}

int usage(const char *self)
{
    std::fprintf(
        stderr, "usage: %s [--idle MS] [--timeout S] [--keep] -- PROGRAM [ARGS...]\n", self);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    double idle = 0.5;
    double timeout = 30;
    bool keep = false;
    const char *keys = nullptr;
    const bool verbose = std::getenv("STARTWATCH_VERBOSE") != nullptr;
    int at = 1;
    for (; at < argc; ++at) {
        if (!std::strcmp(argv[at], "--idle") && at + 1 < argc)
            idle = std::atof(argv[++at]) / 1000.0;
        else if (!std::strcmp(argv[at], "--timeout") && at + 1 < argc)
            timeout = std::atof(argv[++at]);
        else if (!std::strcmp(argv[at], "--keep"))
            keep = true;
        else if (!std::strcmp(argv[at], "--key") && at + 1 < argc)
            keys = argv[++at];
        else if (!std::strcmp(argv[at], "--")) {
            ++at;
            break;
        } else
            return usage(argv[0]);
    }
    if (at >= argc)
        return usage(argv[0]);

    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    int damageEvent = 0, damageError = 0;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "%s: the X server has no DAMAGE extension\n", argv[0]);
        return 1;
    }
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    pid_t pid = 0;
    const double launched = now();
    if (const int error = posix_spawnp(&pid, argv[at], nullptr, nullptr, argv + at, environ)) {
        std::fprintf(stderr, "%s: cannot start %s: %s\n", argv[0], argv[at], std::strerror(error));
        return 1;
    }

    double mapped = -1;
    double painted = -1;
    Window window = None;
    double lastActive = launched;
    CpuSample last;
    bool done = false;
    while (!done) {
        const timespec pause { 0, 1'000'000 };
        nanosleep(&pause, nullptr);
        const double t = now();

        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            // Watched from its creation, so that no paint goes unseen; only the program makes
            // windows on this display.
            if (event.type == CreateNotify && event.xcreatewindow.parent == root)
                XDamageCreate(display, event.xcreatewindow.window, XDamageReportNonEmpty);
            if (event.type == MapNotify && mapped < 0 && event.xmap.event == root
                && windowPid(display, event.xmap.window, pidAtom) == pid) {
                mapped = t;
                window = event.xmap.window;
                if (keys) {
                    XSetInputFocus(display, window, RevertToParent, CurrentTime);
                    XSync(display, False);
                    pid_t typist = 0;
                    char *typing[] = { const_cast<char *>("xdotool"), const_cast<char *>("key"),
                        const_cast<char *>(keys), nullptr };
                    if (posix_spawnp(&typist, "xdotool", nullptr, nullptr, typing, environ) == 0)
                        waitpid(typist, nullptr, 0);
                }
            }
            if (event.type == damageEvent + XDamageNotify) {
                const auto &damage = reinterpret_cast<const XDamageNotifyEvent &>(event);
                if (damage.drawable == window) {
                    painted = t;
                    if (verbose)
                        std::fprintf(stderr, "painted %.3f  %dx%d+%d+%d\n", t - launched,
                            damage.area.width, damage.area.height, damage.area.x, damage.area.y);
                }
                XDamageSubtract(display, damage.damage, None, None);
            }
        }

        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "%s: the program ended during start-up\n", argv[0]);
            return 1;
        }
        CpuSample current;
        if (!sample(pid, current))
            continue;
        if (!current.sameActivity(last)) {
            lastActive = t;
            last = current;
        }
        done = mapped >= 0 && t - lastActive >= idle && t - painted >= idle;
        if (!done && t - launched > timeout) {
            std::fprintf(stderr, "%s: no quiet window after %.0f s\n", argv[0], timeout);
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return 1;
        }
    }

    // The peak of resident memory, from the kernel's high-water mark.
    long peakKiB = -1;
    if (FILE *status = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            if (!std::strncmp(line, "VmHWM:", 6))
                peakKiB = std::atol(line + 6);
        }
        std::fclose(status);
    }
    const double ticks = double(sysconf(_SC_CLK_TCK));
    std::printf("startup %.3f mapped %.3f painted %.3f user %.2f sys %.2f minflt %llu majflt %llu "
                "peak-kb %ld", //
        std::max(lastActive, mapped) - launched, mapped - launched,
        std::max(painted, mapped) - launched, double(last.userTicks) / ticks,
        double(last.systemTicks) / ticks, last.minorFaults, last.majorFaults, peakKiB);
    if (keep) {
        std::printf(" pid %d window 0x%lx\n", int(pid), window);
    } else {
        std::printf("\n");
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    XCloseDisplay(display);
    return 0;
}
