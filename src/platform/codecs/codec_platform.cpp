// The picture entries of the platform record for SDL and headless: file access,
// format choice by signature and the safe save (a temporary file renamed into place
// only once the encoder has written every byte).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/codecs/codecs.h"
#include "platform/common/resources.h"
#include "platform/common/surface_memory.h"
#include "platform/common/utf8.h"

namespace emu {

namespace {

bool decodeBySignature(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  const auto starts = [&](const char* magic, std::size_t n) {
    return std::memcmp(bytes, magic, n) == 0;
  };
  if (starts("\x89PNG\r\n\x1a\n", 8)) return decodePng(bytes, size, picture);
  if (starts("\xFF\xD8\xFF", 3)) return decodeJpeg(bytes, size, picture);
  if (starts("GIF87a", 6) || starts("GIF89a", 6)) return decodeGif(bytes, size, picture);
  if (starts("II*\0", 4) || starts("MM\0*", 4)) return decodeTiff(bytes, size, picture);
  if (starts("BM", 2)) return decodeBmp(bytes, size, picture);
  return false;
}

}  // namespace

// Memory running out inside a decoder fails the picture like any other error; the
// decoders' own handles close their libraries on the way out.
bool decodeAny(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  picture = PictureData{};
  if (!bytes || size < 8) return false;
  try {
    return decodeBySignature(bytes, size, picture);
  } catch (const std::bad_alloc&) {
    picture = PictureData{};
    return false;
  }
}

namespace {

// ---- paths ----------------------------------------------------------------------

// UTF-8 of a wide path; false for a code point no file name can hold.
bool toUtf8(const wchar_t* path, std::string& out) {
  return path && *path && utf8FromWide(path, out);
}

// The whole of a regular file, at most maxPictureFileBytes.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
            info.st_size <= maxPictureFileBytes;
  if (ok) {
    try {
      bytes.resize(static_cast<std::size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return ok;
}

// ---- saving ---------------------------------------------------------------------

// Memory running out inside an encoder fails the save like any other error.
bool encodeFormat(const PictureData& picture, std::FILE* file, int format, int quality) {
  try {
    switch (format) {
      case 1:
        return encodeJpeg(picture, file, quality < 0 ? 75 : quality);
      case 2:
        return encodeGif(picture, file);
      case 3:
        return encodeTiff(picture, file);
      case 4:
        return encodePng(picture, file);
      default:
        return encodeBmp(picture, file);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Writes to "<path>.<pid>-<n>.part" beside the target, then renames it over the
// target, so a failed save never leaves a file that looks complete.
int saveSafely(const PictureData& picture, const wchar_t* path, int format, int quality) {
  static std::atomic<unsigned> serial{0};
  std::string target;
  if (picture.width < 1 || picture.height < 1 ||
      picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height ||
      !toUtf8(path, target)) {
    return 0;
  }
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary =
        target + "." + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".part";
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return 0;
  }
  if (fd < 0) return 0;
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return 0;
  }
  bool ok = encodeFormat(picture, file, format, quality);
  ok = std::fflush(file) == 0 && ok && !std::ferror(file);
  ok = std::fclose(file) == 0 && ok;
  if (ok) ok = std::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok ? 1 : 0;
}

// ---- platform entries -----------------------------------------------------------

int startPictures() { return 1; }
void stopPictures() {}

int decodePicture(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  return decodeAny(bytes, size, picture) ? 1 : 0;
}

// A bitmap resource holds a packed DIB on Windows; the embedded table may hold the
// whole .bmp file instead. Both are accepted.
int decodeBitmapResource(const wchar_t* name, PictureData& picture) {
  picture = PictureData{};
  if (!platform.findResource) return 0;
  std::size_t size = 0;
  const auto* bitmapType = reinterpret_cast<const wchar_t*>(std::uintptr_t{2});
  const std::uint8_t* bytes = platform.findResource(name, bitmapType, size);
  if (!bytes) return 0;
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
    return decodeBmp(bytes, size, picture) ? 1 : 0;
  return decodeDib(bytes, size, picture) ? 1 : 0;
}

int decodePictureFile(const wchar_t* path, PictureData& picture) {
  picture = PictureData{};
  std::string narrow;
  std::vector<std::uint8_t> bytes;
  if (!toUtf8(path, narrow) || !readWholeFile(narrow, bytes)) return 0;
  return decodeAny(bytes.data(), bytes.size(), picture) ? 1 : 0;
}

int resamplePicture(const PictureData& source, int width, int height, PictureData& result) {
  return resampleBicubic(source, width, height, result) ? 1 : 0;
}

// The encoders in the order the Windows picture library lists its own.
const wchar_t* const encoderTypes[] = {L"image/bmp", L"image/jpeg", L"image/gif", L"image/tiff",
                                       L"image/png"};

int findEncoder(const wchar_t* mimeType) {
  if (!mimeType) return -1;
  for (int i = 0; i < 5; ++i) {
    if (std::wcscmp(encoderTypes[i], mimeType) == 0) return i;
  }
  return -1;
}

int encodePictureFile(const PictureData& picture, const wchar_t* path, int format, int quality) {
  return saveSafely(picture, path, format, quality);
}

}  // namespace

void installCodecs(Platform& p) {
  p.startPictures = startPictures;
  p.stopPictures = stopPictures;
  p.decodePicture = decodePicture;
  p.decodeBitmapResource = decodeBitmapResource;
  p.decodePictureFile = decodePictureFile;
  p.resamplePicture = resamplePicture;
  p.findEncoder = findEncoder;
  p.encodePictureFile = encodePictureFile;
  p.encodeSurfaceFile = emu::encodeSurfaceFile;
}

}  // namespace emu
