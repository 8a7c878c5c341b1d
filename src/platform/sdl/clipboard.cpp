// The clipboard on X11: a thread with its own connection owns the CLIPBOARD
// selection and answers other programs for as long as the program runs. Text is
// offered as UTF8_STRING (and TEXT, text/plain;charset=utf-8), converted from the
// framework's code page; a bitmap as image/bmp (the DIB behind a file header) and
// image/png, both made by this thread when first asked for, so the caller only
// copies the pixels. Large answers go out in INCR chunks, and MULTIPLE is served,
// as ICCCM asks.
//
// When the program ends while we own the clipboard, what we hold is handed to the
// clipboard manager, if one runs (the CLIPBOARD_MANAGER selection): we ask it to
// convert SAVE_TARGETS, it fetches our targets, and its answer lets us go.
//
// Every Xlib call happens on the serving thread; callers hand it a request and
// wait for the answer.

#include "platform/sdl/clipboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/codecs/codecs.h"
#include "platform/common/utf8.h"

namespace sdl {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t fetchLimit = 16u << 20;  // bytes of text taken from another program
constexpr std::size_t chunkLimit = 64u << 10;  // larger answers go out in INCR chunks
constexpr auto fetchTimeout = std::chrono::seconds(3);
constexpr auto handOverTimeout = std::chrono::seconds(3);  // a manager that never answers

enum class Request { none, own, fetch, stop };

// One answer sent in chunks.
struct Transfer {
  Window requestor;
  Atom property, type;
  Bytes data;
  std::size_t sent;
};

struct Atoms {
  Atom clipboard, targets, utf8, text, plainUtf8, string, png, bmp, incr, incoming, multiple,
      atomPair, manager, saveTargets, saveList;
};

struct State {
  std::mutex mutex;
  std::condition_variable answered;
  std::thread thread;
  bool started = false, running = false;
  int wake[2] = {-1, -1};
  Request request = Request::none;
  int result = 0;
  bool done = false;
  // What we own, set by the caller before an own request.
  bool owning = false;
  Bytes text;  // the framework's, with its zero
  Bytes utf8;  // what other programs get
  std::shared_ptr<const Bytes> dib;
  Bytes bmp, png;  // made from dib on the first request
  Bytes fetched;
  // Thread side only.
  Display* display = nullptr;
  Window window = 0;
  Atoms atoms{};
  std::vector<Transfer> transfers;
  bool fetching = false, fetchIncr = false, triedString = false;
  XErrorHandler previousHandler = nullptr;
};

State& state() {
  static State s;
  return s;
}

// Errors on our connection (a requestor that went away) are expected; others go
// to whoever handled them before.
int onXError(Display* display, XErrorEvent* event) {
  State& s = state();
  if (display == s.display) return 0;
  return s.previousHandler ? s.previousHandler(display, event) : 0;
}

void put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t get32(const std::uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// A BMP file is the DIB behind a 14-byte file header.
Bytes bmpOf(const Bytes& dib) {
  Bytes file(14 + dib.size());
  file[0] = 'B';
  file[1] = 'M';
  put32(&file[2], static_cast<std::uint32_t>(file.size()));
  put32(&file[10], 14 + 40);
  std::memcpy(file.data() + 14, dib.data(), dib.size());
  return file;
}

// A PNG of the DIB, alpha ignored as a 32-bit DIB without masks ignores it.
Bytes pngOf(const Bytes& dib) {
  const int width = static_cast<int>(get32(&dib[4]));
  const int height = static_cast<int>(get32(&dib[8]));
  PictureData picture;
  if (!emu::allocatePicture(picture, width, height) ||
      dib.size() != 40 + picture.pixels.size() * 4) {
    return {};
  }
  const std::uint8_t* rows = dib.data() + 40;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = rows + static_cast<std::size_t>(height - 1 - y) * width * 4;
    for (int x = 0; x < width; ++x) {
      picture.pixels[static_cast<std::size_t>(y) * width + x] = get32(row + 4 * x) | 0xFF000000u;
    }
  }
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* file = open_memstream(&buffer, &size);
  if (!file) return {};
  const bool ok = emu::encodePng(picture, file);
  std::fclose(file);
  Bytes png;
  if (ok) png.assign(buffer, buffer + size);
  std::free(buffer);
  return png;
}

// ---- the serving thread ---------------------------------------------------------

void finish(State& s, int result) {
  {
    std::lock_guard lock(s.mutex);
    s.result = result;
    s.done = true;
    s.request = Request::none;
  }
  s.answered.notify_all();
}

void sendNotify(State& s, const XSelectionRequestEvent& r, Atom property) {
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.display = s.display;
  reply.xselection.requestor = r.requestor;
  reply.xselection.selection = r.selection;
  reply.xselection.target = r.target;
  reply.xselection.property = property;
  reply.xselection.time = r.time;
  XSendEvent(s.display, r.requestor, False, NoEventMask, &reply);
}

// The bytes we hold for `target`, null when we hold none.
const Bytes* dataFor(State& s, Atom target, Atom& type) {
  const Atoms& a = s.atoms;
  type = target;
  if (!s.text.empty() && (target == a.utf8 || target == a.text || target == a.plainUtf8)) {
    type = target == a.text ? a.utf8 : target;
    return &s.utf8;
  }
  if (!s.bmp.empty() && target == a.bmp) return &s.bmp;
  if (!s.png.empty() && target == a.png) return &s.png;
  return nullptr;
}

// The pictures asked for in `targets`, made outside the lock: encoding a large
// frame takes a while, and a caller may want the lock meanwhile.
void makePictures(State& s, const std::vector<Atom>& targets) {
  for (const Atom target : targets) {
    if (target != s.atoms.png && target != s.atoms.bmp) continue;
    std::shared_ptr<const Bytes> dib;
    {
      std::lock_guard lock(s.mutex);
      const Bytes& made = target == s.atoms.png ? s.png : s.bmp;
      if (!s.dib || !made.empty()) continue;
      dib = s.dib;
    }
    Bytes made = target == s.atoms.png ? pngOf(*dib) : bmpOf(*dib);
    std::lock_guard lock(s.mutex);
    if (s.dib == dib) (target == s.atoms.png ? s.png : s.bmp) = std::move(made);
  }
}

// Puts what we hold as `target` in the requestor's property, or starts an INCR
// transfer; false when we hold nothing of that kind. Called with the lock held.
bool convert(State& s, Window requestor, Atom target, Atom property) {
  const Atoms& a = s.atoms;
  if (target == a.targets) {
    std::vector<Atom> list{a.targets, a.multiple};
    if (!s.text.empty()) list.insert(list.end(), {a.utf8, a.text, a.plainUtf8});
    if (s.dib) list.insert(list.end(), {a.bmp, a.png});
    XChangeProperty(s.display, requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(list.data()),
                    static_cast<int>(list.size()));
    return true;
  }
  Atom type = None;
  const Bytes* data = dataFor(s, target, type);
  if (!data) return false;
  if (data->size() <= chunkLimit) {
    XChangeProperty(s.display, requestor, property, type, 8, PropModeReplace, data->data(),
                    static_cast<int>(data->size()));
  } else {
    const long total = static_cast<long>(data->size());
    XSelectInput(s.display, requestor, PropertyChangeMask);
    XChangeProperty(s.display, requestor, property, a.incr, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&total), 1);
    s.transfers.push_back(Transfer{requestor, property, type, *data, 0});
  }
  return true;
}

// The (target, property) pairs of a MULTIPLE request; empty when unreadable.
std::vector<Atom> multiplePairs(State& s, Window requestor, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* value = nullptr;
  std::vector<Atom> pairs;
  if (XGetWindowProperty(s.display, requestor, property, 0, 1024, False, AnyPropertyType, &type,
                         &format, &count, &after, &value) == Success &&
      value && format == 32) {
    const auto* atoms = reinterpret_cast<const Atom*>(value);
    pairs.assign(atoms, atoms + count / 2 * 2);
  }
  if (value) XFree(value);
  return pairs;
}

void answerRequest(State& s, const XSelectionRequestEvent& r) {
  const Atoms& a = s.atoms;
  const Atom property = r.property != None ? r.property : r.target;  // obsolete clients
  std::vector<Atom> pairs;
  if (r.target == a.multiple && r.property != None) {
    pairs = multiplePairs(s, r.requestor, r.property);
  } else {
    pairs = {r.target, property};
  }
  std::vector<Atom> targets;
  for (std::size_t i = 0; i < pairs.size(); i += 2) targets.push_back(pairs[i]);
  makePictures(s, targets);
  std::lock_guard lock(s.mutex);
  if (!s.owning || r.selection != a.clipboard || pairs.empty()) {
    sendNotify(s, r, None);
    return;
  }
  if (r.target != a.multiple) {
    sendNotify(s, r, convert(s, r.requestor, r.target, property) ? property : None);
    return;
  }
  // A pair we cannot convert gets None in place of its property.
  for (std::size_t i = 0; i < pairs.size(); i += 2) {
    if (pairs[i + 1] == None || !convert(s, r.requestor, pairs[i], pairs[i + 1])) {
      pairs[i + 1] = None;
    }
  }
  XChangeProperty(s.display, r.requestor, r.property, a.atomPair, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(pairs.data()),
                  static_cast<int>(pairs.size()));
  sendNotify(s, r, r.property);
}

// The requestor deleted the last chunk: the next one, and a zero-length one at the end.
void continueTransfer(State& s, const XPropertyEvent& e) {
  for (std::size_t i = 0; i < s.transfers.size(); ++i) {
    Transfer& t = s.transfers[i];
    if (t.requestor != e.window || t.property != e.atom) continue;
    const std::size_t n = std::min(chunkLimit, t.data.size() - t.sent);
    XChangeProperty(s.display, t.requestor, t.property, t.type, 8, PropModeReplace,
                    t.data.data() + t.sent, static_cast<int>(n));
    t.sent += n;
    if (n == 0) {
      XSelectInput(s.display, t.requestor, NoEventMask);
      s.transfers.erase(s.transfers.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return;
  }
}

// Reads (and deletes) our property; false when it is missing or too large.
bool takeProperty(State& s, Bytes& out, Atom& type) {
  unsigned long count = 0, after = 0;
  int format = 0;
  unsigned char* value = nullptr;
  if (XGetWindowProperty(s.display, s.window, s.atoms.incoming, 0, fetchLimit / 4, True,
                         AnyPropertyType, &type, &format, &count, &after, &value) != Success) {
    return false;
  }
  const std::size_t bytes = format == 32 ? count * sizeof(long) : count * (format / 8);
  const bool fits = after == 0 && out.size() + bytes <= fetchLimit;
  if (fits && value) out.insert(out.end(), value, value + bytes);
  if (value) XFree(value);
  return fits;
}

void askOwner(State& s, Atom target) {
  XDeleteProperty(s.display, s.window, s.atoms.incoming);
  XConvertSelection(s.display, s.atoms.clipboard, target, s.atoms.incoming, s.window, CurrentTime);
}

void endFetch(State& s, bool ok) {
  s.fetching = false;
  s.fetchIncr = false;
  {
    std::lock_guard lock(s.mutex);
    if (ok) {
      // Into the code page: from Latin-1 for owners that offer only STRING.
      const std::string got(s.fetched.begin(), s.fetched.end());
      const std::string text =
          s.triedString ? emu::cp1251FromLatin1(got) : emu::cp1251FromUtf8(got);
      s.fetched.assign(text.begin(), text.end());
    }
    if (!ok) s.fetched.clear();
  }
  finish(s, ok ? 1 : 0);
}

void onSelectionNotify(State& s, const XSelectionEvent& e) {
  if (!s.fetching) return;
  if (e.property == None) {
    // No UTF-8 from this owner: try plain Latin-1 once.
    if (!s.triedString) {
      s.triedString = true;
      askOwner(s, s.atoms.string);
      return;
    }
    endFetch(s, false);
    return;
  }
  Bytes data;
  Atom type = None;
  if (!takeProperty(s, data, type)) {
    endFetch(s, false);
    return;
  }
  if (type == s.atoms.incr) {
    s.fetchIncr = true;  // chunks follow as property changes
    return;
  }
  {
    std::lock_guard lock(s.mutex);
    s.fetched = std::move(data);
  }
  endFetch(s, true);
}

void onIncomingChunk(State& s, const XPropertyEvent& e) {
  if (!s.fetching || !s.fetchIncr || e.window != s.window || e.atom != s.atoms.incoming ||
      e.state != PropertyNewValue) {
    return;
  }
  Bytes chunk;
  Atom type = None;
  bool ok;
  {
    std::lock_guard lock(s.mutex);
    ok = takeProperty(s, chunk, type) && s.fetched.size() + chunk.size() <= fetchLimit;
    if (ok) s.fetched.insert(s.fetched.end(), chunk.begin(), chunk.end());
  }
  if (!ok || chunk.empty()) endFetch(s, ok);
}

void handleRequest(State& s, Request request) {
  if (request == Request::own) {
    XSetSelectionOwner(s.display, s.atoms.clipboard, s.window, CurrentTime);
    const bool owner = XGetSelectionOwner(s.display, s.atoms.clipboard) == s.window;
    bool placed;
    {
      std::lock_guard lock(s.mutex);
      s.owning = owner;
      placed = owner && (!s.text.empty() || s.dib);
    }
    XFlush(s.display);
    finish(s, placed ? 1 : 0);
  } else if (request == Request::fetch) {
    s.fetching = true;
    s.triedString = false;
    {
      std::lock_guard lock(s.mutex);
      s.fetched.clear();
    }
    askOwner(s, s.atoms.utf8);
    XFlush(s.display);
  }
}

void forget(State& s) {
  std::lock_guard lock(s.mutex);
  s.owning = false;
  s.text.clear();
  s.utf8.clear();
  s.dib.reset();
  s.bmp.clear();
  s.png.clear();
}

void dispatch(State& s, const XEvent& e) {
  if (e.type == SelectionRequest) {
    answerRequest(s, e.xselectionrequest);
  } else if (e.type == SelectionClear) {
    forget(s);
  } else if (e.type == SelectionNotify) {
    onSelectionNotify(s, e.xselection);
  } else if (e.type == PropertyNotify) {
    if (e.xproperty.window == s.window) {
      onIncomingChunk(s, e.xproperty);
    } else if (e.xproperty.state == PropertyDelete) {
      continueTransfer(s, e.xproperty);
    }
  }
}

// Waits up to 100 ms for the X connection or the wake pipe.
void waitForWork(State& s) {
  pollfd fds[2] = {{ConnectionNumber(s.display), POLLIN, 0}, {s.wake[0], POLLIN, 0}};
  ::poll(fds, 2, 100);
  if (fds[1].revents & POLLIN) {
    char drain[64];
    [[maybe_unused]] const ssize_t n = ::read(s.wake[0], drain, sizeof drain);
  }
}

// At the end of the run: asks a running clipboard manager to save what we own, and
// serves its requests until it says it is done (or gives up, or never answers).
void handOver(State& s) {
  const Atoms& a = s.atoms;
  std::vector<Atom> targets;
  {
    std::lock_guard lock(s.mutex);
    if (!s.owning) return;
    if (!s.text.empty()) targets = {a.utf8, a.plainUtf8};
    if (s.dib) targets.insert(targets.end(), {a.png, a.bmp});
  }
  if (targets.empty() || XGetSelectionOwner(s.display, a.manager) == None) return;
  XChangeProperty(s.display, s.window, a.saveList, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(targets.data()),
                  static_cast<int>(targets.size()));
  XConvertSelection(s.display, a.manager, a.saveTargets, a.saveList, s.window, CurrentTime);
  XFlush(s.display);
  const auto until = std::chrono::steady_clock::now() + handOverTimeout;
  while (std::chrono::steady_clock::now() < until) {
    while (XPending(s.display)) {
      XEvent e;
      XNextEvent(s.display, &e);
      if (e.type == SelectionNotify && e.xselection.selection == a.manager) return;
      dispatch(s, e);
    }
    XFlush(s.display);
    waitForWork(s);
  }
}

void serve() {
  State& s = state();
  auto fetchStarted = std::chrono::steady_clock::now();
  for (;;) {
    while (XPending(s.display)) {
      XEvent e;
      XNextEvent(s.display, &e);
      dispatch(s, e);
    }
    XFlush(s.display);
    Request request;
    {
      std::lock_guard lock(s.mutex);
      request = s.done ? Request::none : s.request;
    }
    if (request == Request::stop) {
      handOver(s);
      break;
    }
    if (request == Request::fetch && !s.fetching) fetchStarted = std::chrono::steady_clock::now();
    if (request != Request::none && !(request == Request::fetch && s.fetching)) {
      handleRequest(s, request);
      continue;
    }
    if (s.fetching && std::chrono::steady_clock::now() - fetchStarted > fetchTimeout) {
      endFetch(s, false);  // the owner never answered
    }
    waitForWork(s);
  }
  XDestroyWindow(s.display, s.window);
  XCloseDisplay(s.display);
  s.display = nullptr;
}

bool startThread(State& s) {
  if (s.started) return s.running;
  s.started = true;
  s.display = XOpenDisplay(nullptr);
  if (!s.display) return false;
  if (::pipe(s.wake) != 0) {
    XCloseDisplay(s.display);
    s.display = nullptr;
    return false;
  }
  s.previousHandler = XSetErrorHandler(onXError);
  s.window = XCreateSimpleWindow(s.display, DefaultRootWindow(s.display), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(s.display, s.window, PropertyChangeMask);
  const char* names[] = {
      "CLIPBOARD", "TARGETS",   "UTF8_STRING",       "TEXT",         "text/plain;charset=utf-8",
      "STRING",    "image/png", "image/bmp",         "INCR",         "BRINEMERE_CLIPBOARD",
      "MULTIPLE",  "ATOM_PAIR", "CLIPBOARD_MANAGER", "SAVE_TARGETS", "BRINEMERE_SAVE_TARGETS"};
  constexpr int count = static_cast<int>(std::size(names));
  Atom atoms[count];
  XInternAtoms(s.display, const_cast<char**>(names), count, False, atoms);
  s.atoms =
      Atoms{atoms[0], atoms[1], atoms[2],  atoms[3],  atoms[4],  atoms[5],  atoms[6], atoms[7],
            atoms[8], atoms[9], atoms[10], atoms[11], atoms[12], atoms[13], atoms[14]};
  s.running = true;
  s.thread = std::thread(serve);
  return true;
}

// Hands a request to the serving thread and waits for its result.
int ask(State& s, std::unique_lock<std::mutex>& lock, Request request) {
  s.request = request;
  s.done = false;
  [[maybe_unused]] const ssize_t n = ::write(s.wake[1], "!", 1);
  s.answered.wait(lock, [&] { return s.done; });
  return s.result;
}

int clipboardSet(std::uint32_t format, const void* data, std::size_t size) {
  // The copies are made before the lock, so the thread keeps serving meanwhile; the
  // pictures other programs read are made by the thread when they ask.
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  Bytes text, utf8;
  std::shared_ptr<const Bytes> dib;
  if (size > 0 && format == CF_TEXT) {
    const std::string ours(bytes, std::find(bytes, bytes + size, 0));
    const std::string converted = emu::utf8From1251(ours);
    text.assign(ours.begin(), ours.end());
    text.push_back(0);
    utf8.assign(converted.begin(), converted.end());
  } else if (size > 40 && format == CF_DIB) {
    dib = std::make_shared<const Bytes>(bytes, bytes + size);
  }
  State& s = state();
  std::unique_lock lock(s.mutex);
  if (!startThread(s)) return 0;
  s.text = std::move(text);
  s.utf8 = std::move(utf8);
  s.dib = std::move(dib);
  s.bmp.clear();
  s.png.clear();
  // Owning with nothing to offer is how the clipboard is emptied.
  return ask(s, lock, Request::own);
}

int clipboardGet(std::uint32_t format, std::vector<std::uint8_t>& data) {
  State& s = state();
  std::unique_lock lock(s.mutex);
  if (!startThread(s)) return 0;
  if (s.owning) {
    const Bytes none;
    const Bytes& ours = format == CF_TEXT ? s.text : format == CF_DIB && s.dib ? *s.dib : none;
    if (ours.empty()) return 0;
    data = ours;
    return 1;
  }
  if (format != CF_TEXT || !ask(s, lock, Request::fetch)) return 0;
  data = std::move(s.fetched);
  data.push_back(0);
  return 1;
}

}  // namespace

void installClipboard(Platform& p) {
  p.clipboardSet = clipboardSet;
  p.clipboardGet = clipboardGet;
}

void stopClipboard() {
  State& s = state();
  {
    std::lock_guard lock(s.mutex);
    if (!s.running) return;
    s.request = Request::stop;
    s.done = false;
    [[maybe_unused]] const ssize_t n = ::write(s.wake[1], "!", 1);
  }
  s.thread.join();
  ::close(s.wake[0]);
  ::close(s.wake[1]);
  s.running = false;
  s.started = false;
  s.owning = false;
}

}  // namespace sdl
