// A stand-in for the timetabling host's side of the embedding: one real top-level X window.
// Prints the window's id in hexadecimal (without prefix, as the host passes it) and keeps the
// window until stdin ends. The line "destroy" on stdin destroys the window first, as a host that
// goes away would.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdio>
#include <memory>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

// Lines from stdin, read without blocking the X event loop.
bool readCommand(std::string& pending, std::string& command)
{
    char buffer[256];
    const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
    if (count <= 0) {
        return false;
    }
    pending.append(buffer, static_cast<std::size_t>(count));
    if (const auto newline = pending.find('\n'); newline != std::string::npos) {
        command = pending.substr(0, newline);
        pending.erase(0, newline + 1);
    }
    return true;
}

} // namespace

int main()
{
    const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) {
        std::fprintf(stderr, "x11-host: cannot open the display\n");
        return 1;
    }
    const int screen = DefaultScreen(display.get());
    Window window = XCreateSimpleWindow(display.get(), RootWindow(display.get(), screen), 40, 30, 700, 320, 0,
                                        BlackPixel(display.get(), screen), 0x808080);
    XStoreName(display.get(), window, "Vortimo de prueba");
    XSelectInput(display.get(), window, StructureNotifyMask);
    XMapWindow(display.get(), window);
    for (XEvent event;;) {
        XNextEvent(display.get(), &event);
        if (event.type == MapNotify) {
            break;
        }
    }
    std::printf("%lX\n", window);
    std::fflush(stdout);

    std::string pending;
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {ConnectionNumber(display.get()), POLLIN, 0}};
    for (;;) {
        while (XPending(display.get()) > 0) {
            XEvent event;
            XNextEvent(display.get(), &event);
        }
        if (poll(fds, 2, -1) < 0) {
            return 1;
        }
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            std::string command;
            if (!readCommand(pending, command)) {
                return 0;
            }
            if (command == "destroy" && window != None) {
                XDestroyWindow(display.get(), window);
                XSync(display.get(), False);
                window = None;
                std::printf("destroyed\n");
                std::fflush(stdout);
            }
        }
    }
}
