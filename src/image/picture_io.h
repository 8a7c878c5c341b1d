// Picture loading and saving: the bridge between our 32-bit pixel arrays and the
// platform's picture codecs. One decoded picture at a time lives in the decode slot;
// the picture library runs while its user count is above 0; saves go to a file
// named by the save settings.
//
// All of it is unguarded module-wide state used by one thread at a time (loads run
// on the process thread).
#pragma once

#include <cstdint>

#include "platform/platform.h"

// ---- pixel formats of the sources of a save (the picture library's numbers) -------
constexpr int PixelFormat24bppRGB = 0x21808;    // blue, green, red bytes
constexpr int PixelFormat32bppRGB = 0x22009;    // alpha byte ignored
constexpr int PixelFormat32bppARGB = 0x26200A;  // 0xAARRGGBB words, our `Color`
constexpr int PixelFormat32bppPARGB = 0xE200B;  // colour premultiplied by alpha

// ---- the picture library's user count -----------------------------------------------
extern int gdiplusUsers;  // never below 0
void AcquireGdiplus();    // the first user starts the library; a failure closes the run
void ReleaseGdiplus();    // the last user stops it; at 0 nothing happens

// ---- the decode slot ------------------------------------------------------------------
// The one decoded picture and, while locked, its published pixels.
struct PictureSlot {
  PictureData picture;  // the decoded picture; empty (width 0) when nothing is open
  // Published by LockPicture, cleared by UnlockPicture:
  int width = 0, height = 0;              // its size
  int stride = 0;                         // bytes per row: width * 4, rows are packed
  int byteCount = 0;                      // height * stride
  const std::uint32_t* pixels = nullptr;  // first pixel of the top row; null while unlocked
};
extern PictureSlot pictureSlot;  // the one slot

int OpenPicture(const wchar_t* name);          // bitmap resource, "BINARYDATA", file; 1 or 0
int OpenPictureResource(const wchar_t* name);  // bitmap resource first; 1 or 0
int OpenPictureFile(const wchar_t* path);      // an existing file; 1 or 0
void ResizePicture(int width, int height);     // height -1 keeps the aspect
int LockPicture();                             // 1 with the fields above published, or 0
void UnlockPicture();                          // clears the published fields
void ClosePicture();                           // empties the slot

// The whole load: acquire, open, resize when width is not -1, lock, copy, unlock,
// close, release. 1 with `pixels` filled, or 0 with it empty (the caller reports).
int LoadPicturePixels(const wchar_t* name, int width, int height, PictureData& pixels);

// ---- load-time resize settings ---------------------------------------------------------
// Scale factors for a load's resize, and what the last resize did.
struct PictureScale {
  float scaleX = 0.0f, scaleY = 0.0f;  // pending factors for the next resize; 0 = none
  float ratioX = 1.0f, ratioY = 1.0f;  // new size / old size of the last resize
};
extern PictureScale pictureScale;  // the one record

// ---- saving ---------------------------------------------------------------------------------
constexpr int fileNameCapacity = 1024;  // UTF-16 characters with the terminator
constexpr int saveTextCapacity = 256;   // prefix, base name and separators

// How shots are named and saved.
struct SaveSettings {
  int saveType = 4;                                  // 1 JPEG, 2 GIF, 3 TIFF, 4 PNG, else BMP
  wchar_t prefix[saveTextCapacity] = L"";            // a folder, or the front of the name
  wchar_t baseName[saveTextCapacity] = L"img";       // the name after the prefix
  wchar_t firstSeparator[saveTextCapacity] = L"_";   // between name and shot counter
  int shotCounterWidth = 2;                          // digits; 0 leaves the counter out
  wchar_t secondSeparator[saveTextCapacity] = L"_";  // between the two counters
  int frameCounterWidth = 8;                         // digits; 0 leaves it out
  const wchar_t* extension = L"png";                 // of the save type last used
  int shotCounter = 0, frameCounter = 1;             // the numbers in the next name
  wchar_t fileName[fileNameCapacity] = L"";          // the name last built
  int thumbWidth = 0, thumbHeight = 0;               // 0 = half the picture's size
};
extern SaveSettings saveSettings;  // the one record

// Index of the encoder whose MIME type is exactly `mimeType`, or -1.
int FindEncoder(const wchar_t* mimeType);

// Each returns 1 when the file is written, else 0 and no file. Pixels null saves
// the whole back buffer; otherwise `stride` bytes lead from one row to the next
// (-1: packed rows) and `pixelFormat` is one of the formats above.
int SaveShot(const void* pixels, int width, int height, int stride, int pixelFormat);
// SaveShot to the given path instead of a built name.
int SavePictureAs(const wchar_t* path, const void* pixels, int width, int height, int stride,
                  int pixelFormat);
// A full picture under `prefix` and a reduced copy under `thumbPrefix`, each skipped
// when its prefix is null; the source is read as PixelFormat32bppRGB.
int SaveShotWithThumb(const wchar_t* prefix, const wchar_t* thumbPrefix, const void* pixels,
                      int width, int height, int stride);
void NextShot();       // shot counter + 1, frame counter back to 1
void NextShotFrame();  // frame counter + 1

// Builds the file name of the next shot into saveSettings.fileName; 0 when it does
// not fit.
int BuildShotName();

// Every setting, counter and the slot back to the start values (tests, repeated runs).
void resetPictureIo();
