// AGG drawing on memory laid out as our back buffer: its scanline rasterizer (the
// same cell algorithm as ours) with the packed scanline and a solid renderer, its
// fastest form here (the unpacked scanline measured about 20 % slower).
#pragma once

#include <agg_ellipse.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_p.h>

#include <cstdint>
#include <vector>

#include "raster_bench_support.h"

// AGG's pixel centres lie at half-integers; ours at integers.
constexpr double aggCentre = 0.5;

inline agg::rgba8 aggColour(Color c) {
  return agg::rgba8((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, c >> 24);
}

template <class PixelFormat>
struct AggTarget {
  using Base = agg::renderer_base<PixelFormat>;
  agg::rendering_buffer buffer;
  PixelFormat pixels;
  Base base;
  agg::renderer_scanline_aa_solid<Base> solid;
  agg::rasterizer_scanline_aa<> rasterizer;
  agg::scanline_p8 scanline;
  // A negative stride: view row 0 is the last row in memory, as in our back buffer.
  AggTarget(std::uint8_t* memory, int width, int height)
      : buffer(memory, width, height, -width * 4), pixels(buffer), base(pixels), solid(base) {}

  void clear(Color colour) { base.clear(aggColour(colour)); }
  void fill(const std::vector<PathPoint>& points, Color colour) {
    if (points.empty()) return;
    rasterizer.reset();
    rasterizer.move_to_d(points[0].x + aggCentre, points[0].y + aggCentre);
    for (std::size_t i = 1; i < points.size(); ++i) {
      rasterizer.line_to_d(points[i].x + aggCentre, points[i].y + aggCentre);
    }
    render(colour);
  }
  void fill(const std::vector<FilledPolygon>& polygons) {
    for (const FilledPolygon& p : polygons) fill(p.points, p.colour);
  }
  // A circle as a polygon of `points` points.
  void fillCircle(double x, double y, double radius, unsigned points, Color colour) {
    rasterizer.reset();
    agg::ellipse circle(x + aggCentre, y + aggCentre, radius, radius, points);
    rasterizer.add_path(circle);
    render(colour);
  }

 private:
  void render(Color colour) {
    solid.color(aggColour(colour));
    agg::render_scanlines(rasterizer, scanline, solid);
  }
};
