// Files, folders, global blocks and the processor count for the SDL and headless
// backends on Linux. A file handle is the descriptor plus one (0 stays "none").
//
// Where things live, following the XDG base-directory and user-directory rules:
// - settings: beside the program (in the folder the command line names, else the
//   one its file lies in) when that folder is writable, else in
//   $XDG_CONFIG_HOME/brinemere/ (default ~/.config/brinemere/), made on demand;
// - special folders: the user directories of $XDG_CONFIG_HOME/user-dirs.dirs (or
//   the variables of the same names when the file does not set them), with the
//   usual fallbacks (~/Desktop for the desktop, the home folder for the
//   others, ~/.config and ~/.local/share for the application-data folders).

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/common/posix_files.h"
#include "platform/common/utf8.h"

namespace emu {
namespace {

constexpr std::size_t userDirsFileLimit = 64 * 1024;  // bytes of user-dirs.dirs read

int descriptorOf(Handle file) { return static_cast<int>(file) - 1; }

bool narrowPath(const wchar_t* path, std::string& out) {
  return path && *path && utf8FromWide(path, out);
}

Handle openFile(const wchar_t* path, int forWriting) {
  std::string name;
  if (!narrowPath(path, name)) return 0;
  const int flags = forWriting ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY;
  int fd;
  do {
    fd = ::open(name.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return 0;
  // Reading a folder fails at the first read; refuse it here like Windows does.
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return 0;
  }
  return static_cast<Handle>(fd) + 1;
}

std::size_t readFile(Handle file, void* buffer, std::size_t count) {
  ssize_t n;
  do {
    n = ::read(descriptorOf(file), buffer, count);
  } while (n < 0 && errno == EINTR);
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::size_t writeFile(Handle file, const void* data, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n =
        ::write(descriptorOf(file), static_cast<const char*>(data) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

int flushFile(Handle file) { return ::fsync(descriptorOf(file)) == 0 ? 1 : 0; }

void closeFile(Handle file) { ::close(descriptorOf(file)); }

int fileStatus(const wchar_t* path, std::uint64_t& size) {
  size = 0;
  std::string name;
  struct stat info {};
  if (!narrowPath(path, name) || ::stat(name.c_str(), &info) != 0) return 0;
  if (S_ISREG(info.st_mode)) size = static_cast<std::uint64_t>(info.st_size);
  return 1;
}

// rename() replaces in one step; the folder is synced too, so the new name itself
// survives a crash.
int replaceFile(const wchar_t* from, const wchar_t* to) {
  std::string source, target;
  if (!narrowPath(from, source) || !narrowPath(to, target)) return 0;
  if (::rename(source.c_str(), target.c_str()) != 0) return 0;
  const std::size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return 1;
}

int deleteFile(const wchar_t* path) {
  std::string name;
  return narrowPath(path, name) && ::unlink(name.c_str()) == 0 ? 1 : 0;
}

// A backslash is an ordinary character in a POSIX file name.
int isFolderSeparator(wchar_t c) { return c == L'/' ? 1 : 0; }

// ---- folders -----------------------------------------------------------------------

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return home;
  const passwd* entry = ::getpwuid(::getuid());
  return entry && entry->pw_dir && *entry->pw_dir == '/' ? entry->pw_dir : "";
}

// An XDG variable holding an absolute path, else the home folder and `fallback`;
// empty when there is no home folder either.
std::string xdgFolder(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  if (value && *value == '/') return value;
  const std::string home = homeFolder();
  return home.empty() ? home : home + fallback;
}

// Makes every missing folder of an absolute path; true when it is a folder then.
bool makeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The folder of the running program's file, with its final slash; empty when the
// system does not say.
std::wstring ownFolder() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return L"";
  path.resize(static_cast<std::size_t>(n));
  return wideFromUtf8(path.substr(0, path.find_last_of('/') + 1));
}

std::wstring settingsFolder(const std::wstring& programFolder) {
  const std::wstring named = programFolder.empty() ? ownFolder() : programFolder;
  std::string folder;
  struct stat info {};
  if (!named.empty() && isFolderSeparator(named.back()) && utf8FromWide(named, folder) &&
      ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
      ::access(folder.c_str(), W_OK) == 0) {
    return named;
  }
  const std::string config = xdgFolder("XDG_CONFIG_HOME", "/.config");
  if (config.empty() || !makeFolders(config + "/brinemere")) return named;
  return wideFromUtf8(config + "/brinemere/");
}

}  // namespace

// One line of user-dirs.dirs: XDG_NAME_DIR="$HOME/path" or XDG_NAME_DIR="/path",
// with backslash escapes. Empty when the line does not set `key` in a valid form.
std::string userDirFromLine(const std::string& line, const std::string& key,
                            const std::string& home) {
  std::size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos || line.compare(i, key.size(), key) != 0) return "";
  i = line.find_first_not_of(" \t", i + key.size());
  if (i == std::string::npos || line[i] != '=') return "";
  i = line.find_first_not_of(" \t", i + 1);
  if (i == std::string::npos || line[i] != '"') return "";
  std::string value;
  for (++i; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    value += line[i];
  }
  if (i == line.size()) return "";  // no closing quote
  if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) {
    return home + value.substr(5);
  }
  return value.empty() || value[0] != '/' ? "" : value;
}

std::string userDir(const std::string& key, const std::string& fallback) {
  const std::string home = homeFolder();
  const std::string config = xdgFolder("XDG_CONFIG_HOME", "/.config");
  std::string found;
  if (std::FILE* file = std::fopen((config + "/user-dirs.dirs").c_str(), "rb")) {
    std::string text(userDirsFileLimit, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      // The last line that sets the key wins, as in a shell.
      const std::string value = userDirFromLine(text.substr(start, end - start), key, home);
      if (!value.empty()) found = value;
      start = end + 1;
    }
  }
  // Not in the file: the variable itself, as the desktop's own lookup would take it.
  const char* value = std::getenv(key.c_str());
  if (found.empty() && value && *value == '/') found = value;
  if (!found.empty()) return found;
  return home.empty() ? home : home + fallback;
}

namespace {

int specialFolderPath(int folderId, wchar_t* path, std::size_t capacity) {
  if (!path || capacity == 0) return 0;
  path[0] = 0;
  std::string folder;
  switch (folderId) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
      folder = userDir("XDG_DESKTOP_DIR", "/Desktop");
      break;
    case CSIDL_PERSONAL:
      folder = userDir("XDG_DOCUMENTS_DIR", "");
      break;
    case CSIDL_MYMUSIC:
      folder = userDir("XDG_MUSIC_DIR", "");
      break;
    case CSIDL_MYVIDEO:
      folder = userDir("XDG_VIDEOS_DIR", "");
      break;
    case CSIDL_MYPICTURES:
      folder = userDir("XDG_PICTURES_DIR", "");
      break;
    case CSIDL_TEMPLATES:
      folder = userDir("XDG_TEMPLATES_DIR", "");
      break;
    case CSIDL_APPDATA:
      folder = xdgFolder("XDG_CONFIG_HOME", "/.config");
      break;
    case CSIDL_LOCAL_APPDATA:
      folder = xdgFolder("XDG_DATA_HOME", "/.local/share");
      break;
    case CSIDL_PROFILE:
      folder = homeFolder();
      break;
    default:
      return 0;
  }
  const std::wstring wide = wideFromUtf8(folder);
  if (wide.empty() || wide.size() >= capacity) return 0;
  wide.copy(path, wide.size());
  path[wide.size()] = 0;
  return 1;
}

int processorCount() {
  const long count = ::sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? static_cast<int>(count) : 1;
}

}  // namespace

void installFiles(Platform& p) {
  p.openFile = openFile;
  p.readFile = readFile;
  p.writeFile = writeFile;
  p.flushFile = flushFile;
  p.closeFile = closeFile;
  p.fileStatus = fileStatus;
  p.replaceFile = replaceFile;
  p.deleteFile = deleteFile;
  p.isFolderSeparator = isFolderSeparator;
  p.settingsFolder = settingsFolder;
  p.specialFolderPath = specialFolderPath;
  p.globalAlloc = [](std::size_t size) { return std::calloc(size ? size : 1, 1); };
  p.globalFree = [](void* block) { std::free(block); };
  p.processorCount = processorCount;
}

}  // namespace emu
