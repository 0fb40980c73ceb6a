// Starts one program and times it from outside: from just before fork to the first damage of its
// top-level window, as the X server sees it. Then reads the program's memory and ends it.
//
//   brelunda-bench-watch [--settle-ms N] [--timeout-ms N] [--end kill|idle] [--keep-output]
//                        -- program [args...]
//
// Prints one line of key=value pairs on success:
//   first_frame_us  fork to the first damage inside the program's window after it was mapped
//   map_us          fork to the map of that window's frame (or of the window, with no manager)
//   last_frame_us   fork to its last damage within the settle time: when it came to rest
//   hwm_kb          VmHWM after the first frame and the settle time
//   anon_kb         Anonymous in smaps_rollup at the same moment
// With --end idle the program is left running until it uses no more processor time and is then
// sent SIGTERM, so that a tool it runs under (callgrind) writes its totals; otherwise SIGKILL.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

long long nowMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

// Windows come and go while we look at them; a request about one already gone is not an error.
int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "brelunda-bench-watch: %s\n", message.c_str());
    std::exit(2);
}

long procField(pid_t pid, const char* file, const char* name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    std::string line;
    const std::string key = std::string(name) + ":";
    long total = -1;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) {
            std::istringstream fields(line.substr(key.size()));
            long value = 0;
            fields >> value;
            total = (total < 0 ? 0 : total) + value;
        }
    }
    return total;
}

// utime + stime in clock ticks.
long long processorTime(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0;
    long long stime = 0;
    // Fields after the name start at the state (3); utime and stime are 14 and 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14)
            utime = std::stoll(field);
        if (index == 15)
            stime = std::stoll(field);
    }
    return utime + stime;
}

// A window that names its process must name ours; one that does not is given the benefit of it.
bool mayBelongTo(Display* display, Window window, pid_t pid) {
    const Atom property = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                           &after, &data) != Success ||
        !data)
        return true;
    const bool ours = format != 32 || items != 1 || pid_t(*reinterpret_cast<unsigned long*>(data)) == pid;
    XFree(data);
    return ours;
}

bool hasName(Display* display, Window window) {
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint)) {
        XFree(hint.res_name);
        XFree(hint.res_class);
        return true;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        XFree(name);
        return true;
    }
    return false;
}

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool meets(const XRectangle& area) const {
        return area.x < x + width && x < area.x + area.width && area.y < y + height &&
               y < area.y + area.height;
    }
};

// Where a window is on the screen, in root coordinates.
Rect placeOf(Display* display, Window window) {
    XWindowAttributes attributes{};
    Window child = 0;
    Rect place;
    if (XGetWindowAttributes(display, window, &attributes) &&
        XTranslateCoordinates(display, window, attributes.root, 0, 0, &place.x, &place.y, &child)) {
        place.width = attributes.width;
        place.height = attributes.height;
    }
    return place;
}

struct Options {
    int settleMs = 300;
    int timeoutMs = 20000;
    bool endWhenIdle = false;
    bool keepOutput = false;
    std::vector<char*> command;
};

Options parse(int argc, char** argv) {
    Options options;
    int index = 1;
    for (; index < argc; ++index) {
        const std::string arg = argv[index];
        if (arg == "--") {
            ++index;
            break;
        }
        if (arg == "--keep-output") {
            options.keepOutput = true;
            continue;
        }
        if (index + 1 >= argc)
            fail("missing value for " + arg);
        if (arg == "--settle-ms")
            options.settleMs = std::atoi(argv[++index]);
        else if (arg == "--timeout-ms")
            options.timeoutMs = std::atoi(argv[++index]);
        else if (arg == "--end")
            options.endWhenIdle = std::string(argv[++index]) == "idle";
        else
            fail("unknown option " + arg);
    }
    for (; index < argc; ++index)
        options.command.push_back(argv[index]);
    if (options.command.empty())
        fail("usage: brelunda-bench-watch [--settle-ms N] [--timeout-ms N] [--end kill|idle] "
             "[--keep-output] -- program...");
    options.command.push_back(nullptr);
    return options;
}

pid_t start(std::vector<char*>& command, bool keepOutput) {
    // A pipe closed by a successful exec tells a program that could not start from one that did.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        fail("pipe failed");
    const pid_t pid = fork();
    if (pid < 0)
        fail("fork failed");
    if (pid == 0) {
        close(report[0]);
        if (!keepOutput) {
            // The program's own chatter would mix with the one line this prints.
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execvp(command[0], command.data());
        const int error = errno;
        [[maybe_unused]] const auto written = write(report[1], &error, sizeof error);
        _exit(127);
    }
    close(report[1]);
    int error = 0;
    if (read(report[0], &error, sizeof error) == sizeof error)
        fail(std::string("cannot run ") + command[0] + ": " + std::strerror(error));
    close(report[0]);
    return pid;
}

bool waitForEvent(Display* display, long long deadline) {
    if (XPending(display))
        return true;
    const long long left = deadline - nowMicroseconds();
    if (left <= 0)
        return false;
    pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
    poll(&descriptor, 1, int(left / 1000) + 1);
    return XPending(display) > 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options = parse(argc, argv);

    Display* display = XOpenDisplay(nullptr);
    if (!display)
        fail("cannot open the display (is DISPLAY set?)");
    int damageEvent = 0;
    int damageError = 0;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError))
        fail("the X server has no Damage extension");
    XSetErrorHandler(ignoreXErrors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    // Damage on the root reports drawing in every window on it. Made before the program starts,
    // nothing it draws can come before the watch is in place.
    XDamageCreate(display, root, XDamageReportRawRectangles);
    XSync(display, False);

    // A window manager reparents the program's window into a frame and then maps the frame; the
    // window to time is one created on the root after the start and reparented, or, with no
    // window manager, one mapped on the root that carries a name. Helper windows the program
    // never maps, and the manager's own windows, are neither.
    pid_t pid = 0;
    std::set<Window> created;
    std::map<Window, Window> frameOf; // the program's windows the manager reparented
    Window client = 0;
    Window frame = 0;
    Rect place;        // the client's, on the screen
    Rect frameMargins; // the client's offset in its frame, and the frame's extra size
    long long mapped = -1;
    long long firstFrame = -1;
    long long lastFrame = -1;

    auto handle = [&](const XEvent& event, long long at) {
        if (event.type == CreateNotify) {
            if (event.xcreatewindow.parent == root && !event.xcreatewindow.override_redirect)
                created.insert(event.xcreatewindow.window);
        } else if (event.type == ReparentNotify) {
            if (created.count(event.xreparent.window) && event.xreparent.parent != root)
                frameOf[event.xreparent.window] = event.xreparent.parent;
        } else if (event.type == MapNotify && !client && event.xmap.event == root) {
            const Window window = event.xmap.window;
            for (const auto& [candidate, itsFrame] : frameOf) {
                if (itsFrame == window && mayBelongTo(display, candidate, pid))
                    client = candidate;
            }
            if (!client && created.count(window) && hasName(display, window) &&
                mayBelongTo(display, window, pid))
                client = window;
            if (client) {
                frame = frameOf.count(client) ? frameOf[client] : client;
                mapped = at;
                place = placeOf(display, client);
                const Rect outer = placeOf(display, frame);
                frameMargins = {place.x - outer.x, place.y - outer.y, outer.width - place.width,
                                outer.height - place.height};
            }
        } else if (event.type == ConfigureNotify && client && event.xconfigure.window == frame) {
            // The program resizing itself: its window keeps the same place in the frame.
            const XConfigureEvent& moved = event.xconfigure;
            place = {moved.x + frameMargins.x, moved.y + frameMargins.y, moved.width - frameMargins.width,
                     moved.height - frameMargins.height};
        } else if (event.type == damageEvent + XDamageNotify && client) {
            if (place.meets(reinterpret_cast<const XDamageNotifyEvent&>(event).area)) {
                if (firstFrame < 0)
                    firstFrame = at;
                lastFrame = at;
            }
        }
    };

    const long long started = nowMicroseconds();
    pid = start(options.command, options.keepOutput);
    const long long deadline = started + options.timeoutMs * 1000LL;

    int status = 0;
    bool exited = false;
    while (firstFrame < 0) {
        if (!waitForEvent(display, deadline))
            break;
        XEvent event;
        XNextEvent(display, &event);
        handle(event, nowMicroseconds());
        if (waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            break;
        }
    }
    if (firstFrame < 0) {
        if (!exited) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        std::fprintf(stderr, "brelunda-bench-watch: %s %s\n", options.command[0],
                     exited ? "ended before its first frame" : "showed no frame in time");
        return 1;
    }

    // Memory once the program has settled with its first frame on screen.
    const long long settleUntil = nowMicroseconds() + options.settleMs * 1000LL;
    while (waitForEvent(display, settleUntil)) {
        XEvent event;
        XNextEvent(display, &event);
        handle(event, nowMicroseconds());
    }
    const long hwm = procField(pid, "status", "VmHWM");
    const long anonymous = procField(pid, "smaps_rollup", "Anonymous");

    if (options.endWhenIdle) {
        // Idle: no processor time used over half a second, looked at every 100 ms.
        long long last = processorTime(pid);
        int quiet = 0;
        const long long idleDeadline = nowMicroseconds() + options.timeoutMs * 1000LL;
        while (quiet < 5 && nowMicroseconds() < idleDeadline) {
            usleep(100000);
            const long long used = processorTime(pid);
            quiet = used == last ? quiet + 1 : 0;
            last = used;
        }
        kill(pid, SIGTERM);
    } else {
        kill(pid, SIGKILL);
    }
    waitpid(pid, &status, 0);
    XCloseDisplay(display);

    std::printf("first_frame_us=%lld map_us=%lld last_frame_us=%lld hwm_kb=%ld anon_kb=%ld\n",
                firstFrame - started, mapped - started, lastFrame - started, hwm, anonymous);
    return 0;
}
