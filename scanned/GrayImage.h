// A grey image (8 bits per pixel, the first row on top) and boxes of its pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace scanned {

struct GrayImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height, row by row; 0 black, 255 white
};

// Pixels [x0, x1) x [y0, y1); y grows downwards.
struct PixelBox {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;

  bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

PixelBox UnionOf(const PixelBox& a, const PixelBox& b);
// Grown by `pad` on every side and cut to [0, width) x [0, height).
PixelBox Padded(const PixelBox& box, int pad, int width, int height);

}  // namespace scanned
