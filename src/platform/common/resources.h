// The program's resources for the SDL and headless backends: the same files that
// the Windows resource script embeds, compiled into a table and found by name and
// type without regard to case.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace emu {

struct EmbeddedResource {
  const wchar_t* name;
  const wchar_t* type;  // L"BINARYDATA", L"BITMAP", L"ICON"
  const std::uint8_t* data;
  std::size_t size;
};

// Sets platform.findResource to look in the table.
void installResources(Platform& platform);

}  // namespace emu

// Generated from resources/resources.txt at build time.
extern const emu::EmbeddedResource embeddedResources[];
extern const int embeddedResourceCount;
