// Start-to-window: runs a program and reports how long it took until a window with the given
// title was mapped on the X server, watching the server's own map events (no polling).
//
//   window-timer TITLE PROGRAM [ARGUMENT...]
//
// Prints the milliseconds on standard output, then ends the program (SIGTERM). Exit code 1
// when no such window appeared within 20 s.

#include <xcb/xcb.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string windowName(xcb_connection_t* c, xcb_window_t w)
{
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
    if (!r) return {};
    std::string name(static_cast<const char*>(xcb_get_property_value(r)),
                     size_t(xcb_get_property_value_length(r)));
    std::free(r);
    return name;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: window-timer TITLE PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "window-timer: no X display\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[2], argv + 2);
        std::_Exit(127);
    }
    const auto deadline = start + std::chrono::seconds(20);
    int found = 1;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&p, 1, 100);
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
                if (windowName(c, m->window) == argv[1]) {
                    const auto ms = std::chrono::duration<double, std::milli>(
                        std::chrono::steady_clock::now() - start);
                    std::printf("%.1f\n", ms.count());
                    found = 0;
                }
            }
            std::free(e);
        }
        if (found == 0) break;
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    xcb_disconnect(c);
    return found;
}
