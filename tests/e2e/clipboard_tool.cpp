// The clipboard of the Linux program, driven from a shell script:
//   clipboard_tool put-text FILE     places the file's text, prints "placed", then
//                                    serves it until its input closes
//   clipboard_tool put-image W H     the same with a W x H test picture: red = x,
//                                    green = y (both modulo 256), blue 0x80; says on
//                                    standard error how long the placing call took,
//                                    the time a copy adds to the caller's frame
//   clipboard_tool get-text          prints the clipboard's text; exit 1 when none

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "io/io.h"
#include "platform/sdl/sdl.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: clipboard_tool put-text FILE | put-image W H | get-text\n");
  return 2;
}

// Serves until the script closes our input.
void serveUntilInputCloses() {
  std::printf("placed\n");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
}

int putText(const char* file) {
  std::FILE* in = std::fopen(file, "rb");
  if (!in) return usage();
  std::string text;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) text.append(chunk, n);
  std::fclose(in);
  if (!clipboard_put_text(text.c_str())) {
    std::fprintf(stderr, "clipboard_tool: the text was not placed\n");
    return 1;
  }
  serveUntilInputCloses();
  return 0;
}

int putImage(int width, int height) {
  if (width < 1 || height < 1 || width > 4096 || height > 4096) return usage();
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      pixels[static_cast<std::size_t>(y) * width + x] =
          0xFF000000u | static_cast<std::uint32_t>(x % 256) << 16 |
          static_cast<std::uint32_t>(y % 256) << 8 | 0x80u;
    }
  }
  // Top row at the top of the picture: the bottom row first, walking upwards.
  const std::uint32_t* bottom = pixels.data() + static_cast<std::size_t>(height - 1) * width;
  const auto start = std::chrono::steady_clock::now();
  if (!clipboard_put_image(bottom, width, height, -static_cast<std::intptr_t>(width) * 4)) {
    std::fprintf(stderr, "clipboard_tool: the picture was not placed\n");
    return 1;
  }
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  std::fprintf(stderr, "clipboard_put_image %dx%d: %.1f ms\n", width, height, took.count());
  serveUntilInputCloses();
  return 0;
}

int getText() {
  char* text = clipboard_get_text();
  if (!text) return 1;
  std::fputs(text, stdout);
  clipboard_free_text(text);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  if (!sdl::start(argc, argv)) return 1;
  int code;
  if (!std::strcmp(argv[1], "put-text") && argc == 3) {
    code = putText(argv[2]);
  } else if (!std::strcmp(argv[1], "put-image") && argc == 4) {
    code = putImage(std::atoi(argv[2]), std::atoi(argv[3]));
  } else if (!std::strcmp(argv[1], "get-text") && argc == 2) {
    code = getText();
  } else {
    code = usage();
  }
  sdl::stop();
  return code;
}
