// Files, the file-status test, special folders, global blocks and the processor
// count, each a thin call of kernel32 or shell32.

#include "platform/win32/files.h"
#include "platform/win32/backend.h"

#include <windows.h>
// After <windows.h>, which they need.
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>

namespace {

HANDLE fileOf(Handle file) { return reinterpret_cast<HANDLE>(file); }

// ReadFile and WriteFile take 32-bit counts: larger requests go in pieces.
constexpr std::size_t pieceLimit = 1u << 30;

Handle openFile(const wchar_t* path, int forWriting) {
  if (!path || !*path) return 0;
  const HANDLE file = forWriting ? CreateFileW(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                                 : CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<Handle>(file);
}

std::size_t readFile(Handle file, void* buffer, std::size_t count) {
  DWORD done = 0;
  const DWORD want = static_cast<DWORD>(count < pieceLimit ? count : pieceLimit);
  return ReadFile(fileOf(file), buffer, want, &done, nullptr) ? done : 0;
}

std::size_t writeFile(Handle file, const void* data, std::size_t count) {
  std::size_t written = 0;
  while (written < count) {
    const std::size_t left = count - written;
    DWORD done = 0;
    if (!WriteFile(fileOf(file), static_cast<const char*>(data) + written,
                   static_cast<DWORD>(left < pieceLimit ? left : pieceLimit), &done, nullptr) ||
        done == 0) {
      break;
    }
    written += done;
  }
  return written;
}

int fileStatus(const wchar_t* path, std::uint64_t& size) {
  size = 0;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!path || !*path || !GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return 0;
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  }
  return 1;
}

// The item list is freed whether or not it gave a path.
int specialFolderPath(int folderId, wchar_t* path, std::size_t capacity) {
  if (!path || capacity == 0) return 0;
  path[0] = 0;
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, folderId, &items)) || !items) return 0;
  wchar_t found[MAX_PATH] = {};
  const BOOL ok = SHGetPathFromIDListW(items, found);
  CoTaskMemFree(items);
  const std::size_t length = wcslen(found);
  if (!ok || length == 0 || length >= capacity) return 0;
  std::memcpy(path, found, (length + 1) * sizeof(wchar_t));
  return 1;
}

// The folder of the running program's file, with its final separator.
std::wstring ownFolder() {
  std::wstring path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return L"";
  path.resize(n);
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? L"" : path.substr(0, separator + 1);
}

// Whether a file can be made in the folder: its attributes do not say (a folder's
// read-only flag means something else), its access rights are hard to read, so a
// hidden file is made and deleted again.
bool canWriteIn(const std::wstring& folder) {
  const std::wstring probe = folder + L"~brinemere-" + std::to_wstring(GetCurrentProcessId());
  const HANDLE file = CreateFileW(
      probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// Beside the program when it may write there; Program Files and System32, where an
// installed saver lies, are not writable for most users.
std::wstring settingsFolder(const std::wstring& programFolder) {
  const std::wstring named = programFolder.empty() ? ownFolder() : programFolder;
  if (!named.empty() && canWriteIn(named)) return named;
  wchar_t appData[MAX_PATH];
  if (!specialFolderPath(CSIDL_APPDATA, appData, MAX_PATH)) return named;
  const std::wstring folder = std::wstring(appData) + L"\\Brinemere";
  CreateDirectoryW(folder.c_str(), nullptr);  // fails when it exists already
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return named;
  }
  return folder + L"\\";
}

// A fixed block: locking it gives back its own address.
void* globalAlloc(std::size_t size) {
  const HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size ? size : 1);
  return block ? GlobalLock(block) : nullptr;
}

void globalFree(void* address) {
  const HGLOBAL block = GlobalHandle(address);
  if (!block) return;
  GlobalUnlock(block);
  GlobalFree(block);
}

int processorCount() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

}  // namespace

void installWin32Files(Platform& p) {
  p.openFile = openFile;
  p.readFile = readFile;
  p.writeFile = writeFile;
  p.flushFile = [](Handle file) { return FlushFileBuffers(fileOf(file)) ? 1 : 0; };
  p.closeFile = [](Handle file) { CloseHandle(fileOf(file)); };
  p.fileStatus = fileStatus;
  p.replaceFile = [](const wchar_t* from, const wchar_t* to) {
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
  };
  p.deleteFile = [](const wchar_t* path) { return DeleteFileW(path) ? 1 : 0; };
  p.isFolderSeparator = [](wchar_t c) { return c == L'\\' || c == L'/' ? 1 : 0; };
  p.settingsFolder = settingsFolder;
  p.specialFolderPath = specialFolderPath;
  p.globalAlloc = globalAlloc;
  p.globalFree = globalFree;
  p.processorCount = processorCount;
}
