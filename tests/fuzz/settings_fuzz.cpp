// The settings reader on any file: the text stays within 1023 bytes, and once the
// values run out every further read gives -1.

#include "io/io.h"
#include "memory_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  memory_file::install();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  memory_file::hold(data, size);
  const int loaded = settings_load(L"fuzz.ini");
  memory_file::check(loaded >= 0 && loaded <= settingsTextLimit, "loaded more than the text holds");
  memory_file::check(loaded == static_cast<int>(size < 1023 ? size : 1023),
                     "loaded a different count than the file offers");
  // Each read that is not stuck moves past at least one character.
  for (int i = 0; i <= settingsTextLimit; ++i) settings_read_int(7);
  if (loaded == 0) {
    memory_file::check(settings_read_int(7) == 7, "no file, yet not the default");
  } else {
    memory_file::check(settings_read_int(7) == -1, "still reading values past the end");
  }
  return 0;
}
