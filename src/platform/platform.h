// The platform interface: the small subset of Win32 that the portable shell and
// framework call. It keeps Win32's message numbers, virtual-key codes and
// wParam/lParam packing, so the shell is written once, exactly in Win32 terms.
//
// The interface is one record of function pointers, `platform`. Each backend
// (win32, sdl, headless) fills it at start; tests fill it with recording fakes.
// On Windows every entry is a thin call of the real interface; elsewhere each is
// emulated from what the shell expects of it. Results follow Win32: 0 or null is
// failure unless an entry says otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Handle = std::uintptr_t;  // window, device context, thread, surface, resource
using WParam = std::uintptr_t;  // a message's first parameter, Win32's packing
using LParam = std::intptr_t;   // a message's second parameter, Win32's packing
using LResult = std::intptr_t;  // what a window procedure returns

// ---- Window messages (Win32 numbers) ---------------------------------------
enum : std::uint32_t {
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_GETMINMAXINFO = 0x0024,
  WM_DISPLAYCHANGE = 0x007E,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_TIMER = 0x0113,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_LBUTTONDBLCLK = 0x0203,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_RBUTTONDBLCLK = 0x0206,
  WM_MBUTTONDOWN = 0x0207,
  WM_MBUTTONUP = 0x0208,
  WM_MBUTTONDBLCLK = 0x0209,
  WM_MOUSEWHEEL = 0x020A,
  WM_COPY = 0x0301,
  WM_PASTE = 0x0302,
  WM_DRAWCLIPBOARD = 0x0308,
  WM_CHANGECBCHAIN = 0x030D,
};

// ---- Virtual-key codes used by the framework and the scene -----------------
enum : int {
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,
  VK_PAUSE = 0x13,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_F1 = 0x70,
};

// ---- Styles, message-box flags, stock objects, metrics ---------------------
enum : std::uint32_t {
  WS_POPUP = 0x80000000u,
  WS_CHILD = 0x40000000u,
  WS_VISIBLE = 0x10000000u,
  WS_DISABLED = 0x08000000u,
  WS_CAPTION = 0x00C00000u,
  WS_SYSMENU = 0x00080000u,
  CS_PARENTDC = 0x0080u,
  MB_OK = 0x0000u,
  MB_ICONERROR = 0x0010u,
  SW_SHOWNORMAL = 1u,
};
enum : int { SM_CXSCREEN = 0, SM_CYSCREEN = 1 };
enum : int { WHITE_BRUSH = 0, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4 };
enum : int { THREAD_PRIORITY_HIGHEST = 2, THREAD_PRIORITY_TIME_CRITICAL = 15 };
enum : std::uint32_t { TA_CENTER = 6 };
// Clipboard formats and shell folder ids (Win32 numbers).
enum : std::uint32_t { CF_TEXT = 1, CF_OEMTEXT = 7, CF_DIB = 8 };
enum : int {
  CSIDL_DESKTOP = 0x0000,
  CSIDL_PERSONAL = 0x0005,  // documents
  CSIDL_MYMUSIC = 0x000D,
  CSIDL_MYVIDEO = 0x000E,
  CSIDL_DESKTOPDIRECTORY = 0x0010,
  CSIDL_TEMPLATES = 0x0015,
  CSIDL_APPDATA = 0x001A,
  CSIDL_LOCAL_APPDATA = 0x001C,
  CSIDL_MYPICTURES = 0x0027,
  CSIDL_PROFILE = 0x0028,
};

// A rectangle as Win32 gives it: right and bottom exclusive.
struct Rect {
  int left;    // first column
  int top;     // first row
  int right;   // column after the last
  int bottom;  // row after the last
};

// One message as the loop receives it.
struct Message {
  Handle window;          // the window it is for
  std::uint32_t message;  // WM_...
  WParam wParam;          // its first parameter
  LParam lParam;          // its second parameter
};

// What a window class carries. The window procedure is always the shell's.
struct WindowClass {
  const wchar_t* name;  // the class name, the title of the program's windows
  std::uint32_t style;  // CS_PARENTDC for the preview child, 0 for the main window
  int withIcon;         // "ICON_MAIN" from the resources, else the standard icon
  int customCursor;     // "USER_CURSOR" from the resources, else the standard arrow
  int blackBackground;  // stock black brush as the class background
};

// The shell's window procedure, as the backend calls it for every message.
using WindowProcedure = LResult (*)(Handle window, std::uint32_t message, WParam, LParam);
// A thread's body; its result is the thread's exit code.
using ThreadBody = std::uint32_t (*)(void* parameter);

// A decoded picture: 32-bit ARGB, top row first, rows packed. Decoders refuse
// pictures beyond the limits, which bound what a user's file can make us allocate.
constexpr int pictureSideLimit = 16384;             // pixels, either side
constexpr long long picturePixelLimit = 1LL << 26;  // 64 M pixels, 256 MiB
// A decoded picture.
struct PictureData {
  int width = 0;                      // pixels a row
  int height = 0;                     // rows
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, width x height
};

// The backend's entries, filled by installPlatform (or a test's fake).
struct Platform {
  // ---- windows and messages ----
  // Registers a window class whose procedure is `procedure`; 1 or 0.
  int (*registerClass)(const WindowClass& windowClass, WindowProcedure procedure);
  // CreateWindowExW with extended style 0; 0 on failure. WM_CREATE reaches the
  // procedure before this returns.
  Handle (*createWindow)(const wchar_t* className, const wchar_t* title, std::uint32_t style, int x,
                         int y, int width, int height, Handle parent);
  void (*showWindow)(Handle window, int showCommand);  // ShowWindow (SW_SHOWNORMAL ...)
  void (*updateWindow)(Handle window);                 // UpdateWindow: WM_PAINT now when one is due
  int (*destroyWindow)(Handle window);  // DestroyWindow: WM_DESTROY, then gone; 1 or 0
  // GetMessageW for all windows: 0 once WM_QUIT is taken, else 1.
  int (*getMessage)(Message& message);
  // TranslateMessage then DispatchMessageW.
  void (*dispatchMessage)(const Message& message);
  // DefWindowProcW: the default handling of a message the shell passes on.
  LResult (*defWindowProc)(Handle window, std::uint32_t message, WParam wParam, LParam lParam);
  void (*postQuitMessage)(int exitCode);  // WM_QUIT ends the loop with this code
  // Synchronous from any thread, as on Windows; from another thread it waits until
  // the main thread has handled the message.
  LResult (*sendMessage)(Handle window, std::uint32_t message, WParam wParam, LParam lParam);
  // PostMessageW: queued for the main thread, returns at once; 1 or 0.
  int (*postMessage)(Handle window, std::uint32_t message, WParam wParam, LParam lParam);
  // MessageBoxW; blocks until dismissed; returns the button pressed (IDOK = 1).
  int (*messageBox)(Handle owner, const wchar_t* text, const wchar_t* caption, std::uint32_t type);
  // ShowCursor: returns the new display count.
  int (*showCursor)(int show);
  // SetTimer without a timer procedure: WM_TIMER with wParam = id; 1 or 0.
  int (*setTimer)(Handle window, std::uintptr_t id, std::uint32_t milliseconds);
  int (*killTimer)(Handle window, std::uintptr_t id);  // stops it; 1, or 0 when none ran
  int (*getSystemMetrics)(int index);  // SM_CXSCREEN, SM_CYSCREEN: the primary screen
  // FindWindowW(NULL, title); 0 when no window has that title.
  Handle (*findWindow)(const wchar_t* title);
  int (*getClientRect)(Handle window, Rect& rect);  // 1, or 0 for a window that is not
  // SetWindowPos to the top of the z order, no move, no size.
  int (*bringToTop)(Handle window);
  // MoveWindow: screen position and outer size; 1 or 0.
  int (*moveWindow)(Handle window, int x, int y, int width, int height, int repaint);
  // SetClipboardViewer (returns the next viewer) and ChangeClipboardChain.
  Handle (*setClipboardViewer)(Handle window);
  int (*changeClipboardChain)(Handle window, Handle next);  // leaves the chain; 1 or 0
  // GetCommandLineW split by CommandLineToArgvW; argument 0 is the program path.
  std::vector<std::wstring> (*commandLineArguments)();

  // ---- device contexts, painting and GDI ----
  Handle (*getDC)(Handle window);              // the window's device context; 0 on failure
  int (*releaseDC)(Handle window, Handle dc);  // gives it back; 1 or 0
  Handle (*beginPaint)(Handle window);         // BeginPaint: the context for WM_PAINT
  void (*endPaint)(Handle window);             // EndPaint: the window is valid again
  // FillRect with a stock brush (WHITE_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH).
  int (*fillRectStock)(Handle dc, const Rect& rect, int stockBrush);
  // SetBkColor, SetTextColor, SetTextAlign then TextOutW. Colours are 0x00BBGGRR.
  int (*textOut)(Handle dc, int x, int y, const wchar_t* text, std::uint32_t backColour,
                 std::uint32_t textColour, std::uint32_t align);

  // ---- the back buffer ----
  // A memory context compatible with `windowDC` holding a 32-bit bottom-up DIB
  // section of width x height; *pixels receives its page-aligned memory. 0 on failure.
  Handle (*createSurface)(Handle windowDC, int width, int height, void** pixels);
  // Selects the previous bitmap back, deletes the DIB section and the context.
  void (*releaseSurface)(Handle surface);
  // BitBlt(dc, x, y, width, height, surface, sourceX, sourceY, SRCCOPY). The frame is
  // on screen when it returns.
  int (*bitBlt)(Handle dc, int x, int y, int width, int height, Handle surface, int sourceX,
                int sourceY);
  // One frame: BitBlt of each rectangle (right and bottom exclusive) of the surface
  // to the same place of dc, all on screen when it returns; 1 when every one was.
  int (*presentRects)(Handle dc, Handle surface, const Rect* rects, int count);

  // ---- threads and time ----
  // CreateThread running `body(parameter)` at once; 0 on failure.
  Handle (*createThread)(ThreadBody body, void* parameter);
  // TerminateThread. Where a thread cannot be killed, the backend stops it at its
  // next wait point (sleep, send, present) and returns once it has ended. Win32
  // kills it there too, when it gets there within half a second: elsewhere it may
  // hold a lock the rest of the process needs.
  int (*terminateThread)(Handle thread);
  int (*setThreadPriority)(Handle thread, int priority);      // THREAD_PRIORITY_...; 1 or 0
  void (*sleep)(std::uint32_t milliseconds);                  // Sleep; a stop point elsewhere
  std::uint32_t (*timeGetTime)();                             // milliseconds, wrapping at 2^32
  void (*timeBeginPeriod)(std::uint32_t milliseconds);        // the timer resolution asked for
  int (*queryPerformanceFrequency)(std::int64_t& frequency);  // ticks a second; 0: no counter
  int (*queryPerformanceCounter)(std::int64_t& counter);      // now, in ticks; 1 or 0
  // Major version of the system (GetVersionExW).
  int (*systemMajorVersion)();
  // The vertical-blank object: create (1 or 0), wait for the end of the next blank
  // (1 or 0), release. A backend without a blocking wait fails create.
  int (*createVerticalBlank)();
  int (*waitVerticalBlank)();      // until the next blank ends; 1 or 0
  void (*releaseVerticalBlank)();  // releases the object; none is fine

  // ---- monitors ----
  // Rectangles of the desktop's monitors in enumeration order; 0 on failure.
  int (*enumMonitors)(std::vector<Rect>& monitors);
  // Current display frequency (Hz) of monitor `index`, 0 when unknown.
  int (*monitorFrequency)(int index);

  // ---- resources ----
  // The bytes of resource `name` of `type` (names and types without regard to case);
  // type 2 (RT_BITMAP) is a bitmap resource. Null when missing.
  const std::uint8_t* (*findResource)(const wchar_t* name, const wchar_t* type, std::size_t& size);

  // ---- pictures ----
  // GdiplusStartup / GdiplusShutdown: the picture entries below work between them.
  // 1 or 0.
  int (*startPictures)();
  void (*stopPictures)();  // GdiplusShutdown
  // Decodes PNG, JPEG, GIF, TIFF or BMP bytes; 0 on any failure (picture empty).
  int (*decodePicture)(const std::uint8_t* bytes, std::size_t size, PictureData& picture);
  // Decodes a bitmap resource by name; 0 when missing or broken.
  int (*decodeBitmapResource)(const wchar_t* name, PictureData& picture);
  // Decodes an existing file; 0 when missing or broken.
  int (*decodePictureFile)(const wchar_t* path, PictureData& picture);
  // High-quality bicubic resample with mirrored edges; 0 on failure.
  int (*resamplePicture)(const PictureData& source, int width, int height, PictureData& result);
  // Index of the encoder for a MIME type ("image/png"; exact, case-sensitive), -1
  // when there is none.
  int (*findEncoder)(const wchar_t* mimeType);
  // Encodes `picture` to `path` as format 0 BMP, 1 JPEG, 2 GIF, 3 TIFF, 4 PNG; JPEG
  // quality 0..100, or -1 for the encoder's default. 1 or 0. A failed save leaves no
  // file behind.
  int (*encodePictureFile)(const PictureData& picture, const wchar_t* path, int format,
                           int quality);
  // The same for a whole surface of createSurface, alpha ignored (a screen shot).
  int (*encodeSurfaceFile)(Handle surface, const wchar_t* path, int format, int quality);
  // Draws `picture` unscaled with its top-left corner at (x, y) of a device context,
  // over what is there by its alpha, clipped to the context. 1 or 0.
  int (*drawPicture)(Handle dc, const PictureData& picture, int x, int y);

  // ---- files, folders, dialogs, clipboard, system information ----
  // Opens an existing file for shared reading (forWriting 0), or creates or truncates
  // one for shared writing (1); 0 on failure.
  Handle (*openFile)(const wchar_t* path, int forWriting);
  // Reads up to `count` bytes, as many as the file still has; returns the bytes read
  // (0 at the end or on an error).
  std::size_t (*readFile)(Handle file, void* buffer, std::size_t count);
  // Writes `count` bytes; returns the bytes written (fewer only on an error).
  std::size_t (*writeFile)(Handle file, const void* data, std::size_t count);
  // Pushes what was written to the disk (FlushFileBuffers); 1 or 0.
  int (*flushFile)(Handle file);
  void (*closeFile)(Handle file);  // closes it; 0 is ignored
  // 1 when the path can be queried (a file or a folder), with the size of a file in
  // `size` (0 for a folder); 0 when it cannot.
  int (*fileStatus)(const wchar_t* path, std::uint64_t& size);
  // Renames `from` to `to` in one step, replacing `to`: readers see the old file or
  // the new one, never a mix. 1 or 0.
  int (*replaceFile)(const wchar_t* from, const wchar_t* to);
  int (*deleteFile)(const wchar_t* path);  // 1 or 0
  // Whether `c` separates folders in a path ('\\' or '/' on Windows, '/' elsewhere).
  int (*isFolderSeparator)(wchar_t c);
  // The folder for the program's settings file, given the folder of the program as
  // the command line names it (with its final separator; empty when it names none:
  // then the folder the program's file lies in). That folder when it is one and
  // writable, else the user's settings folder for the program, created when missing
  // (Brinemere in %APPDATA% on Windows, $XDG_CONFIG_HOME/brinemere/ elsewhere), else
  // the program's folder. Always ends with a separator unless it is empty.
  std::wstring (*settingsFolder)(const std::wstring& programFolder);
  // The path of a shell folder (CSIDL_...) into `path`, which holds `capacity`
  // characters with the terminating zero. 1, or 0 when the folder cannot be resolved
  // or its path does not fit.
  int (*specialFolderPath)(int folderId, wchar_t* path, std::size_t capacity);
  // The standard open (save 0) or save (save 1) dialog owned by `owner`: `filter` is a
  // double-zero-terminated list of description and pattern pairs, the first one
  // selected. 1 with the chosen path in `path` (capacity characters with the zero),
  // 0 when cancelled, failed or the path does not fit, -1 when the system has no
  // file chooser to show. Blocks the calling thread.
  int (*fileDialog)(Handle owner, int save, const wchar_t* title, const wchar_t* filter,
                    wchar_t* path, std::size_t capacity);
  // A fixed, locked, zero-filled global memory block; null on failure. Free releases
  // it; null is ignored.
  void* (*globalAlloc)(std::size_t size);
  void (*globalFree)(void* block);  // frees a block of globalAlloc
  // Opens the clipboard (no owner window), empties it and, when `size` > 0, places a
  // copy of the bytes as `format` (CF_TEXT: text with its zero; CF_DIB: the 40-byte
  // header and the pixels); closes it. 1 when the data was placed, else 0 (always 0
  // for size 0, which leaves the clipboard empty).
  int (*clipboardSet)(std::uint32_t format, const void* data, std::size_t size);
  // Opens the clipboard, copies out the data it holds as `format` (CF_TEXT: the text
  // with its zero, also when only CF_OEMTEXT or another text format is offered),
  // closes it. 1, or 0 when there is none.
  int (*clipboardGet)(std::uint32_t format, std::vector<std::uint8_t>& data);
  // Number of logical processors (GetSystemInfo); at least 1.
  int (*processorCount)();
};

// ---- 8-bit text ----------------------------------------------------------
// The framework's 8-bit text is code page 1251, the font's order. Backends whose
// system speaks Unicode convert at their edge with these two.
constexpr unsigned char cp1251Replacement = '?';  // for what the code page cannot hold
// The Unicode code point of byte `c` (0x98, unassigned, maps to U+0098).
char32_t codePointOf1251(unsigned char c);
// The byte of `codePoint` in the code page, cp1251Replacement when it has none.
unsigned char cp1251Of(char32_t codePoint);

// The installed backend. Zero until a backend or a test fills it.
extern Platform platform;

// Fills `platform` with the backend linked into this program.
void installPlatform();
