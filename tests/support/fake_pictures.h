// Pictures a test hands to the picture module as "BINARYDATA" resources, decoded
// without any codec: each resource's bytes are its index, and the fake decoder hands
// back the stored picture. The shell sandbox records the error boxes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake_pictures {

struct Entry {
  std::wstring name;  // matched exactly; the real lookup's case rule is tested elsewhere
  PictureData picture;
  std::uint8_t index;
};

// Installs the fake resource lookup, decoder and picture-library start/stop into the
// current platform record, with these pictures.
void install(const std::vector<std::pair<std::wstring, PictureData>>& pictures);

PictureData solid(int width, int height, std::uint32_t colour);

// Flat stand-ins for every picture a run of the program loads (the splash, the
// preview, the font), so whole runs need neither codecs nor embedded resources.
// Call after headless::configure, which installs the backend's own resources.
void installProgramStandIns(std::uint32_t splashColour, std::uint32_t previewColour);

}  // namespace fake_pictures
