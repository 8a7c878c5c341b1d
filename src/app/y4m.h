// YUV4MPEG2: the plain video stream that video encoders read from a pipe. A header
// line, then per frame "FRAME\n" and the Y, Cb and Cr planes. Colour is BT.601 in
// studio range (Y 16..235, chroma 16..240), chroma 4:2:0 sited between the four
// pixels it covers ("C420jpeg").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Yuv {
  int y, cb, cr;
};

// BT.601 studio range of one 0xAARRGGBB colour (alpha ignored), each rounded.
Yuv yuvOf(std::uint32_t argb);

// The stream header for width x height at `fps` frames per second.
std::string y4mHeader(int width, int height, int fps);

// Bytes of one frame, header line included: width x height 0xAARRGGBB pixels, top
// row first, rows packed. Chroma sample (i, j) is the colour of the mean red, green
// and blue of pixels 2i..2i+1 x 2j..2j+1 that lie inside the frame.
void y4mFrame(const std::uint32_t* pixels, int width, int height, std::vector<std::uint8_t>& out);
