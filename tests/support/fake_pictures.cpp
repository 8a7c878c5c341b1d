// The fake picture resources.

#include "fake_pictures.h"

#include <cwchar>

namespace fake_pictures {
namespace {

std::vector<Entry> entries;

const std::uint8_t* findResource(const wchar_t* name, const wchar_t* type, std::size_t& size) {
  size = 0;
  if (!name || reinterpret_cast<std::uintptr_t>(type) == 2 || std::wcscmp(type, L"BINARYDATA")) {
    return nullptr;
  }
  for (const Entry& e : entries) {
    if (e.name == name) {
      size = 1;
      return &e.index;
    }
  }
  return nullptr;
}

int decodePicture(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  if (!bytes || size != 1 || *bytes >= entries.size()) return 0;
  picture = entries[*bytes].picture;
  return 1;
}

}  // namespace

void install(const std::vector<std::pair<std::wstring, PictureData>>& pictures) {
  entries.clear();
  for (const auto& [name, picture] : pictures) {
    entries.push_back(Entry{name, picture, static_cast<std::uint8_t>(entries.size())});
  }
  platform.findResource = findResource;
  platform.decodePicture = decodePicture;
  platform.decodePictureFile = [](const wchar_t*, PictureData&) { return 0; };
  platform.startPictures = [] { return 1; };
  platform.stopPictures = [] {};
}

PictureData solid(int width, int height, std::uint32_t colour) {
  PictureData p;
  p.width = width;
  p.height = height;
  p.pixels.assign(static_cast<std::size_t>(width) * height, colour);
  return p;
}

void installProgramStandIns(std::uint32_t splashColour, std::uint32_t previewColour) {
  install({{L"LoadScr", solid(655, 214, splashColour)},
           {L"InfoScr", solid(152, 13, 0xFFFFFFFF)},
           {L"UrlScr", solid(108, 13, 0xFFFFFFFF)},
           {L"PreviewScr", solid(152, 112, previewColour)},
           {L"TYPE_EN_RU", solid(8, 2560, 0xFF000000)}});
}

}  // namespace fake_pictures
