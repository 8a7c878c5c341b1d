// Pictures on Windows through the GDI+ flat interface: every decoded picture is
// locked once in 32-bit ARGB, copied out and disposed of at once, so no GDI+ object
// outlives a call. Saves go to a temporary name beside the target and are moved
// over it only when GDI+ reports success.

// WARNING: the record's header comes before <windows.h>, whose macros would mangle
// its Win32-named enumerators (WM_CREATE, VK_ESCAPE, ...).
#include "platform/win32/pictures.h"
#include "platform/codecs/quantize.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <objidl.h>
#include <windows.h>
// clang-format off
#include <gdiplus.h>
// clang-format on

#include <cstring>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

struct PicturesState {
  ULONG_PTR token = 0;
  bool started = false;
};
PicturesState pictures;

bool sizeWithinLimits(UINT width, UINT height) {
  return width >= 1 && height >= 1 && width <= static_cast<UINT>(pictureSideLimit) &&
         height <= static_cast<UINT>(pictureSideLimit) &&
         static_cast<long long>(width) * height <= picturePixelLimit;
}

// Copies a GDI+ bitmap out as ARGB words, top row first, then disposes of it. A
// status other than Ok anywhere (GDI+ decodes lazily, so a broken stream may only
// fail at the lock) leaves the picture empty.
int takeBitmap(GpBitmap* bitmap, PictureData& picture) {
  picture = PictureData{};
  if (!bitmap) return 0;
  UINT width = 0, height = 0;
  bool ok = GdipGetImageWidth(bitmap, &width) == Ok && GdipGetImageHeight(bitmap, &height) == Ok &&
            sizeWithinLimits(width, height);
  if (ok) {
    try {
      picture.pixels.resize(static_cast<std::size_t>(width) * height);
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  BitmapData data{};
  const GpRect whole{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
  ok = ok &&
       GdipBitmapLockBits(bitmap, &whole, ImageLockModeRead, PixelFormat32bppARGB, &data) == Ok;
  if (ok) {
    for (UINT y = 0; y < height; ++y) {
      const auto* row =
          static_cast<const std::uint8_t*>(data.Scan0) + static_cast<INT>(y) * data.Stride;
      std::memcpy(picture.pixels.data() + static_cast<std::size_t>(y) * width, row, width * 4u);
    }
    GdipBitmapUnlockBits(bitmap, &data);
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
  } else {
    picture = PictureData{};
  }
  GdipDisposeImage(bitmap);
  return ok ? 1 : 0;
}

// A GDI+ bitmap over our own pixels (not copied: the picture must outlive it).
GpBitmap* wrapPicture(const PictureData& picture) {
  if (picture.width < 1 || picture.height < 1 ||
      picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height) {
    return nullptr;
  }
  GpBitmap* bitmap = nullptr;
  auto* scan0 = reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(picture.pixels.data()));
  if (GdipCreateBitmapFromScan0(picture.width, picture.height, picture.width * 4,
                                PixelFormat32bppARGB, scan0, &bitmap) != Ok) {
    return nullptr;
  }
  return bitmap;
}

// ---- starting and stopping ----------------------------------------------------------

int startPictures() {
  if (pictures.started) return 1;
  GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  if (GdiplusStartup(&pictures.token, &input, nullptr) != Ok) return 0;
  pictures.started = true;
  return 1;
}

void stopPictures() {
  if (!pictures.started) return;
  GdiplusShutdown(pictures.token);
  pictures.started = false;
}

// ---- decoding -----------------------------------------------------------------------------

// The bytes are copied into a fixed global block that the stream frees on its last
// release; the bitmap holds its own reference while it lives.
int decodePicture(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  picture = PictureData{};
  if (!bytes || size == 0 || size > 0x7FFFFFFF) return 0;
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
  if (!block) return 0;
  std::memcpy(reinterpret_cast<void*>(block), bytes, size);
  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK || !stream) {
    GlobalFree(block);
    return 0;
  }
  GpBitmap* bitmap = nullptr;
  const GpStatus status = GdipCreateBitmapFromStream(stream, &bitmap);
  stream->Release();
  return status == Ok ? takeBitmap(bitmap, picture) : 0;
}

int decodeBitmapResource(const wchar_t* name, PictureData& picture) {
  picture = PictureData{};
  GpBitmap* bitmap = nullptr;
  if (!name || GdipCreateBitmapFromResource(GetModuleHandleW(nullptr), name, &bitmap) != Ok) {
    return 0;
  }
  return takeBitmap(bitmap, picture);
}

int decodePictureFile(const wchar_t* path, PictureData& picture) {
  picture = PictureData{};
  if (!path || !*path) return 0;
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
  GpBitmap* bitmap = nullptr;
  if (GdipCreateBitmapFromFile(path, &bitmap) != Ok) return 0;
  return takeBitmap(bitmap, picture);
}

// ---- resampling ----------------------------------------------------------------------------

// Draws the source over the whole target with high-quality bicubic interpolation;
// tiling with flips mirrors the edge pixels instead of blending them with black.
int resamplePicture(const PictureData& source, int width, int height, PictureData& result) {
  result = PictureData{};
  if (width < 1 || height < 1 ||
      !sizeWithinLimits(static_cast<UINT>(width), static_cast<UINT>(height))) {
    return 0;
  }
  GpBitmap* from = wrapPicture(source);
  if (!from) return 0;
  GpBitmap* to = nullptr;
  GpGraphics* graphics = nullptr;
  GpImageAttributes* attributes = nullptr;
  bool ok = GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &to) == Ok &&
            GdipGetImageGraphicsContext(to, &graphics) == Ok &&
            GdipCreateImageAttributes(&attributes) == Ok;
  ok = ok && GdipSetInterpolationMode(graphics, InterpolationModeHighQualityBicubic) == Ok &&
       GdipSetPixelOffsetMode(graphics, PixelOffsetModeHighQuality) == Ok &&
       GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias) == Ok &&
       GdipSetImageAttributesWrapMode(attributes, WrapModeTileFlipXY, 0xFF000000u, FALSE) == Ok &&
       GdipDrawImageRectRectI(graphics, from, 0, 0, width, height, 0, 0, source.width,
                              source.height, UnitPixel, attributes, nullptr, nullptr) == Ok;
  if (attributes) GdipDisposeImageAttributes(attributes);
  if (graphics) GdipDeleteGraphics(graphics);
  GdipDisposeImage(from);
  if (!ok) {
    if (to) GdipDisposeImage(to);
    return 0;
  }
  return takeBitmap(to, result);
}

// ---- encoding ------------------------------------------------------------------------------

const wchar_t* mimeTypeOf(int format) {
  switch (format) {
    case 1:
      return L"image/jpeg";
    case 2:
      return L"image/gif";
    case 3:
      return L"image/tiff";
    case 4:
      return L"image/png";
    default:
      return L"image/bmp";
  }
}

// The first encoder whose MIME type is exactly `mimeType`: its index, and its class
// identifier in `clsid`; -1 when there is none.
int findEncoderClass(const wchar_t* mimeType, CLSID& clsid) {
  UINT count = 0, bytes = 0;
  if (!mimeType || GdipGetImageEncodersSize(&count, &bytes) != Ok || count == 0 || bytes == 0) {
    return -1;
  }
  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(bytes);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
  if (GdipGetImageEncoders(count, bytes, codecs) != Ok) return -1;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, mimeType) == 0) {
      clsid = codecs[i].Clsid;
      return static_cast<int>(i);
    }
  }
  return -1;
}

int findEncoder(const wchar_t* mimeType) {
  CLSID clsid;
  return findEncoderClass(mimeType, clsid);
}

// The JPEG quality parameter's identifier, {1d5be4b5-fa4a-452d-9cdd-5db35105e7eb}.
const GUID jpegQuality = {
    0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};

// Saves to "<path>.<n>.part" and moves that over `path`; the bitmap is disposed of.
int saveBitmap(GpBitmap* bitmap, const wchar_t* path, int format, int quality) {
  CLSID clsid;
  if (!bitmap) return 0;
  if (!path || !*path || findEncoderClass(mimeTypeOf(format), clsid) < 0) {
    GdipDisposeImage(bitmap);
    return 0;
  }
  static unsigned serial = 0;
  const std::wstring temporary = std::wstring(path) + L"." +
                                 std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(serial++) + L".part";
  // No parameters unless a JPEG quality is asked for.
  ULONG qualityValue = static_cast<ULONG>(quality < 0 ? 0 : quality > 100 ? 100 : quality);
  EncoderParameters parameters{};
  parameters.Count = 1;
  parameters.Parameter[0].Guid = jpegQuality;
  parameters.Parameter[0].NumberOfValues = 1;
  parameters.Parameter[0].Type = EncoderParameterValueTypeLong;
  parameters.Parameter[0].Value = &qualityValue;
  const EncoderParameters* withQuality = format == 1 && quality >= 0 ? &parameters : nullptr;
  const bool saved = GdipSaveImageToFile(bitmap, temporary.c_str(), &clsid, withQuality) == Ok;
  GdipDisposeImage(bitmap);
  if (saved && MoveFileExW(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING)) return 1;
  DeleteFileW(temporary.c_str());
  return 0;
}

// An 8-bit palette bitmap of the picture over `indices` (which must outlive it).
// GDI+ would reduce the colours of a 32-bit picture itself, and Wine's GIF encoder
// writes an empty file for one; the median cut gives the same GIF as on the other
// targets.
GpBitmap* palettePicture(const PictureData& picture, std::vector<std::uint8_t>& indices) {
  if (picture.width < 1 || picture.height < 1 ||
      picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height) {
    return nullptr;
  }
  std::uint32_t colours[256];
  int count = 0, transparent = -1;
  std::vector<std::uint8_t> packed;
  std::vector<std::uint8_t> paletteBytes;
  const int stride = (picture.width + 3) & ~3;  // rows of a GDI+ bitmap are 4-byte aligned
  try {
    packed.resize(picture.pixels.size());
    emu::quantize(picture, 256, colours, count, packed.data(), transparent);
    indices.assign(static_cast<std::size_t>(stride) * picture.height, 0);
    paletteBytes.assign(sizeof(ColorPalette) + 256 * sizeof(ARGB), 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(&indices[static_cast<std::size_t>(y) * stride],
                &packed[static_cast<std::size_t>(y) * picture.width], picture.width);
  }
  auto* palette = reinterpret_cast<ColorPalette*>(paletteBytes.data());
  palette->Flags = transparent >= 0 ? PaletteFlagsHasAlpha : 0;
  palette->Count = static_cast<UINT>(count);
  for (int i = 0; i < count; ++i) {
    palette->Entries[i] = i == transparent ? 0 : 0xFF000000u | colours[i];
  }
  GpBitmap* bitmap = nullptr;
  if (GdipCreateBitmapFromScan0(picture.width, picture.height, stride, PixelFormat8bppIndexed,
                                indices.data(), &bitmap) != Ok) {
    return nullptr;
  }
  if (GdipSetImagePalette(bitmap, palette) != Ok) {
    GdipDisposeImage(bitmap);
    return nullptr;
  }
  return bitmap;
}

int encodePictureFile(const PictureData& picture, const wchar_t* path, int format, int quality) {
  if (format != 2) return saveBitmap(wrapPicture(picture), path, format, quality);
  std::vector<std::uint8_t> indices;
  return saveBitmap(palettePicture(picture, indices), path, format, quality);
}

// The surface is a memory context holding a DIB section: its bitmap is saved as
// GDI+ reads it, without a palette (32 bits, alpha ignored).
int encodeSurfaceFile(Handle surface, const wchar_t* path, int format, int quality) {
  const HDC dc = reinterpret_cast<HDC>(surface);
  if (!dc || GetObjectType(dc) != OBJ_MEMDC) return 0;
  const HBITMAP dib = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
  GpBitmap* bitmap = nullptr;
  if (!dib || GdipCreateBitmapFromHBITMAP(dib, nullptr, &bitmap) != Ok) return 0;
  return saveBitmap(bitmap, path, format, quality);
}

// Draws onto a window's device context through a GDI+ graphics object, at the
// picture's own size.
int drawPicture(Handle dc, const PictureData& picture, int x, int y) {
  GpGraphics* graphics = nullptr;
  if (GdipCreateFromHDC(reinterpret_cast<HDC>(dc), &graphics) != Ok) return 0;
  GpBitmap* bitmap = wrapPicture(picture);
  const bool ok =
      bitmap && GdipDrawImageRectI(graphics, bitmap, x, y, picture.width, picture.height) == Ok;
  if (bitmap) GdipDisposeImage(bitmap);
  GdipDeleteGraphics(graphics);
  return ok ? 1 : 0;
}

}  // namespace

void installGdiplusPictures(Platform& p) {
  p.startPictures = startPictures;
  p.stopPictures = stopPictures;
  p.decodePicture = decodePicture;
  p.decodeBitmapResource = decodeBitmapResource;
  p.decodePictureFile = decodePictureFile;
  p.resamplePicture = resamplePicture;
  p.findEncoder = findEncoder;
  p.encodePictureFile = encodePictureFile;
  p.encodeSurfaceFile = encodeSurfaceFile;
  p.drawPicture = drawPicture;
}
