#include "ImageGeometry.h"

#include <algorithm>
#include <cmath>

namespace scanned {

Orientation OrientationOf(const docscan::ImagePlacement& placement) {
  // The directions, on the shown page (y downwards), of the stored x axis (a, b) and y axis (c, d).
  const fz_matrix m = placement.imageToDevice;
  Orientation o;
  o.transpose = std::fabs(m.b) > std::fabs(m.a);
  if (!o.transpose) {
    o.flipX = m.a < 0;
    o.flipY = m.d < 0;
  } else {
    // Shown x follows the stored y axis, shown y the stored x axis.
    o.flipX = m.c < 0;
    o.flipY = m.b < 0;
  }
  return o;
}

GrayImage Upright(const GrayImage& stored, const Orientation& o) {
  GrayImage out;
  out.width = o.transpose ? stored.height : stored.width;
  out.height = o.transpose ? stored.width : stored.height;
  out.pixels.resize(static_cast<size_t>(out.width) * out.height);
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      const int ux = o.flipX ? out.width - 1 - x : x;
      const int uy = o.flipY ? out.height - 1 - y : y;
      const int sx = o.transpose ? uy : ux;
      const int sy = o.transpose ? ux : uy;
      out.pixels[static_cast<size_t>(y) * out.width + x] = stored.pixels[static_cast<size_t>(sy) * stored.width + sx];
    }
  }
  return out;
}

PixelBox ToStored(const PixelBox& upright, const Orientation& o, int width, int height) {
  const int shownWidth = o.transpose ? height : width;
  const int shownHeight = o.transpose ? width : height;
  PixelBox b = upright;
  if (o.flipX) b = {shownWidth - upright.x1, b.y0, shownWidth - upright.x0, b.y1};
  if (o.flipY) b = {b.x0, shownHeight - upright.y1, b.x1, shownHeight - upright.y0};
  if (o.transpose) b = {b.y0, b.x0, b.y1, b.x1};
  return Padded(b, 0, width, height);
}

float ShownDpi(const docscan::ImagePlacement& placement) {
  const fz_matrix m = placement.imageToDevice;
  const float xLength = std::hypot(m.a, m.b) / 72;  // inches
  const float yLength = std::hypot(m.c, m.d) / 72;
  if (xLength <= 0 || yLength <= 0) return 0;
  return std::min(placement.width / xLength, placement.height / yLength);
}

HostBox ToPageSpace(const PixelBox& stored, const docscan::ImagePlacement& placement) {
  const fz_matrix toPage = fz_concat(placement.imageToDevice, fz_invert_matrix(placement.pageToDevice));
  const float w = static_cast<float>(std::max(placement.width, 1));
  const float h = static_cast<float>(std::max(placement.height, 1));
  const fz_rect unit = {stored.x0 / w, stored.y0 / h, stored.x1 / w, stored.y1 / h};
  const fz_rect r = fz_transform_rect(unit, toPage);
  return HostBox{r.x0, r.y0, r.x1, r.y1};
}

}  // namespace scanned
