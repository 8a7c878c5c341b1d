// Resource lookup over the generated table.

#include "platform/common/resources.h"

#include <cwctype>

namespace emu {
namespace {

bool sameIgnoringCase(const wchar_t* a, const wchar_t* b) {
  for (; *a && *b; ++a, ++b) {
    if (std::towupper(*a) != std::towupper(*b)) return false;
  }
  return *a == *b;
}

// Win32 names RT_BITMAP by the integer 2; callers pass it as MAKEINTRESOURCE(2).
const wchar_t* typeName(const wchar_t* type) {
  if (reinterpret_cast<std::uintptr_t>(type) == 2) return L"BITMAP";
  return type;
}

const std::uint8_t* findResource(const wchar_t* name, const wchar_t* type, std::size_t& size) {
  size = 0;
  if (!name || !type) return nullptr;
  const wchar_t* wanted = typeName(type);
  for (int i = 0; i < embeddedResourceCount; ++i) {
    const EmbeddedResource& r = embeddedResources[i];
    if (sameIgnoringCase(r.name, name) && sameIgnoringCase(r.type, wanted)) {
      size = r.size;
      return r.data;
    }
  }
  return nullptr;
}

}  // namespace

void installResources(Platform& p) { p.findResource = findResource; }

}  // namespace emu
