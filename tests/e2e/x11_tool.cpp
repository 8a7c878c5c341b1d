// A small X11 helper for the end-to-end tests:
//   x11_tool host W H   makes a top-level window of W x H, prints its id, waits
//                       until it is destroyed or the tool is killed;
//   x11_tool close ID   sends the window the close request a window manager
//                       sends (WM_DELETE_WINDOW);
//   x11_tool grab       grabs the keyboard and lets it go; fails (status 1) when
//                       another client holds it.

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int host(Display* display, int width, int height) {
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, width,
                                            height, 0, 0, 0x202020);
  XStoreName(display, window, "e2e host");
  XMapWindow(display, window);
  XSync(display, False);
  std::printf("%lu\n", window);
  std::fflush(stdout);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
  }
}

int close(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  return 0;
}

int grab(Display* display) {
  const int result = XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync,
                                   GrabModeAsync, CurrentTime);
  XUngrabKeyboard(display, CurrentTime);
  XSync(display, False);
  return result == GrabSuccess ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "x11_tool: no display\n");
    return 1;
  }
  if (argc == 4 && std::strcmp(argv[1], "host") == 0) {
    return host(display, std::atoi(argv[2]), std::atoi(argv[3]));
  }
  if (argc == 3 && std::strcmp(argv[1], "close") == 0) {
    return close(display, std::strtoul(argv[2], nullptr, 0));
  }
  if (argc == 2 && std::strcmp(argv[1], "grab") == 0) return grab(display);
  std::fprintf(stderr, "usage: x11_tool host W H | x11_tool close ID | x11_tool grab\n");
  return 2;
}
