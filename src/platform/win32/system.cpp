// Monitors, resources and the command line.

#include "platform/win32/backend.h"

#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

#include <vector>

namespace win32 {
namespace {

// ---- monitors -----------------------------------------------------------------

BOOL CALLBACK collectRect(HMONITOR, HDC, LPRECT rect, LPARAM list) {
  reinterpret_cast<std::vector<Rect>*>(list)->push_back(
      Rect{rect->left, rect->top, rect->right, rect->bottom});
  return TRUE;
}

BOOL CALLBACK collectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  reinterpret_cast<std::vector<HMONITOR>*>(list)->push_back(monitor);
  return TRUE;
}

// Every monitor of the desktop, no clipping.
int enumMonitors(std::vector<Rect>& monitors) {
  monitors.clear();
  return EnumDisplayMonitors(nullptr, nullptr, collectRect, reinterpret_cast<LPARAM>(&monitors))
             ? 1
             : 0;
}

// The monitor's device name, the display device of that name with the index as
// device number, then the current settings of the device in raw mode.
int monitorFrequency(int index) {
  std::vector<HMONITOR> monitors;
  if (!EnumDisplayMonitors(nullptr, nullptr, collectMonitor, reinterpret_cast<LPARAM>(&monitors))) {
    return 0;
  }
  if (index < 0 || index >= static_cast<int>(monitors.size())) return 0;
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitors[static_cast<std::size_t>(index)], &info)) return 0;
  DISPLAY_DEVICEW device{};
  device.cb = sizeof device;
  EnumDisplayDevicesW(info.szDevice, static_cast<DWORD>(index), &device, 0);
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsExW(info.szDevice, ENUM_CURRENT_SETTINGS, &mode, EDS_RAWMODE)) return 0;
  return static_cast<int>(mode.dmDisplayFrequency);
}

// ---- resources ----------------------------------------------------------------

// FindResourceW compares string names and types without regard to case; an
// integer type such as 2 (RT_BITMAP) passes through as MAKEINTRESOURCE.
const std::uint8_t* findResource(const wchar_t* name, const wchar_t* type, std::size_t& size) {
  size = 0;
  if (!name || !type) return nullptr;
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC resource = FindResourceW(module, name, type);
  if (!resource) return nullptr;
  const HGLOBAL loaded = LoadResource(module, resource);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return nullptr;
  size = SizeofResource(module, resource);
  return static_cast<const std::uint8_t*>(bytes);
}

// ---- command line ---------------------------------------------------------------

std::vector<std::wstring> commandLineArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!list) return arguments;
  for (int i = 0; i < count; ++i) arguments.emplace_back(list[i]);
  LocalFree(list);
  return arguments;
}

}  // namespace

void installSystem(Platform& p) {
  p.enumMonitors = enumMonitors;
  p.monitorFrequency = monitorFrequency;
  p.findResource = findResource;
  p.commandLineArguments = commandLineArguments;
}

}  // namespace win32
