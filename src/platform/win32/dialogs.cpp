// The common open and save dialogs (comdlg32), owned by the main window.

#include "platform/win32/backend.h"

#include <windows.h>
// After <windows.h>, which it needs.
#include <commdlg.h>

#include <cwchar>

namespace win32 {
namespace {

// The system's default folder, the first filter entry, a 2048-character file name
// and a 512-character file title, no default extension.
int fileDialog(Handle owner, int save, const wchar_t* title, const wchar_t* filter, wchar_t* path,
               std::size_t capacity) {
  if (!path || capacity == 0) return 0;
  path[0] = 0;
  wchar_t fileName[2048] = {};
  wchar_t fileTitle[512] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = reinterpret_cast<HWND>(owner);
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = fileName;
  dialog.nMaxFile = 2048;
  dialog.lpstrFileTitle = fileTitle;
  dialog.nMaxFileTitle = 512;
  dialog.lpstrInitialDir = L"";
  dialog.lpstrTitle = title;
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NONETWORKBUTTON | OFN_ENABLESIZING;
  if (save) dialog.Flags |= OFN_OVERWRITEPROMPT;
  const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  const std::size_t length = wcsnlen(fileName, 2048);
  if (!chosen || length == 0 || length >= capacity || length == 2048) return 0;
  wmemcpy(path, fileName, length + 1);
  return 1;
}

}  // namespace

void installDialogs(Platform& p) { p.fileDialog = fileDialog; }

}  // namespace win32
