// The program's resources for the SDL and headless backends: the same files that
// the Windows resource script embeds, compiled into a table and found by name and
// type without regard to case.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace emu {

// One resource of the table.
struct EmbeddedResource {
  const wchar_t* name;       // found without regard to case
  const wchar_t* type;       // L"BINARYDATA", L"BITMAP", L"ICON"
  const std::uint8_t* data;  // the file's bytes
  std::size_t size;          // their count
};

// Sets platform.findResource to look in the table.
void installResources(Platform& platform);

}  // namespace emu

// The program's table, generated from its resource lists at build time
// (brinemere_add_resources); a program without resources defines an empty one.
extern const emu::EmbeddedResource embeddedResources[];
extern const int embeddedResourceCount;  // entries of the table
