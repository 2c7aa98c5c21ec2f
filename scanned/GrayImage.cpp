#include "GrayImage.h"

#include <algorithm>

namespace scanned {

PixelBox UnionOf(const PixelBox& a, const PixelBox& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

PixelBox Padded(const PixelBox& box, int pad, int width, int height) {
  return {std::clamp(box.x0 - pad, 0, width), std::clamp(box.y0 - pad, 0, height),
          std::clamp(box.x1 + pad, 0, width), std::clamp(box.y1 + pad, 0, height)};
}

}  // namespace scanned
