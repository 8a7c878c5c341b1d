// The clipboard on user32, opened with no owner window for one call at a time.
// Placed data lives in a movable global block that belongs to the clipboard once
// handed over.

#include "platform/win32/backend.h"

#include <windows.h>

#include <cstring>

namespace win32 {
namespace {

int clipboardSet(std::uint32_t format, const void* data, std::size_t size) {
  if (!OpenClipboard(nullptr)) return 0;
  if (!EmptyClipboard() || size == 0 || !data) {
    CloseClipboard();
    return 0;
  }
  // Text goes in a shareable block, as the text formats expect.
  const UINT flags = format == CF_TEXT ? GMEM_MOVEABLE | GMEM_DDESHARE : GMEM_MOVEABLE;
  const HGLOBAL block = GlobalAlloc(flags, size);
  void* bytes = block ? GlobalLock(block) : nullptr;
  if (!bytes) {
    if (block) GlobalFree(block);
    CloseClipboard();
    return 0;
  }
  std::memcpy(bytes, data, size);
  GlobalUnlock(block);
  const bool placed = SetClipboardData(format, block) != nullptr;
  if (!placed) GlobalFree(block);
  CloseClipboard();
  return placed ? 1 : 0;
}

int clipboardGet(std::uint32_t format, std::vector<std::uint8_t>& data) {
  if (!OpenClipboard(nullptr)) return 0;
  const bool offered = format == CF_TEXT ? IsClipboardFormatAvailable(CF_TEXT) ||
                                               IsClipboardFormatAvailable(CF_OEMTEXT)
                                         : IsClipboardFormatAvailable(format);
  const HANDLE block = offered ? GetClipboardData(format) : nullptr;
  const void* bytes = block ? GlobalLock(block) : nullptr;
  if (bytes) {
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    data.assign(first, first + GlobalSize(block));
    GlobalUnlock(block);
  }
  CloseClipboard();
  return bytes ? 1 : 0;
}

}  // namespace

void installClipboard(Platform& p) {
  p.clipboardSet = clipboardSet;
  p.clipboardGet = clipboardGet;
}

}  // namespace win32
