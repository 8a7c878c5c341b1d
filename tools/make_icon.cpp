// make_icon: draws the program's icon, a small sea under a low disc at dusk, and
// writes it as a Windows .ico with a 32x32 and a 16x16 picture (32-bit, alpha).
//
//   g++ -std=c++20 -O2 -o make_icon tools/make_icon.cpp
//   ./make_icon resources/icon_main.ico
//
// Every pixel is the mean of 8x8 samples of the scene below, so edges are smooth
// at both sizes. The output is the same on every run.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Rgba {
  double r, g, b, a;  // 0..1, not premultiplied
};

Rgba mix(Rgba a, Rgba b, double t) {
  return Rgba{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
              a.a + (b.a - a.a) * t};
}

Rgba rgb(int r, int g, int b) { return Rgba{r / 255.0, g / 255.0, b / 255.0, 1.0}; }

// Top edge of wave layer `i` (0 is the farthest) at u, y growing downwards.
double waveTop(int i, double u) {
  const double base[] = {0.60, 0.70, 0.80, 0.90};
  const double amplitude[] = {0.020, 0.030, 0.040, 0.045};
  const double frequency[] = {2.0, 1.6, 1.3, 1.1};
  const double phase[] = {0.10, 0.55, 0.30, 0.80};
  const double pi = 3.14159265358979323846;
  return base[i] + amplitude[i] * std::sin(2.0 * pi * (frequency[i] * u + phase[i]));
}

// The scene at (u, v) in the unit square.
Rgba scene(double u, double v) {
  // Rounded corners are transparent.
  const double radius = 0.14;
  const double cx = u < radius ? radius : u > 1 - radius ? 1 - radius : u;
  const double cy = v < radius ? radius : v > 1 - radius ? 1 - radius : v;
  if ((u - cx) * (u - cx) + (v - cy) * (v - cy) > radius * radius) return Rgba{0, 0, 0, 0};

  // Dusk sky, then the disc low above the horizon.
  Rgba colour = mix(rgb(24, 38, 92), rgb(236, 150, 110), v < 0.62 ? v / 0.62 : 1.0);
  const double du = u - 0.62, dv = v - 0.50;
  if (du * du + dv * dv < 0.19 * 0.19) colour = rgb(255, 232, 176);

  // Four wave layers, far to near, each with a pale crest line.
  const Rgba water[] = {rgb(58, 96, 150), rgb(36, 74, 132), rgb(22, 56, 110), rgb(12, 38, 84)};
  for (int i = 0; i < 4; ++i) {
    const double top = waveTop(i, u);
    if (v >= top) colour = v < top + 0.035 ? mix(water[i], rgb(232, 240, 248), 0.55) : water[i];
  }
  return colour;
}

// BGRA rows, bottom row first, as the icon's bitmap stores them.
std::vector<std::uint8_t> drawPicture(int size) {
  constexpr int samples = 8;
  std::vector<std::uint8_t> bgra(static_cast<std::size_t>(size) * size * 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double r = 0, g = 0, b = 0, a = 0;  // premultiplied sums
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          const Rgba c =
              scene((x + (sx + 0.5) / samples) / size, (y + (sy + 0.5) / samples) / size);
          r += c.r * c.a;
          g += c.g * c.a;
          b += c.b * c.a;
          a += c.a;
        }
      }
      std::uint8_t* p = &bgra[(static_cast<std::size_t>(size - 1 - y) * size + x) * 4];
      const double n = samples * samples;
      p[0] = static_cast<std::uint8_t>(a > 0 ? std::lround(255 * b / a) : 0);
      p[1] = static_cast<std::uint8_t>(a > 0 ? std::lround(255 * g / a) : 0);
      p[2] = static_cast<std::uint8_t>(a > 0 ? std::lround(255 * r / a) : 0);
      p[3] = static_cast<std::uint8_t>(std::lround(255 * a / n));
    }
  }
  return bgra;
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// One icon image: the bitmap header (height doubled for the mask), the colour
// rows, then the 1-bit mask rows padded to 32 bits (set where fully transparent).
std::vector<std::uint8_t> iconImage(int size) {
  const std::vector<std::uint8_t> bgra = drawPicture(size);
  const int maskStride = (size + 31) / 32 * 4;
  std::vector<std::uint8_t> out;
  put32(out, 40);
  put32(out, static_cast<std::uint32_t>(size));
  put32(out, static_cast<std::uint32_t>(size * 2));
  put16(out, 1);
  put16(out, 32);
  put32(out, 0);  // BI_RGB
  put32(out, static_cast<std::uint32_t>(bgra.size() + static_cast<std::size_t>(maskStride) * size));
  for (int i = 0; i < 4; ++i) put32(out, 0);
  out.insert(out.end(), bgra.begin(), bgra.end());
  for (int y = 0; y < size; ++y) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(maskStride), 0);
    for (int x = 0; x < size; ++x) {
      if (bgra[(static_cast<std::size_t>(y) * size + x) * 4 + 3] == 0) {
        row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
    return 2;
  }
  const int sizes[] = {32, 16};
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : sizes) images.push_back(iconImage(size));

  std::vector<std::uint8_t> file;
  put16(file, 0);  // reserved
  put16(file, 1);  // icon
  put16(file, 2);  // image count
  std::uint32_t offset = 6 + 16 * 2;
  for (int i = 0; i < 2; ++i) {
    file.push_back(static_cast<std::uint8_t>(sizes[i]));
    file.push_back(static_cast<std::uint8_t>(sizes[i]));
    file.push_back(0);  // no palette
    file.push_back(0);
    put16(file, 1);   // planes
    put16(file, 32);  // bits per pixel
    put32(file, static_cast<std::uint32_t>(images[static_cast<std::size_t>(i)].size()));
    put32(file, offset);
    offset += static_cast<std::uint32_t>(images[static_cast<std::size_t>(i)].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());

  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  if (std::fclose(out) != 0 || !written) {
    std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
