// The loading and saving module: the library's user count, the order in which a name
// is looked up, the resize rules, the lock, the built file names and the saves.

#include <cmath>
#include <cwchar>
#include <cwctype>
#include <string>

#include "fake_pictures.h"
#include "image/picture_io.h"
#include "picture_io_support.h"
#include "platform/headless/headless.h"
#include "shell/shell.h"
#include "surface/surface.h"

namespace {

using namespace picture_test;
using fake_pictures::solid;

// ---- fakes ----------------------------------------------------------------------------

struct FakeResource {
  std::wstring name;
  std::uintptr_t type;  // 2 for a bitmap, 0 for "BINARYDATA"
  std::vector<std::uint8_t> bytes;
};
std::vector<FakeResource> fakeResources;

bool sameName(const std::wstring& a, const wchar_t* b) {
  if (a.size() != std::wcslen(b)) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  }
  return true;
}

const std::uint8_t* findFakeResource(const wchar_t* name, const wchar_t* type, std::size_t& size) {
  const auto typeId = reinterpret_cast<std::uintptr_t>(type);
  const std::uintptr_t wanted = typeId == 2 ? 2 : sameName(L"BINARYDATA", type) ? 0 : 99;
  for (const FakeResource& r : fakeResources) {
    if (r.type == wanted && sameName(r.name, name)) {
      size = r.bytes.size();
      return r.bytes.data();
    }
  }
  size = 0;
  return nullptr;
}

#ifdef _WIN32
// The system's bitmap-resource decoder reads the program's own resources, which a
// test cannot add to; this stands in for it with the fake's bitmap bytes.
int decodeFakeBitmap(const wchar_t* name, PictureData& picture) {
  std::size_t size = 0;
  const std::uint8_t* dib =
      findFakeResource(name, reinterpret_cast<const wchar_t*>(std::uintptr_t{2}), size);
  if (!dib) return 0;
  std::vector<std::uint8_t> file = {'B', 'M'};
  const std::uint32_t total = static_cast<std::uint32_t>(size + 14);
  const std::uint32_t offset = 14 + (dib[0] | (dib[1] << 8));  // header size, no palette
  for (std::uint32_t v : {total, 0u, offset}) {
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  file.insert(file.end(), dib, dib + size);
  return platform.decodePicture(file.data(), file.size(), picture);
}
#endif

int startCalls, stopCalls, startResult;
std::vector<std::wstring> boxes;

class PictureModule : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::configure({});
    stopLibrary = platform.stopPictures;
    ASSERT_EQ(platform.startPictures(), 1);
    resetPictureIo();
    fakeResources.clear();
    boxes.clear();
    startCalls = stopCalls = 0;
    startResult = 1;
  }
  void TearDown() override {
    resetPictureIo();
    if (stopLibrary) stopLibrary();
  }
  void (*stopLibrary)() = nullptr;

  // Counts the library's starts and stops instead of making them.
  static void countStartsAndStops() {
    platform.startPictures = [] {
      ++startCalls;
      return startResult;
    };
    platform.stopPictures = [] { ++stopCalls; };
    platform.messageBox = [](Handle, const wchar_t* text, const wchar_t* caption, std::uint32_t) {
      boxes.push_back(std::wstring(caption) + L"|" + text);
      return 1;
    };
    platform.sendMessage = [](Handle, std::uint32_t, WParam, LParam) -> LResult { return 0; };
  }

  static void useFakeResources() {
    platform.findResource = findFakeResource;
#ifdef _WIN32
    platform.decodeBitmapResource = decodeFakeBitmap;
#endif
  }
};

// A bitmap resource as the resource compiler stores it: the BMP file without its
// 14-byte file header.
std::vector<std::uint8_t> bitmapResource(const PictureData& picture) {
  std::vector<std::uint8_t> file = encodedBytes(picture, Bmp);
  return std::vector<std::uint8_t>(file.begin() + 14, file.end());
}

// ---- the library's user count ------------------------------------------------------------

TEST_F(PictureModule, LibraryRunsWhileItHasUsers) {
  countStartsAndStops();
  AcquireGdiplus();
  AcquireGdiplus();
  EXPECT_EQ(gdiplusUsers, 2);
  EXPECT_EQ(startCalls, 1);
  ReleaseGdiplus();
  EXPECT_EQ(stopCalls, 0);
  ReleaseGdiplus();
  EXPECT_EQ(stopCalls, 1);
  EXPECT_EQ(gdiplusUsers, 0);
}

TEST_F(PictureModule, ReleaseAtZeroDoesNothing) {
  countStartsAndStops();
  ReleaseGdiplus();
  EXPECT_EQ(gdiplusUsers, 0);
  EXPECT_EQ(stopCalls, 0);
}

TEST_F(PictureModule, FailedStartIsReportedAndStillCounted) {
  countStartsAndStops();
  startResult = 0;
  AcquireGdiplus();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], L"Process Runtime Error|GDI+ (WindowsXP or later) support not present");
  EXPECT_EQ(gdiplusUsers, 1);
}

// ---- opening ------------------------------------------------------------------------------

TEST_F(PictureModule, BitmapResourceComesBeforeBinaryData) {
  useFakeResources();
  fakeResources.push_back({L"BOTH", 2, bitmapResource(solid(4, 3, 0xFFFF0000u))});
  fakeResources.push_back({L"BOTH", 0, encodedBytes(solid(5, 2, 0xFF0000FFu), Png)});
  fakeResources.push_back({L"DATAONLY", 0, encodedBytes(solid(5, 2, 0xFF0000FFu), Png)});

  ASSERT_EQ(OpenPicture(L"both"), 1);
  EXPECT_EQ(pictureSlot.picture.width, 4);
  EXPECT_EQ(pictureSlot.picture.pixels, solid(4, 3, 0xFFFF0000u).pixels);

  ASSERT_EQ(OpenPicture(L"DataOnly"), 1);
  EXPECT_EQ(pictureSlot.picture.pixels, solid(5, 2, 0xFF0000FFu).pixels);
}

TEST_F(PictureModule, NameThatIsNoResourceIsAFilePath) {
  useFakeResources();
  const std::string path = tempName("open.png");
  const PictureData source = rampPicture(6, 4, true);
  ASSERT_EQ(platform.encodePictureFile(source, wide(path).c_str(), Png, -1), 1);
  ASSERT_EQ(OpenPicture(wide(path).c_str()), 1);
  EXPECT_EQ(pictureSlot.picture.pixels, source.pixels);
  std::remove(path.c_str());

  EXPECT_EQ(OpenPicture(wide(path).c_str()), 0);  // gone now
  EXPECT_EQ(pictureSlot.picture.width, 0);
  EXPECT_EQ(OpenPicture(L"NoSuchPicture"), 0);
  EXPECT_EQ(OpenPicture(nullptr), 0);
  EXPECT_EQ(OpenPictureFile(wide(::testing::TempDir()).c_str()), 0);  // a folder
}

TEST_F(PictureModule, BrokenResourceLeavesTheSlotEmpty) {
  useFakeResources();
  std::vector<std::uint8_t> png = encodedBytes(solid(5, 2, 0xFF0000FFu), Png);
  png.resize(png.size() / 2);
  fakeResources.push_back({L"HALF", 0, png});
  std::vector<std::uint8_t> bitmap = bitmapResource(solid(4, 3, 0xFFFF0000u));
  bitmap.resize(bitmap.size() - 5);
  fakeResources.push_back({L"SHORTBITMAP", 2, bitmap});

  pictureSlot.picture = solid(2, 2, 1);  // a picture from before must go too
  EXPECT_EQ(OpenPicture(L"Half"), 0);
  EXPECT_EQ(pictureSlot.picture.width, 0);
  EXPECT_TRUE(pictureSlot.picture.pixels.empty());
  EXPECT_EQ(OpenPicture(L"ShortBitmap"), 0);
  EXPECT_EQ(LockPicture(), 0);
  EXPECT_EQ(pictureSlot.pixels, nullptr);
}

TEST_F(PictureModule, LockPublishesThePixels) {
  pictureSlot.picture = rampPicture(7, 3, true);
  ASSERT_EQ(LockPicture(), 1);
  EXPECT_EQ(pictureSlot.width, 7);
  EXPECT_EQ(pictureSlot.height, 3);
  EXPECT_EQ(pictureSlot.stride, 28);
  EXPECT_EQ(pictureSlot.byteCount, 84);
  EXPECT_EQ(pictureSlot.pixels, pictureSlot.picture.pixels.data());
  UnlockPicture();
  EXPECT_EQ(pictureSlot.pixels, nullptr);
  EXPECT_EQ(pictureSlot.byteCount, 0);
  ClosePicture();
  EXPECT_EQ(pictureSlot.picture.width, 0);
}

TEST_F(PictureModule, LoadRunsTheWholeSequence) {
  countStartsAndStops();
  const std::string path = tempName("load.bmp");
  const PictureData source = rampPicture(200, 100, false);
  ASSERT_EQ(platform.encodePictureFile(source, wide(path).c_str(), Bmp, -1), 1);

  PictureData pixels;
  ASSERT_EQ(LoadPicturePixels(wide(path).c_str(), -1, 0, pixels), 1);
  EXPECT_EQ(pixels.pixels, source.pixels);
  ASSERT_EQ(LoadPicturePixels(wide(path).c_str(), 50, -1, pixels), 1);
  EXPECT_EQ(pixels.width, 50);
  EXPECT_EQ(pixels.height, 25);
  EXPECT_EQ(pixels.pixels.size(), 50u * 25u);
  EXPECT_EQ(gdiplusUsers, 0);
  EXPECT_EQ(startCalls, 2);
  EXPECT_EQ(stopCalls, 2);
  EXPECT_EQ(pictureSlot.picture.width, 0);  // no decoded picture outlives a load
  std::remove(path.c_str());

  EXPECT_EQ(LoadPicturePixels(wide(path).c_str(), -1, 0, pixels), 0);
  EXPECT_TRUE(pixels.pixels.empty());
  EXPECT_EQ(gdiplusUsers, 0);
}

// ---- resizing -----------------------------------------------------------------------------

TEST_F(PictureModule, ResizeToTheSameSizeLeavesThePictureUntouched) {
  const PictureData source = rampPicture(9, 5, true);
  pictureSlot.picture = source;
  pictureScale.ratioX = pictureScale.ratioY = 0.5f;
  ResizePicture(9, 5);
  EXPECT_EQ(pictureSlot.picture.pixels, source.pixels);
  EXPECT_EQ(pictureScale.ratioX, 0.5f);  // no resize happened to be measured

  ResizePicture(9, -1);  // the kept aspect gives the same size again
  EXPECT_EQ(pictureSlot.picture.pixels, source.pixels);
  EXPECT_EQ(pictureScale.ratioX, 1.0f);
}

TEST_F(PictureModule, ResizeWithHeightMinusOneKeepsTheAspect) {
  pictureSlot.picture = rampPicture(200, 100, false);
  ResizePicture(50, -1);
  EXPECT_EQ(pictureSlot.picture.width, 50);
  EXPECT_EQ(pictureSlot.picture.height, 25);
  EXPECT_EQ(pictureScale.ratioX, 0.25f);
  EXPECT_EQ(pictureScale.ratioY, 0.25f);
}

TEST_F(PictureModule, PendingScaleFactorsWinAndAreUsedOnce) {
  pictureSlot.picture = rampPicture(200, 100, false);
  pictureScale.scaleX = 0.5f;
  ResizePicture(10, 10);
  EXPECT_EQ(pictureSlot.picture.width, 100);
  EXPECT_EQ(pictureSlot.picture.height, 50);
  EXPECT_EQ(pictureScale.scaleX, 0.0f);

  pictureScale.scaleX = 0.33f;  // 100 * 0.33 + 0.5 = 33.5 -> 33
  pictureScale.scaleY = 0.3f;   // 50 * 0.3 + 0.5 = 15.5 -> 15
  ResizePicture(10, 10);
  EXPECT_EQ(pictureSlot.picture.width, 33);
  EXPECT_EQ(pictureSlot.picture.height, 15);
  EXPECT_EQ(pictureScale.scaleY, 0.0f);
  EXPECT_FLOAT_EQ(pictureScale.ratioX, 0.33f);
  EXPECT_FLOAT_EQ(pictureScale.ratioY, 0.3f);

  ResizePicture(10, 10);  // the factors are spent: the request counts again
  EXPECT_EQ(pictureSlot.picture.width, 10);
  EXPECT_EQ(pictureSlot.picture.height, 10);
}

TEST_F(PictureModule, ResizeRefusesSizesOutOfRange) {
  const PictureData source = rampPicture(20, 10, false);
  for (auto [w, h] :
       {std::pair{0, 5}, {-7, -1}, {5, 0}, {pictureSideLimit + 1, 4}, {16384, 16384}}) {
    pictureSlot.picture = source;
    ResizePicture(w, h);
    EXPECT_EQ(pictureSlot.picture.pixels, source.pixels) << w << "x" << h;
    EXPECT_EQ(pictureScale.ratioX, 1.0f);
  }
  pictureSlot.picture = source;
  pictureScale.scaleX = 1e30f;  // a factor whose result is no size at all
  ResizePicture(4, 4);
  EXPECT_EQ(pictureSlot.picture.pixels, source.pixels);
  pictureScale.scaleX = std::nanf("");  // not a pending factor: the request counts
  ResizePicture(4, 4);
  EXPECT_EQ(pictureSlot.picture.width, 4);

  ClosePicture();
  ResizePicture(4, 4);  // nothing open: nothing happens
  EXPECT_EQ(pictureSlot.picture.width, 0);
}

// ---- file names ------------------------------------------------------------------------------

std::wstring builtName() {
  EXPECT_EQ(BuildShotName(), 1);
  return saveSettings.fileName;
}

TEST_F(PictureModule, ShotNamesCountShotsAndFrames) {
  EXPECT_EQ(builtName(), L"img_00_00000001.png");
  NextShot();
  NextShot();
  NextShotFrame();
  NextShotFrame();
  EXPECT_EQ(builtName(), L"img_02_00000003.png");
  NextShot();
  EXPECT_EQ(builtName(), L"img_03_00000001.png");
}

TEST_F(PictureModule, CounterWiderThanItsWidthIsLeftOut) {
  saveSettings.shotCounter = 100;
  EXPECT_EQ(builtName(), L"img__00000001.png");
  saveSettings.shotCounter = 99;
  EXPECT_EQ(builtName(), L"img_99_00000001.png");
}

TEST_F(PictureModule, WidthZeroLeavesTheCounterAndSeparatorOut) {
  saveSettings.shotCounterWidth = 0;
  EXPECT_EQ(builtName(), L"img_00000001.png");
  saveSettings.frameCounterWidth = 0;
  EXPECT_EQ(builtName(), L"img.png");
}

TEST_F(PictureModule, NameThatDoesNotFitIsRefused) {
  std::wstring longPrefix(saveTextCapacity - 1, L'p');
  std::wcscpy(saveSettings.prefix, longPrefix.c_str());
  std::wcscpy(saveSettings.baseName, longPrefix.c_str());
  std::wcscpy(saveSettings.firstSeparator, longPrefix.c_str());
  std::wcscpy(saveSettings.secondSeparator, longPrefix.c_str());
  saveSettings.frameCounterWidth = 200;
  EXPECT_EQ(BuildShotName(), 0);
  EXPECT_EQ(saveSettings.fileName[0], 0);
  EXPECT_EQ(SaveShot(rampPicture(2, 2, false).pixels.data(), 2, 2, -1, PixelFormat32bppARGB), 0);
}

// ---- saving ------------------------------------------------------------------------------------

class PictureSaving : public PictureModule {
 protected:
  void SetUp() override {
    PictureModule::SetUp();
    std::wcscpy(saveSettings.prefix, wide(tempName("")).c_str());
  }
  // Decodes the file last named by a shot, then removes it.
  static PictureData takeShot() {
    PictureData p;
    EXPECT_EQ(platform.decodePictureFile(saveSettings.fileName, p), 1);
    const std::wstring name = saveSettings.fileName;
    std::remove(std::string(name.begin(), name.end()).c_str());
    return p;
  }
};

TEST_F(PictureSaving, ShotIsWrittenUnderTheBuiltName) {
  const PictureData source = rampPicture(12, 7, true);
  NextShot();
  ASSERT_EQ(SaveShot(source.pixels.data(), 12, 7, -1, PixelFormat32bppARGB), 1);
  const std::wstring name = saveSettings.fileName;
  EXPECT_EQ(name.substr(name.size() - 19), L"img_01_00000001.png");
  EXPECT_EQ(takeShot().pixels, source.pixels);
}

TEST_F(PictureSaving, SaveTypeChoosesTheFormatAndExtension) {
  const PictureData source = rampPicture(12, 7, false);
  struct Case {
    int type;
    const wchar_t* extension;
  };
  for (const Case& c : {Case{1, L"jpg"}, Case{2, L"gif"}, Case{3, L"tif"}, Case{4, L"png"},
                        Case{0, L"bmp"}, Case{9, L"bmp"}}) {
    saveSettings.saveType = c.type;
    ASSERT_EQ(SaveShot(source.pixels.data(), 12, 7, -1, PixelFormat32bppARGB), 1);
    EXPECT_EQ(std::wstring(saveSettings.extension), c.extension);
    const std::wstring name = saveSettings.fileName;
    EXPECT_EQ(name.substr(name.size() - 3), c.extension);
    const PictureData back = takeShot();
    EXPECT_EQ(back.width, 12);
    NextShotFrame();
  }
}

TEST_F(PictureSaving, WithoutAnEncoderNothingIsWritten) {
  platform.findEncoder = [](const wchar_t*) { return -1; };
  EXPECT_EQ(FindEncoder(L"image/png"), -1);
  const PictureData source = rampPicture(4, 4, false);
  EXPECT_EQ(SaveShot(source.pixels.data(), 4, 4, -1, PixelFormat32bppARGB), 0);
  const std::string path = tempName("noencoder.png");
  EXPECT_EQ(SavePictureAs(wide(path).c_str(), source.pixels.data(), 4, 4, -1, PixelFormat32bppARGB),
            0);
  EXPECT_FALSE(fileExists(path));
}

TEST_F(PictureSaving, SourceLayoutsAreRead) {
  const std::string path = tempName("layout.png");
  const std::wstring widePath = wide(path);
  PictureData expected = rampPicture(5, 4, true);
  // Saves `pixels` as laid out, then reads the file back.
  const auto saved = [&](const void* pixels, int width, int height, int stride, int format) {
    PictureData back;
    EXPECT_EQ(SavePictureAs(widePath.c_str(), pixels, width, height, stride, format), 1);
    EXPECT_EQ(platform.decodePictureFile(widePath.c_str(), back), 1);
    return back;
  };

  // Rows 32 bytes apart (12 bytes of padding), then the same rows bottom-up.
  std::vector<std::uint32_t> padded(8 * 4, 0xDEADBEEFu);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) padded[y * 8 + x] = at(expected, x, y);
  }
  EXPECT_EQ(saved(padded.data(), 5, 4, 32, PixelFormat32bppARGB).pixels, expected.pixels);

  std::vector<std::uint32_t> flipped(5 * 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) flipped[(3 - y) * 5 + x] = at(expected, x, y);
  }
  EXPECT_EQ(saved(flipped.data() + 15, 5, 4, -20, PixelFormat32bppARGB).pixels, expected.pixels);

  // 32bppRGB ignores alpha; premultiplied colour is divided back.
  PictureData back = saved(expected.pixels.data(), 5, 4, -1, PixelFormat32bppRGB);
  ASSERT_EQ(back.pixels.size(), expected.pixels.size());
  for (std::size_t i = 0; i < back.pixels.size(); ++i) {
    EXPECT_EQ(back.pixels[i], expected.pixels[i] | 0xFF000000u);
  }
  const std::uint32_t premultiplied[2] = {0x80400000u, 0x00000000u};  // half-covered red
  // 0x40 * 255 / 0x80 = 127.5, rounded up
  EXPECT_EQ(saved(premultiplied, 2, 1, -1, PixelFormat32bppPARGB).pixels,
            (std::vector<std::uint32_t>{0x80800000u, 0u}));

  const std::uint8_t bgr[2 * 3 + 2 + 6] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12};
  EXPECT_EQ(saved(bgr, 2, 2, -1, PixelFormat24bppRGB).pixels,
            (std::vector<std::uint32_t>{0xFF030201u, 0xFF060504u, 0xFF090807u, 0xFF0C0B0Au}));
  std::remove(path.c_str());

  EXPECT_EQ(SavePictureAs(widePath.c_str(), expected.pixels.data(), 5, 4, -1, 0x30101), 0);
  EXPECT_EQ(SavePictureAs(widePath.c_str(), expected.pixels.data(), 0, 4, -1, PixelFormat32bppARGB),
            0);
  EXPECT_EQ(
      SavePictureAs(widePath.c_str(), expected.pixels.data(), 100000, 1, -1, PixelFormat32bppARGB),
      0);
  EXPECT_FALSE(fileExists(path));
}

// The back buffer is saved when no pixels are given: its bottom row comes first in
// memory and its alpha means nothing.
TEST_F(PictureSaving, NullPixelsSaveTheBackBuffer) {
  void* memory = nullptr;
  const Handle surface = platform.createSurface(0, 8, 4, &memory);
  ASSERT_NE(surface, 0u);
  auto* words = static_cast<std::uint32_t*>(memory);
  PictureData expected = makePicture(8, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) {
      const std::uint32_t c = 0x00102030u + static_cast<std::uint32_t>(x * 16 + y * 0x10000);
      words[(3 - y) * 8 + x] = c;
      at(expected, x, y) = c | 0xFF000000u;
    }
  }
  backBuffer.surface = surface;
  backBuffer.pixels = static_cast<std::uint8_t*>(memory);
  backBuffer.surfaceWidth = 8;
  backBuffer.surfaceHeight = 4;
  backBuffer.bottomUp = 1;

  ASSERT_EQ(SaveShot(nullptr, 0, 0, 0, PixelFormat32bppRGB), 1);
  EXPECT_EQ(takeShot().pixels, expected.pixels);

  shellConfig.windowWidth = 8;
  shellConfig.windowHeight = 4;
  std::wcscpy(saveSettings.baseName, L"thumbed");
  const std::wstring thumbs = wide(tempName("t_"));
  ASSERT_EQ(SaveShotWithThumb(nullptr, thumbs.c_str(), nullptr, 0, 0, 0), 1);
  const PictureData thumb = takeShot();
  EXPECT_EQ(thumb.width, 4);
  EXPECT_EQ(thumb.height, 2);

  backBuffer = BackBuffer{};
  platform.releaseSurface(surface);
}

TEST_F(PictureSaving, ShotWithThumbWritesBothAndKeepsTheLastPrefix) {
  const PictureData source = rampPicture(40, 20, true);
  const std::wstring full = wide(tempName("full_")), small = wide(tempName("small_"));
  ASSERT_EQ(SaveShotWithThumb(full.c_str(), small.c_str(), source.pixels.data(), 40, 20, -1), 1);
  EXPECT_EQ(std::wstring(saveSettings.prefix), small);
  const PictureData thumb = takeShot();
  EXPECT_EQ(thumb.width, 20);
  EXPECT_EQ(thumb.height, 10);
  for (std::uint32_t p : thumb.pixels) ASSERT_EQ(p >> 24, 0xFFu);  // read as 32bppRGB

  std::wcscpy(saveSettings.prefix, full.c_str());
  ASSERT_EQ(BuildShotName(), 1);
  const PictureData whole = takeShot();
  EXPECT_EQ(whole.width, 40);
  for (std::size_t i = 0; i < whole.pixels.size(); ++i) {
    ASSERT_EQ(whole.pixels[i], source.pixels[i] | 0xFF000000u);
  }

  saveSettings.thumbWidth = 7;
  saveSettings.thumbHeight = 5;
  ASSERT_EQ(SaveShotWithThumb(nullptr, small.c_str(), source.pixels.data(), 40, 20, -1), 1);
  const PictureData sized = takeShot();
  EXPECT_EQ(sized.width, 7);
  EXPECT_EQ(sized.height, 5);
}

}  // namespace
