// The standard open and save dialogs, owned by the main window. The chosen path
// lands in one process-wide buffer that each call overwrites.

#include <cwchar>

#include "io/io.h"
#include "platform/platform.h"
#include "shell/shell.h"

namespace {

wchar_t dialogResult[dialogPathLimit];
int dialogMissing = 0;  // the last dialog could not be shown at all

// 1 with the chosen path in dialogResult; 0 when cancelled or when there is no
// chooser to show.
int askDialog(int save, const wchar_t* title, const wchar_t* filter) {
  const int answer =
      platform.fileDialog(shell.mainWindow, save, title, filter, dialogResult, dialogPathLimit);
  dialogMissing = answer < 0;
  return answer > 0;
}

// What follows the last folder separator; the whole path when there is none.
const wchar_t* lastComponent(const wchar_t* path) {
  const wchar_t* name = path;
  for (const wchar_t* c = path; *c; ++c) {
    if (platform.isFolderSeparator(*c)) name = c + 1;
  }
  return name;
}

}  // namespace

const wchar_t* choose_save_file(const wchar_t* title, const wchar_t* extension,
                                const wchar_t* filter) {
  if (!askDialog(1, title, filter)) {
    return nullptr;
  }
  // Only a dot in the name itself counts: "/home/jane.doe/wave" still gets one.
  if (extension && !std::wcschr(lastComponent(dialogResult), L'.')) {
    if (std::wcslen(dialogResult) + std::wcslen(extension) >= dialogPathLimit) return nullptr;
    std::wcscat(dialogResult, extension);
  }
  return dialogResult;
}

const wchar_t* choose_open_file(const wchar_t* title, const wchar_t* filter) {
  return askDialog(0, title, filter) ? dialogResult : nullptr;
}

int file_dialog_missing() { return dialogMissing; }
