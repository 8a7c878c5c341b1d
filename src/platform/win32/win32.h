// The Win32 backend: every entry of the platform record is a thin call of the real
// interface (user32, gdi32, kernel32, winmm, DirectDraw, GDI+). This header stays
// free of <windows.h> so the entry point in src/app can include it.
#pragma once

namespace win32 {

// Fills `platform` with the Win32 entries, GDI+ pictures included.
void install();

}  // namespace win32
