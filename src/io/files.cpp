// Whole files, the current-file stream, the file-status test, special folders and
// global blocks, on the platform's file entries.
//
// Every read is bounded by the buffer the caller says it has, never by what a file
// claims: a file may grow between the size lookup and the read.

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <string>

#include "io/io.h"
#include "platform/platform.h"
#include "surface/memory.h"

namespace {

Handle currentFile = 0;

// Reads until `count` bytes are in or the file ends.
std::size_t readFully(Handle file, std::uint8_t* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const std::size_t n = platform.readFile(file, buffer + done, count - done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

}  // namespace

// ---- whole files ------------------------------------------------------------------

std::size_t read_whole_file(const wchar_t* path, void* buffer, std::size_t count,
                            std::size_t capacity) {
  if (!path || !buffer || capacity == 0) return 0;
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  bytes[0] = 0;
  if (count == 0) {
    std::uint64_t size = 0;
    if (!platform.fileStatus(path, size) || size == 0) return 0;
    count = size < capacity ? static_cast<std::size_t>(size) : capacity;
  }
  if (count > capacity - 1) count = capacity - 1;
  const Handle file = platform.openFile(path, 0);
  if (!file) return 0;
  const std::size_t done = readFully(file, bytes, count);
  platform.closeFile(file);
  bytes[done] = 0;
  return done;
}

void* load_file(const wchar_t* path, int aligned, std::size_t* size) {
  if (size) *size = 0;
  std::uint64_t fileSize = 0;
  if (!path || !platform.fileStatus(path, fileSize) || fileSize == 0 || fileSize > wholeFileLimit) {
    return nullptr;
  }
  const std::size_t count = static_cast<std::size_t>(fileSize);
  void* block = aligned ? allocAligned(count + 2, 16, 0) : std::malloc(count + 2);
  if (!block) {
    if (!aligned) reportOutOfMemory();  // allocAligned has shown it already
    return nullptr;
  }
  static_cast<std::uint8_t*>(block)[count + 1] = 0;
  const std::size_t done = read_whole_file(path, block, count, count + 2);
  if (done == 0) {
    aligned ? freeAligned(block) : std::free(block);
    return nullptr;
  }
  if (size) *size = done;
  return block;
}

std::size_t write_whole_file(const wchar_t* path, const void* data, std::size_t count) {
  if (!path || !*path || (!data && count > 0)) return 0;
  // The temporary lives beside the file, so the rename never crosses a disk.
  const std::wstring temporary = std::wstring(path) + L".new";
  const Handle file = platform.openFile(temporary.c_str(), 1);
  if (!file) return 0;
  const bool written = platform.writeFile(file, data, count) == count;
  const bool flushed = written && platform.flushFile(file);
  platform.closeFile(file);
  if (flushed && platform.replaceFile(temporary.c_str(), path)) return count;
  platform.deleteFile(temporary.c_str());
  return 0;
}

int file_exists(const wchar_t* path) {
  std::uint64_t size = 0;
  return path && platform.fileStatus(path, size) ? 1 : 0;
}

int special_folder_path(int folderId, wchar_t* path) {
  if (!path) return 0;
  path[0] = 0;
  return platform.specialFolderPath(folderId, path, 260);
}

const wchar_t* dated_file_path(const wchar_t* folder, const wchar_t* stem,
                               const wchar_t* extension) {
  static wchar_t path[dialogPathLimit];
  if (!folder || !*folder || !stem || !extension) return nullptr;
  std::wstring front = folder;
  if (!platform.isFolderSeparator(front.back())) {
    front += platform.isFolderSeparator(L'\\') ? L'\\' : L'/';
  }
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (!local) return nullptr;
  wchar_t date[32];
  std::swprintf(date, 32, L"-%04d-%02d-%02d-%02d%02d%02d", local->tm_year + 1900, local->tm_mon + 1,
                local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec);
  front += stem;
  front += date;
  // Two saves in one second must not overwrite each other.
  for (int n = 1; n < 1000; ++n) {
    const std::wstring name =
        front + (n > 1 ? L"-" + std::to_wstring(n) : std::wstring()) + extension;
    if (name.size() >= dialogPathLimit) return nullptr;
    if (file_exists(name.c_str())) continue;
    name.copy(path, name.size());
    path[name.size()] = 0;
    return path;
  }
  return nullptr;
}

// ---- the current-file stream ---------------------------------------------------------

int stream_open_read(const wchar_t* path) {
  stream_close();
  currentFile = path ? platform.openFile(path, 0) : 0;
  return currentFile ? 1 : 0;
}

int stream_open_write(const wchar_t* path) {
  stream_close();
  currentFile = path ? platform.openFile(path, 1) : 0;
  return currentFile ? 1 : 0;
}

std::size_t stream_write(const void* data, std::size_t count) {
  if (!currentFile || !data) return 0;
  return platform.writeFile(currentFile, data, count);
}

std::size_t stream_read(void* buffer, std::size_t count) {
  if (!currentFile || !buffer) return 0;
  return readFully(currentFile, static_cast<std::uint8_t*>(buffer), count);
}

void stream_close() {
  if (currentFile) platform.closeFile(currentFile);
  currentFile = 0;
}

// ---- global memory blocks ---------------------------------------------------------------

void* global_block_alloc(std::size_t size, int zero) {
  void* block = platform.globalAlloc(size);
  if (!block) {
    reportOutOfMemory();
    return nullptr;
  }
  if (zero) std::memset(block, 0, size);
  return block;
}

void global_block_free(void* block) {
  if (block) platform.globalFree(block);
}
