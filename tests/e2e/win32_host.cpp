// win32_host: the Windows side of the end-to-end tests. A preview host window and
// a few remote-control commands that need Win32 rather than X11:
//
//   win32_host window WIDTH HEIGHT   host window with that client size; prints its
//                                    handle (decimal) and serves until closed
//                                    (at most 120 s)
//   win32_host children HANDLE       one line per child window of HANDLE:
//                                    "title|width|height|threads of its process"
//   win32_host find TITLE            "handle x y width height threads" of the
//                                    top-level window TITLE
//   win32_host close TITLE           posts WM_CLOSE to the window TITLE
//   win32_host displaychange TITLE   posts WM_DISPLAYCHANGE (1024x768, 32 bits)
//   win32_host dialog CAPTION        prints the text of the message box CAPTION
//                                    and presses its OK button
//   win32_host owner CAPTION         prints the owner window of the message box
//                                    CAPTION (decimal, 0 for none)
//   win32_host version FILE          what Explorer reads of FILE: one line
//                                    "name|value" per version string, the fixed
//                                    version, string 1 and the number of icons
//
// Exit code 0 on success, 1 when the window is not there, 2 on bad arguments.

#include <windows.h>
// After <windows.h>, which it needs.
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

int usage() {
  std::fwprintf(
      stderr,
      L"usage: win32_host window W H | children HANDLE | find TITLE | "
      L"close TITLE | displaychange TITLE | dialog CAPTION | owner CAPTION | version FILE\n");
  return 2;
}

// Threads of the process that owns `window` (Toolhelp snapshot).
int threadCount(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == process) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  if (message == WM_TIMER) {
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int serveWindow(int width, int height) {
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = hostProc;
  c.hInstance = GetModuleHandleW(nullptr);
  c.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  c.lpszClassName = L"BrinemereTestHost";
  if (!RegisterClassExW(&c)) return 1;
  RECT r{0, 0, width, height};
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  AdjustWindowRect(&r, style, FALSE);
  const HWND window =
      CreateWindowExW(0, c.lpszClassName, L"Brinemere Test Host", style, 20, 20, r.right - r.left,
                      r.bottom - r.top, nullptr, nullptr, c.hInstance, nullptr);
  if (!window) return 1;
  SetTimer(window, 1, 120000, nullptr);  // never outlive a broken test
  std::printf("%lu\n", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window)));
  std::fflush(stdout);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return 0;
}

BOOL CALLBACK printChild(HWND child, LPARAM) {
  wchar_t title[256] = {};
  GetWindowTextW(child, title, 256);
  RECT r{};
  GetClientRect(child, &r);
  std::printf("%ls|%ld|%ld|%d\n", title, r.right - r.left, r.bottom - r.top, threadCount(child));
  return TRUE;
}

int listChildren(const wchar_t* handleText) {
  const HWND parent =
      reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::wcstoul(handleText, nullptr, 10)));
  if (!IsWindow(parent)) return 1;
  EnumChildWindows(parent, printChild, 0);
  return 0;
}

int findWindow(const wchar_t* title) {
  const HWND window = FindWindowW(nullptr, title);
  if (!window) return 1;
  RECT r{};
  GetWindowRect(window, &r);
  std::printf("%lu %ld %ld %ld %ld %d\n",
              static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window)), r.left, r.top,
              r.right - r.left, r.bottom - r.top, threadCount(window));
  return 0;
}

int closeWindow(const wchar_t* title) {
  const HWND window = FindWindowW(nullptr, title);
  if (!window) return 1;
  return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
}

// Posted, not sent: the saver answers with a message box that waits for us.
int changeDisplay(const wchar_t* title) {
  const HWND window = FindWindowW(nullptr, title);
  if (!window) return 1;
  return PostMessageW(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768)) ? 0 : 1;
}

BOOL CALLBACK appendText(HWND child, LPARAM text) {
  wchar_t className[64] = {};
  GetClassNameW(child, className, 64);
  if (lstrcmpiW(className, L"Static") == 0) {
    wchar_t part[1024] = {};
    GetWindowTextW(child, part, 1024);
    reinterpret_cast<std::wstring*>(text)->append(part);
  }
  return TRUE;
}

int answerDialog(const wchar_t* caption) {
  const HWND box = FindWindowW(L"#32770", caption);
  if (!box) return 1;
  std::wstring text;
  EnumChildWindows(box, appendText, reinterpret_cast<LPARAM>(&text));
  for (wchar_t& c : text) {
    if (c == L'\n' || c == L'\r') c = L'|';
  }
  std::printf("%ls\n", text.c_str());
  std::fflush(stdout);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return 0;
}

int printOwner(const wchar_t* caption) {
  const HWND box = FindWindowW(L"#32770", caption);
  if (!box) return 1;
  const HWND owner = GetWindow(box, GW_OWNER);
  std::printf("%lu\n", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(owner)));
  return 0;
}

// Read back as Explorer does: through the version API and the module's resources.
int printVersion(const wchar_t* file) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file, &ignored);
  if (size == 0) return 1;
  std::wstring block(size, L'\0');
  if (!GetFileVersionInfoW(file, 0, size, block.data())) return 1;
  const wchar_t* names[] = {L"CompanyName",      L"FileDescription", L"FileVersion",
                            L"InternalName",     L"LegalCopyright",  L"Comments",
                            L"OriginalFilename", L"ProductName",     L"ProductVersion"};
  for (const wchar_t* name : names) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), path.c_str(), &value, &length) && length > 0)
      std::printf("%ls|%ls\n", name, static_cast<const wchar_t*>(value));
  }
  void* fixedValue = nullptr;
  UINT length = 0;
  if (VerQueryValueW(block.data(), L"\\", &fixedValue, &length) &&
      length >= sizeof(VS_FIXEDFILEINFO)) {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(fixedValue);
    std::printf("Fixed|%u.%u.%u.%u\n", unsigned{HIWORD(fixed->dwFileVersionMS)},
                unsigned{LOWORD(fixed->dwFileVersionMS)}, unsigned{HIWORD(fixed->dwFileVersionLS)},
                unsigned{LOWORD(fixed->dwFileVersionLS)});
  }
  const HMODULE module = LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return 1;
  wchar_t text[256] = {};
  if (LoadStringW(module, 1, text, 256) > 0) std::printf("String1|%ls\n", text);
  FreeLibrary(module);
  std::printf("Icons|%u\n", ExtractIconExW(file, -1, nullptr, nullptr, 0));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return usage();
  const std::wstring command = argv[1];
  if (command == L"window" && argc == 4) {
    const int width = _wtoi(argv[2]), height = _wtoi(argv[3]);
    if (width < 1 || height < 1 || width > 4096 || height > 4096) return usage();
    return serveWindow(width, height);
  }
  if (command == L"children") return listChildren(argv[2]);
  if (command == L"find") return findWindow(argv[2]);
  if (command == L"close") return closeWindow(argv[2]);
  if (command == L"displaychange") return changeDisplay(argv[2]);
  if (command == L"dialog") return answerDialog(argv[2]);
  if (command == L"owner") return printOwner(argv[2]);
  if (command == L"version") return printVersion(argv[2]);
  return usage();
}
