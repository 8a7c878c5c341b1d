// Pictures decoded from a file through the platform's file entry, which must agree
// with decoding the same bytes from memory.

#include <unistd.h>

#include "fuzz_support.h"
#include "platform/headless/headless.h"

namespace {

std::string path;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  headless::configure(headless::Options{});
  char name[] = "/tmp/brine_fuzz_picture_XXXXXX";
  const int fd = mkstemp(name);
  fuzz::check(fd >= 0, "cannot make a scratch file");
  close(fd);
  path = name;
  std::atexit([] { unlink(path.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  fuzz::check(file != nullptr, "cannot write the scratch file");
  const bool written = std::fwrite(data, 1, size, file) == size;
  fuzz::check(std::fclose(file) == 0 && written, "cannot write the scratch file");

  const std::wstring widePath(path.begin(), path.end());
  PictureData fromFile, fromMemory;
  const int ok = platform.decodePictureFile(widePath.c_str(), fromFile);
  fuzz::check(ok == 0 || ok == 1, "file decode returned neither 0 nor 1");
  fuzz::checkDecoded(ok == 1, fromFile);
  const bool memoryOk = emu::decodeAny(data, size, fromMemory);
  fuzz::check(memoryOk == (ok == 1), "file and memory decodes disagree on success");
  fuzz::check(fromFile.width == fromMemory.width && fromFile.height == fromMemory.height &&
                  fromFile.pixels == fromMemory.pixels,
              "file and memory decodes give different pictures");
  return 0;
}
