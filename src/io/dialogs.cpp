// The standard open and save dialogs, owned by the main window. The chosen path
// lands in one process-wide buffer that each call overwrites.

#include <cwchar>

#include "io/io.h"
#include "platform/platform.h"
#include "shell/shell.h"

namespace {

wchar_t dialogResult[dialogPathLimit];

}  // namespace

const wchar_t* choose_save_file(const wchar_t* title, const wchar_t* extension,
                                const wchar_t* filter) {
  if (!platform.fileDialog(shell.mainWindow, 1, title, filter, dialogResult, dialogPathLimit)) {
    return nullptr;
  }
  // Any dot counts, in a folder name too: "C:\My.Pics\wave" stays as it is.
  if (extension && !std::wcschr(dialogResult, L'.')) {
    if (std::wcslen(dialogResult) + std::wcslen(extension) >= dialogPathLimit) return nullptr;
    std::wcscat(dialogResult, extension);
  }
  return dialogResult;
}

const wchar_t* choose_open_file(const wchar_t* title, const wchar_t* filter) {
  return platform.fileDialog(shell.mainWindow, 0, title, filter, dialogResult, dialogPathLimit)
             ? dialogResult
             : nullptr;
}
