// One read-only file held in memory, served through the platform's file entries,
// so a parser meets the fuzzer's bytes exactly as it meets a file on disk, without
// a disk write per input. Any path names it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace memory_file {

inline const std::uint8_t* bytes = nullptr;
inline std::size_t size = 0;
inline std::size_t offset = 0;

// A broken promise aborts: libFuzzer keeps the input as a finding.
inline void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

// The headless backend with its file entries pointed at the held bytes.
inline void install() {
  headless::configure(headless::Options{});
  platform.fileStatus = [](const wchar_t*, std::uint64_t& s) {
    s = size;
    return 1;
  };
  platform.openFile = [](const wchar_t*, int forWriting) -> Handle {
    offset = 0;
    return forWriting ? 0 : 1;
  };
  platform.readFile = [](Handle, void* buffer, std::size_t count) {
    const std::size_t n = count < size - offset ? count : size - offset;
    if (n) std::memcpy(buffer, bytes + offset, n);
    offset += n;
    return n;
  };
  platform.closeFile = [](Handle) { offset = 0; };
}

inline void hold(const std::uint8_t* data, std::size_t count) {
  bytes = data;
  size = count;
  offset = 0;
}

}  // namespace memory_file
