// Picture loading and saving over the platform's picture entries. The slot keeps the
// decoded picture as ARGB words, so locking only publishes where they are; sizes
// are checked here as well as in the codecs, since the limits bound every buffer.

#include "image/picture_io.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>

#include "shell/shell.h"
#include "surface/surface.h"

int gdiplusUsers = 0;
PictureSlot pictureSlot;
PictureScale pictureScale;
SaveSettings saveSettings;

namespace {

// ---- save types ----------------------------------------------------------------

struct SaveType {
  const wchar_t* mimeType;
  const wchar_t* extension;
  int format;  // of platform.encodePictureFile
};

const SaveType& saveTypeOf(int type) {
  static const SaveType types[] = {
      {L"image/bmp", L"bmp", 0},  {L"image/jpeg", L"jpg", 1}, {L"image/gif", L"gif", 2},
      {L"image/tiff", L"tif", 3}, {L"image/png", L"png", 4},
  };
  return type >= 1 && type <= 4 ? types[type] : types[0];
}

bool sizeWithinLimits(long long width, long long height) {
  return width >= 1 && height >= 1 && width <= pictureSideLimit && height <= pictureSideLimit &&
         width * height <= picturePixelLimit;
}

// A scaled side, w x factor + 0.5 truncated; -1 when it is out of range.
int scaledSide(int side, float factor) {
  const float scaled = static_cast<float>(side) * factor + 0.5f;
  if (!(scaled >= 1.0f && scaled < static_cast<float>(pictureSideLimit) + 1.0f)) return -1;
  return static_cast<int>(scaled);
}

void copyText(wchar_t* to, const wchar_t* from) {
  std::wcsncpy(to, from, saveTextCapacity - 1);
  to[saveTextCapacity - 1] = 0;
}

// The encoder of the current save type; its extension becomes the current one.
int chooseEncoder() {
  const SaveType& type = saveTypeOf(saveSettings.saveType);
  saveSettings.extension = type.extension;
  return FindEncoder(type.mimeType) >= 0 ? type.format : -1;
}

// Appends `separator` and `counter` zero-padded to `width`; a counter with more
// digits than the width adds nothing after its separator.
bool appendCounter(wchar_t* name, std::size_t& length, const wchar_t* separator, int counter,
                   int width) {
  if (width == 0) return true;
  const std::size_t room = fileNameCapacity - length;
  const std::size_t separatorLength = std::wcslen(separator);
  if (separatorLength >= room) return false;
  std::wmemcpy(name + length, separator, separatorLength);
  length += separatorLength;
  wchar_t digits[fileNameCapacity];
  const int written = std::swprintf(digits, fileNameCapacity, L"%0*d", width, counter);
  if (written < 0) return false;
  if (written > width) return true;
  if (static_cast<std::size_t>(written) >= fileNameCapacity - length) return false;
  std::wmemcpy(name + length, digits, static_cast<std::size_t>(written));
  length += static_cast<std::size_t>(written);
  return true;
}

// Copies a caller's pixel block into packed ARGB. Refuses unknown formats and sizes
// beyond the limits.
bool copyPixels(const void* pixels, int width, int height, int stride, int pixelFormat,
                PictureData& picture) {
  if (!pixels || !sizeWithinLimits(width, height)) return false;
  const bool threeBytes = pixelFormat == PixelFormat24bppRGB;
  if (!threeBytes && pixelFormat != PixelFormat32bppRGB && pixelFormat != PixelFormat32bppARGB &&
      pixelFormat != PixelFormat32bppPARGB) {
    return false;
  }
  const long long rowStep = stride == -1 ? (threeBytes ? (width * 3LL + 3) / 4 * 4 : width * 4LL)
                                         : static_cast<long long>(stride);
  try {
    picture.pixels.assign(static_cast<std::size_t>(width) * height, 0u);
  } catch (const std::bad_alloc&) {
    return false;
  }
  picture.width = width;
  picture.height = height;
  for (int y = 0; y < height; ++y) {
    const auto* row = static_cast<const std::uint8_t*>(pixels) + y * rowStep;
    std::uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      if (threeBytes) {
        const std::uint8_t* p = row + 3 * x;
        out[x] = 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
        continue;
      }
      std::uint32_t p;
      std::memcpy(&p, row + 4 * x, 4);
      if (pixelFormat == PixelFormat32bppRGB) {
        p |= 0xFF000000u;
      } else if (pixelFormat == PixelFormat32bppPARGB) {
        const std::uint32_t a = p >> 24;
        const auto undo = [a](std::uint32_t c) {
          return a ? std::min<std::uint32_t>(255, (c * 255 + a / 2) / a) : 0;
        };
        p = (a << 24) | (undo((p >> 16) & 0xFF) << 16) | (undo((p >> 8) & 0xFF) << 8) |
            undo(p & 0xFF);
      }
      out[x] = p;
    }
  }
  return true;
}

// The back buffer as a picture, top row first, alpha ignored as on screen.
bool copyBackBuffer(PictureData& picture) {
  const BackBuffer& b = backBuffer;
  if (!b.pixels || !sizeWithinLimits(b.surfaceWidth, b.surfaceHeight)) return false;
  const long long rowBytes = b.surfaceWidth * 4LL;
  const auto* top = b.bottomUp ? b.pixels + (b.surfaceHeight - 1) * rowBytes : b.pixels;
  return copyPixels(top, b.surfaceWidth, b.surfaceHeight,
                    static_cast<int>(b.bottomUp ? -rowBytes : rowBytes), PixelFormat32bppRGB,
                    picture);
}

// Writes the source to `path` as `format`: the back buffer when pixels is null.
int writePicture(const wchar_t* path, int format, const void* pixels, int width, int height,
                 int stride, int pixelFormat) {
  if (!pixels) {
    if (!backBuffer.surface || !platform.encodeSurfaceFile) return 0;
    return platform.encodeSurfaceFile(backBuffer.surface, path, format, -1) ? 1 : 0;
  }
  PictureData picture;
  if (!platform.encodePictureFile ||
      !copyPixels(pixels, width, height, stride, pixelFormat, picture)) {
    return 0;
  }
  return platform.encodePictureFile(picture, path, format, -1) ? 1 : 0;
}

// A decoded picture is kept only within the limits, whatever the platform's
// decoder let through.
int keepDecoded(int decoded) {
  if (!decoded || !sizeWithinLimits(pictureSlot.picture.width, pictureSlot.picture.height) ||
      pictureSlot.picture.pixels.size() !=
          static_cast<std::size_t>(pictureSlot.picture.width) * pictureSlot.picture.height) {
    ClosePicture();
    return 0;
  }
  return 1;
}

}  // namespace

// ---- the picture library's user count ------------------------------------------------

void AcquireGdiplus() {
  if (gdiplusUsers == 0 && !(platform.startPictures && platform.startPictures())) {
    showRuntimeError(L"GDI+ (WindowsXP or later) support not present");
  }
  ++gdiplusUsers;
}

void ReleaseGdiplus() {
  if (gdiplusUsers <= 0) return;
  if (--gdiplusUsers == 0 && platform.stopPictures) platform.stopPictures();
}

// ---- decoding --------------------------------------------------------------------------

void ClosePicture() { pictureSlot = PictureSlot{}; }

int OpenPictureResource(const wchar_t* name) {
  ClosePicture();
  if (!name || !platform.findResource) return 0;
  std::size_t size = 0;
  const auto* bitmapType = reinterpret_cast<const wchar_t*>(std::uintptr_t{2});
  if (platform.findResource(name, bitmapType, size)) {
    return keepDecoded(platform.decodeBitmapResource &&
                       platform.decodeBitmapResource(name, pictureSlot.picture));
  }
  const std::uint8_t* bytes = platform.findResource(name, L"BINARYDATA", size);
  return keepDecoded(bytes && platform.decodePicture &&
                     platform.decodePicture(bytes, size, pictureSlot.picture));
}

int OpenPictureFile(const wchar_t* path) {
  ClosePicture();
  if (!path || !*path || !platform.decodePictureFile) return 0;
  return keepDecoded(platform.decodePictureFile(path, pictureSlot.picture));
}

int OpenPicture(const wchar_t* name) {
  ClosePicture();
  if (!name) return 0;
  std::size_t size = 0;
  const auto* bitmapType = reinterpret_cast<const wchar_t*>(std::uintptr_t{2});
  const bool isResource =
      platform.findResource && (platform.findResource(name, bitmapType, size) ||
                                platform.findResource(name, L"BINARYDATA", size));
  return isResource ? OpenPictureResource(name) : OpenPictureFile(name);
}

void ResizePicture(int width, int height) {
  PictureData& source = pictureSlot.picture;
  if (source.width == 0) return;
  const int w0 = source.width, h0 = source.height;
  if (width == w0 && height == h0) return;

  long long targetWidth = width, targetHeight = height;
  if (pictureScale.scaleX > 0.00001f) {
    targetWidth = scaledSide(w0, pictureScale.scaleX);
    const float vertical =
        pictureScale.scaleY > 0.00001f ? pictureScale.scaleY : pictureScale.scaleX;
    targetHeight = scaledSide(h0, vertical);
  } else if (height == -1) {
    targetHeight = static_cast<long long>(width) * h0 / w0;
  }
  pictureScale.scaleX = pictureScale.scaleY = 0.0f;

  // A refused or failed resample leaves the picture as it is, at ratio 1.
  pictureScale.ratioX = pictureScale.ratioY = 1.0f;
  if (!sizeWithinLimits(targetWidth, targetHeight)) return;
  const int w = static_cast<int>(targetWidth), h = static_cast<int>(targetHeight);
  if (w != w0 || h != h0) {
    PictureData resized;
    if (!platform.resamplePicture || !platform.resamplePicture(source, w, h, resized) ||
        resized.width != w || resized.height != h ||
        resized.pixels.size() != static_cast<std::size_t>(w) * h) {
      return;
    }
    UnlockPicture();
    source = std::move(resized);
  }
  const float ratioX = static_cast<float>(w) / static_cast<float>(w0);
  const float ratioY = static_cast<float>(h) / static_cast<float>(h0);
  pictureScale.ratioX = ratioX;
  pictureScale.ratioY = ratioY;
}

int LockPicture() {
  const PictureData& picture = pictureSlot.picture;
  if (picture.width == 0) return 0;
  pictureSlot.width = picture.width;
  pictureSlot.height = picture.height;
  pictureSlot.stride = picture.width * 4;
  pictureSlot.byteCount = picture.height * pictureSlot.stride;
  pictureSlot.pixels = picture.pixels.data();
  return 1;
}

void UnlockPicture() {
  pictureSlot.width = pictureSlot.height = pictureSlot.stride = pictureSlot.byteCount = 0;
  pictureSlot.pixels = nullptr;
}

int LoadPicturePixels(const wchar_t* name, int width, int height, PictureData& pixels) {
  pixels = PictureData{};
  AcquireGdiplus();
  if (!OpenPicture(name)) {
    ReleaseGdiplus();
    return 0;
  }
  if (width != -1) ResizePicture(width, height);
  LockPicture();
  try {
    pixels.pixels.assign(pictureSlot.pixels, pictureSlot.pixels + pictureSlot.byteCount / 4);
    pixels.width = pictureSlot.width;
    pixels.height = pictureSlot.height;
  } catch (const std::bad_alloc&) {
    pixels = PictureData{};
  }
  UnlockPicture();
  ClosePicture();
  ReleaseGdiplus();
  return pixels.width ? 1 : 0;
}

// ---- saving ----------------------------------------------------------------------------------

int FindEncoder(const wchar_t* mimeType) {
  return platform.findEncoder && mimeType ? platform.findEncoder(mimeType) : -1;
}

int BuildShotName() {
  SaveSettings& s = saveSettings;
  wchar_t* name = s.fileName;
  std::size_t length = 0;
  name[0] = 0;
  for (const wchar_t* part : {s.prefix, s.baseName}) {
    const std::size_t n = std::wcslen(part);
    if (n >= fileNameCapacity - length) return 0;
    std::wmemcpy(name + length, part, n);
    length += n;
  }
  if (!appendCounter(name, length, s.firstSeparator, s.shotCounter, s.shotCounterWidth) ||
      !appendCounter(name, length, s.secondSeparator, s.frameCounter, s.frameCounterWidth)) {
    name[0] = 0;
    return 0;
  }
  const wchar_t* extension = s.extension ? s.extension : L"";
  const std::size_t n = std::wcslen(extension);
  if (n + 1 >= fileNameCapacity - length) {
    name[0] = 0;
    return 0;
  }
  name[length++] = L'.';
  std::wmemcpy(name + length, extension, n);
  name[length + n] = 0;
  return 1;
}

int SaveShot(const void* pixels, int width, int height, int stride, int pixelFormat) {
  const int format = chooseEncoder();
  if (format < 0 || !BuildShotName()) return 0;
  return writePicture(saveSettings.fileName, format, pixels, width, height, stride, pixelFormat);
}

int SavePictureAs(const wchar_t* path, const void* pixels, int width, int height, int stride,
                  int pixelFormat) {
  const int format = chooseEncoder();
  if (format < 0 || !path || !*path) return 0;
  return writePicture(path, format, pixels, width, height, stride, pixelFormat);
}

int SaveShotWithThumb(const wchar_t* prefix, const wchar_t* thumbPrefix, const void* pixels,
                      int width, int height, int stride) {
  if (!pixels) {
    width = shellConfig.windowWidth;
    height = shellConfig.windowHeight;
  }
  int ok = 1;
  if (prefix) {
    copyText(saveSettings.prefix, prefix);
    ok = SaveShot(pixels, width, height, stride, PixelFormat32bppRGB);
  }
  if (thumbPrefix) {
    copyText(saveSettings.prefix, thumbPrefix);
    const int thumbWidth = saveSettings.thumbWidth ? saveSettings.thumbWidth : width / 2;
    const int thumbHeight = saveSettings.thumbHeight ? saveSettings.thumbHeight : height / 2;
    PictureData full, thumb;
    const bool read = pixels ? copyPixels(pixels, width, height, stride, PixelFormat32bppRGB, full)
                             : copyBackBuffer(full);
    if (!read || !sizeWithinLimits(thumbWidth, thumbHeight) || !platform.resamplePicture) return 0;
    if (thumbWidth == full.width && thumbHeight == full.height) {
      thumb = std::move(full);
    } else if (!platform.resamplePicture(full, thumbWidth, thumbHeight, thumb)) {
      return 0;
    }
    ok = SaveShot(thumb.pixels.data(), thumb.width, thumb.height, -1, PixelFormat32bppRGB) && ok;
  }
  return ok;
}

void NextShot() {
  ++saveSettings.shotCounter;
  saveSettings.frameCounter = 1;
}

void NextShotFrame() { ++saveSettings.frameCounter; }

void resetPictureIo() {
  gdiplusUsers = 0;
  ClosePicture();
  pictureScale = PictureScale{};
  saveSettings = SaveSettings{};
}
