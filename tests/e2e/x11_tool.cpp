// A small X11 helper for the end-to-end tests:
//   x11_tool host W H   makes a top-level window of W x H, prints its id, waits
//                       until it is destroyed or the tool is killed;
//   x11_tool close ID   sends the window the close request a window manager
//                       sends (WM_DELETE_WINDOW);
//   x11_tool shots N MS PREFIX
//                       takes N pictures of the whole screen MS milliseconds
//                       apart as PREFIX-000.ppm ...: a burst catches what shows
//                       only for a moment, and is checked at leisure afterwards.
//   x11_tool grab       grabs the keyboard and lets it go; fails (status 1) when
//                       another client holds it.
//   x11_tool gone ID MS watches window ID: prints "watching" once it listens,
//                       then the wall-clock time in ms at which the window was
//                       unmapped or destroyed; fails (status 1) when that took
//                       longer than MS.
//   x11_tool owner NAME succeeds when some client owns selection NAME.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// The screen as a binary PPM (P6): 8 bits a channel, top row first.
bool writeScreen(Display* display, const std::string& path) {
  const Window root = DefaultRootWindow(display);
  XWindowAttributes a;
  XGetWindowAttributes(display, root, &a);
  XImage* image = XGetImage(display, root, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  if (!image) return false;
  std::vector<unsigned char> rgb;
  rgb.reserve(static_cast<std::size_t>(a.width) * a.height * 3);
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      rgb.push_back(static_cast<unsigned char>((p & image->red_mask) >> 16));
      rgb.push_back(static_cast<unsigned char>((p & image->green_mask) >> 8));
      rgb.push_back(static_cast<unsigned char>(p & image->blue_mask));
    }
  }
  XDestroyImage(image);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", a.width, a.height);
  const bool ok = std::fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
  return std::fclose(f) == 0 && ok;
}

int shots(Display* display, int count, int milliseconds, const char* prefix) {
  for (int i = 0; i < count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "-%03d.ppm", i);
    if (!writeScreen(display, prefix + std::string(name))) return 1;
    const timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
  }
  return 0;
}

int grab(Display* display) {
  const int result = XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync,
                                   GrabModeAsync, CurrentTime);
  XUngrabKeyboard(display, CurrentTime);
  XSync(display, False);
  return result == GrabSuccess ? 0 : 1;
}

std::int64_t wallClockMs() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

int noteError(Display*, XErrorEvent*) { return 0; }

// The script takes its own start time just before it acts, so the difference
// is an upper bound of the time the window took to go.
int gone(Display* display, Window window, int limitMs) {
  XSetErrorHandler(noteError);
  XSelectInput(display, window, StructureNotifyMask);
  XWindowAttributes a;
  const bool exists = XGetWindowAttributes(display, window, &a) && a.map_state == IsViewable;
  std::printf("watching\n");
  std::fflush(stdout);
  const std::int64_t deadline = wallClockMs() + limitMs;
  while (exists && wallClockMs() < deadline) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == UnmapNotify || event.type == DestroyNotify) {
        std::printf("%lld\n", static_cast<long long>(wallClockMs()));
        return 0;
      }
    }
    const timespec pause{0, 1000000L};
    nanosleep(&pause, nullptr);
  }
  std::printf("%s\n", exists ? "still there" : "not there at the start");
  return 1;
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
  if (argc == 5 && std::strcmp(argv[1], "shots") == 0) {
    return shots(display, std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
  }
  if (argc == 2 && std::strcmp(argv[1], "grab") == 0) return grab(display);
  if (argc == 4 && std::strcmp(argv[1], "gone") == 0) {
    return gone(display, std::strtoul(argv[2], nullptr, 0), std::atoi(argv[3]));
  }
  if (argc == 3 && std::strcmp(argv[1], "owner") == 0) {
    return XGetSelectionOwner(display, XInternAtom(display, argv[2], False)) != None ? 0 : 1;
  }
  std::fprintf(stderr,
               "usage: x11_tool host W H | x11_tool close ID | x11_tool shots N MS PREFIX"
               " | x11_tool grab | x11_tool gone ID MS | x11_tool owner NAME\n");
  return 2;
}
