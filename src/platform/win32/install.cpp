// The Win32 backend's record: every entry, pictures through GDI+.

#include "platform/win32/backend.h"
#include "platform/win32/files.h"
#include "platform/win32/pictures.h"
#include "platform/win32/win32.h"

namespace win32 {

void install() {
  platform = Platform{};
  installThreads(platform);  // first: the other areas use its kill gate
  installWindows(platform);
  installGdi(platform);
  installSystem(platform);
  installGdiplusPictures(platform);
  installWin32Files(platform);
  installDialogs(platform);
  installClipboard(platform);
}

}  // namespace win32
