// TIFF through libtiff, over our own read and write procedures (memory in, an open
// file out). The first page is decoded. 8-bit RGB and RGBA strips, which is what we
// write, are read row by row exactly; every other layout goes through the library's
// RGBA reader, whose colours come premultiplied and are divided back here.
// Files are written LZW-compressed with the horizontal predictor; alpha, when
// present, is stored unassociated.

#include <sys/stat.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <vector>

#include "platform/codecs/codecs.h"

namespace emu {
namespace {

// ---- memory source ------------------------------------------------------------

struct MemorySource {
  const std::uint8_t* bytes;
  toff_t size;
  toff_t position;
};

tmsize_t readMemory(thandle_t handle, void* out, tmsize_t wanted) {
  auto* source = static_cast<MemorySource*>(handle);
  if (wanted <= 0 || source->position >= source->size) return 0;
  const toff_t n = std::min<toff_t>(static_cast<toff_t>(wanted), source->size - source->position);
  std::memcpy(out, source->bytes + source->position, static_cast<std::size_t>(n));
  source->position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t refuseWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t seekMemory(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<MemorySource*>(handle);
  toff_t base = 0;
  if (whence == SEEK_CUR)
    base = source->position;
  else if (whence == SEEK_END)
    base = source->size;
  // Offsets past the end are allowed, as for a file; reads there return nothing.
  if (offset > ~toff_t{0} - base) return static_cast<toff_t>(-1);
  source->position = base + offset;
  return source->position;
}

int closeNothing(thandle_t) { return 0; }
toff_t memorySize(thandle_t handle) { return static_cast<MemorySource*>(handle)->size; }
int mapNothing(thandle_t, void**, toff_t*) { return 0; }
void unmapNothing(thandle_t, void*, toff_t) {}

// ---- file sink --------------------------------------------------------------------

tmsize_t readFile(thandle_t handle, void* out, tmsize_t wanted) {
  return static_cast<tmsize_t>(
      std::fread(out, 1, static_cast<std::size_t>(wanted), static_cast<std::FILE*>(handle)));
}

tmsize_t writeFile(thandle_t handle, void* bytes, tmsize_t count) {
  const std::size_t n =
      std::fwrite(bytes, 1, static_cast<std::size_t>(count), static_cast<std::FILE*>(handle));
  return n == static_cast<std::size_t>(count) ? count : -1;
}

toff_t seekFile(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<std::FILE*>(handle);
  if (fseeko(file, static_cast<off_t>(offset), whence) != 0) return static_cast<toff_t>(-1);
  return static_cast<toff_t>(ftello(file));
}

toff_t fileSize(thandle_t handle) {
  auto* file = static_cast<std::FILE*>(handle);
  std::fflush(file);
  struct stat info {};
  return fstat(fileno(file), &info) == 0 ? static_cast<toff_t>(info.st_size) : 0;
}

// A bad file is a failure we return, not a line on stderr. Every message also marks
// the file as doubtful (`user` points at a flag): the library warns where it guesses,
// as when a palette picture has lost its palette and is read as grey instead. 1 tells
// the library the message is handled.
int noteMessage(TIFF*, void* user, const char*, const char*, va_list) {
  if (user) *static_cast<bool*>(user) = true;
  return 1;
}

// One allocation of the library above this fails the file (a header may claim
// tiles or strips of any size).
constexpr tmsize_t maxLibraryAllocation = tmsize_t{512} << 20;

struct TiffHandle {
  TIFF* tiff = nullptr;
  ~TiffHandle() {
    if (tiff) TIFFClose(tiff);
  }
};

TIFF* openClient(const char* mode, thandle_t handle, TIFFReadWriteProc read,
                 TIFFReadWriteProc write, TIFFSeekProc seek, TIFFSizeProc size, bool* doubtful) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, maxLibraryAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(options, noteMessage, doubtful);
  TIFFOpenOptionsSetWarningHandlerExtR(options, noteMessage, doubtful);
  TIFF* tiff = TIFFClientOpenExt("picture", mode, handle, read, write, seek, closeNothing, size,
                                 mapNothing, unmapNothing, options);
  TIFFOpenOptionsFree(options);
  return tiff;
}

std::uint32_t unpremultiply(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
  if (a == 0) return 0;
  if (a < 255) {
    r = std::min<std::uint32_t>(255, (r * 255 + a / 2) / a);
    g = std::min<std::uint32_t>(255, (g * 255 + a / 2) / a);
    b = std::min<std::uint32_t>(255, (b * 255 + a / 2) / a);
  }
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// 8-bit RGB or RGBA in contiguous strips, top row first: read exactly.
bool isPlainRgb(TIFF* tiff, std::uint16_t& samples, std::uint16_t& alphaKind) {
  std::uint16_t bits = 0, photometric = 0, planar = PLANARCONFIG_CONTIG,
                orientation = ORIENTATION_TOPLEFT;
  std::uint16_t extraCount = 0;
  std::uint16_t* extra = nullptr;
  if (TIFFIsTiled(tiff) || !TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits) ||
      !TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) ||
      !TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples)) {
    return false;
  }
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
  alphaKind = EXTRASAMPLE_UNSPECIFIED;
  if (samples == 4) {
    if (!TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) || extraCount != 1) {
      return false;
    }
    alphaKind = extra[0];
  }
  return bits == 8 && photometric == PHOTOMETRIC_RGB && planar == PLANARCONFIG_CONTIG &&
         orientation == ORIENTATION_TOPLEFT && (samples == 3 || samples == 4);
}

bool readPlainRgb(TIFF* tiff, std::uint16_t samples, std::uint16_t alphaKind,
                  PictureData& picture) {
  const tmsize_t lineSize = TIFFScanlineSize(tiff);
  if (lineSize < static_cast<tmsize_t>(picture.width) * samples) return false;
  std::vector<std::uint8_t> line(static_cast<std::size_t>(lineSize));
  for (int y = 0; y < picture.height; ++y) {
    if (TIFFReadScanline(tiff, line.data(), static_cast<std::uint32_t>(y), 0) < 0) return false;
    std::uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(y) * picture.width;
    const std::uint8_t* in = line.data();
    for (int x = 0; x < picture.width; ++x, in += samples) {
      std::uint32_t a = samples == 4 && alphaKind != EXTRASAMPLE_UNSPECIFIED ? in[3] : 0xFF;
      out[x] = alphaKind == EXTRASAMPLE_ASSOCALPHA
                   ? unpremultiply(in[0], in[1], in[2], a)
                   : (a << 24) | (in[0] << 16) | (in[1] << 8) | in[2];
    }
  }
  return true;
}

// Anything else the library can turn into RGBA: packed A, B, G, R words, premultiplied.
bool readThroughLibrary(TIFF* tiff, PictureData& picture) {
  char message[1024];
  if (!TIFFRGBAImageOK(tiff, message)) return false;
  std::uint32_t* raster = picture.pixels.data();
  if (!TIFFReadRGBAImageOriented(tiff, static_cast<std::uint32_t>(picture.width),
                                 static_cast<std::uint32_t>(picture.height), raster,
                                 ORIENTATION_TOPLEFT, 1)) {
    return false;
  }
  for (std::uint32_t& p : picture.pixels) {
    p = unpremultiply(TIFFGetR(p), TIFFGetG(p), TIFFGetB(p), TIFFGetA(p));
  }
  return true;
}

}  // namespace

bool decodeTiff(const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
  picture = PictureData{};
  if (!bytes || size == 0) return false;
  MemorySource source{bytes, size, 0};
  // "m": no memory mapping, every read goes through readMemory.
  bool doubtful = false;
  TiffHandle handle{
      openClient("rm", &source, readMemory, refuseWrite, seekMemory, memorySize, &doubtful)};
  if (!handle.tiff || doubtful) return false;
  std::uint32_t width = 0, height = 0;
  if (!TIFFGetField(handle.tiff, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(handle.tiff, TIFFTAG_IMAGELENGTH, &height) ||
      !allocatePicture(picture, width, height)) {
    return false;
  }
  std::uint16_t samples = 0, alphaKind = 0;
  const bool ok = isPlainRgb(handle.tiff, samples, alphaKind)
                      ? readPlainRgb(handle.tiff, samples, alphaKind, picture)
                      : readThroughLibrary(handle.tiff, picture);
  if (!ok || doubtful) picture = PictureData{};
  return ok && !doubtful;
}

bool encodeTiff(const PictureData& picture, std::FILE* file) {
  bool opaque = true;
  for (std::uint32_t p : picture.pixels) opaque = opaque && (p >> 24) == 0xFF;
  const int samples = opaque ? 3 : 4;
  bool failed = false;
  TiffHandle handle{openClient("w", file, readFile, writeFile, seekFile, fileSize, &failed)};
  TIFF* tiff = handle.tiff;
  if (!tiff) return false;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(picture.width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(picture.height));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (!opaque) {
    const std::uint16_t alpha[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, alpha);
  }
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));

  std::vector<std::uint8_t> line(static_cast<std::size_t>(picture.width) * samples);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint32_t* in = picture.pixels.data() + static_cast<std::size_t>(y) * picture.width;
    std::uint8_t* out = line.data();
    for (int x = 0; x < picture.width; ++x) {
      *out++ = static_cast<std::uint8_t>(in[x] >> 16);
      *out++ = static_cast<std::uint8_t>(in[x] >> 8);
      *out++ = static_cast<std::uint8_t>(in[x]);
      if (!opaque) *out++ = static_cast<std::uint8_t>(in[x] >> 24);
    }
    if (TIFFWriteScanline(tiff, line.data(), static_cast<std::uint32_t>(y), 0) < 0) return false;
  }
  // Close reports nothing, so the last strip and the directory are flushed first.
  return TIFFFlush(tiff) == 1 && !failed;
}

}  // namespace emu
