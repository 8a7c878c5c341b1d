// YUV4MPEG2 frames from 32-bit pixels. The formulas are BT.601's with Kr 0.299 and
// Kb 0.114, scaled to studio range; chroma of a 2x2 block uses the block's mean
// colour, which equals the mean of the four unrounded chroma values.

#include "app/y4m.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr double kr = 0.299, kb = 0.114, kg = 1.0 - kr - kb;

int rounded(double v) { return static_cast<int>(std::floor(v + 0.5)); }

double luma(double r, double g, double b) { return kr * r + kg * g + kb * b; }

int lumaCode(double r, double g, double b) { return rounded(16.0 + 219.0 / 255.0 * luma(r, g, b)); }

// (Cb, Cr) codes of a colour, channels 0..255.
void chromaCodes(double r, double g, double b, int& cb, int& cr) {
  const double l = luma(r, g, b);
  cb = rounded(128.0 + 224.0 / 255.0 * (b - l) / (2.0 * (1.0 - kb)));
  cr = rounded(128.0 + 224.0 / 255.0 * (r - l) / (2.0 * (1.0 - kr)));
}

double channelOf(std::uint32_t argb, int shift) {
  return static_cast<double>(argb >> shift & 0xFF);
}

}  // namespace

Yuv yuvOf(std::uint32_t argb) {
  const double r = channelOf(argb, 16), g = channelOf(argb, 8), b = channelOf(argb, 0);
  Yuv out{lumaCode(r, g, b), 0, 0};
  chromaCodes(r, g, b, out.cb, out.cr);
  return out;
}

std::string y4mHeader(int width, int height, int fps) {
  char text[128];
  std::snprintf(text, sizeof text, "YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 C420jpeg XCOLORRANGE=LIMITED\n",
                width, height, fps);
  return text;
}

void y4mFrame(const std::uint32_t* pixels, int width, int height, std::vector<std::uint8_t>& out) {
  static const char frameLine[] = "FRAME\n";
  const std::size_t w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
  const std::size_t cw = (w + 1) / 2, ch = (h + 1) / 2;
  out.assign(frameLine, frameLine + 6);
  out.resize(6 + w * h + 2 * cw * ch);
  std::uint8_t* luma = out.data() + 6;
  std::uint8_t* cbPlane = luma + w * h;
  std::uint8_t* crPlane = cbPlane + cw * ch;
  for (std::size_t i = 0; i < w * h; ++i) {
    const std::uint32_t p = pixels[i];
    luma[i] =
        static_cast<std::uint8_t>(lumaCode(channelOf(p, 16), channelOf(p, 8), channelOf(p, 0)));
  }
  for (std::size_t j = 0; j < ch; ++j) {
    for (std::size_t i = 0; i < cw; ++i) {
      double r = 0, g = 0, b = 0;
      int count = 0;
      for (std::size_t y = 2 * j; y < 2 * j + 2 && y < h; ++y) {
        for (std::size_t x = 2 * i; x < 2 * i + 2 && x < w; ++x) {
          const std::uint32_t p = pixels[y * w + x];
          r += channelOf(p, 16);
          g += channelOf(p, 8);
          b += channelOf(p, 0);
          ++count;
        }
      }
      int cb = 0, cr = 0;
      chromaCodes(r / count, g / count, b / count, cb, cr);
      cbPlane[j * cw + i] = static_cast<std::uint8_t>(cb);
      crPlane[j * cw + i] = static_cast<std::uint8_t>(cr);
    }
  }
}
