#include "InkExtent.h"

#include <algorithm>
#include <array>

namespace scanned {

namespace {

// The stored image seen along and across a line: `along` runs with the text, `across` over
// its height.
struct LineView {
  const GrayImage& image;
  bool down;  // lines run down the stored columns

  int AlongSize() const { return down ? image.height : image.width; }
  int AcrossSize() const { return down ? image.width : image.height; }
  bool Ink(int along, int across, int level) const {
    return (down ? image.pixels[static_cast<size_t>(along) * image.width + across]
                 : image.pixels[static_cast<size_t>(across) * image.width + along]) < level;
  }
};

// The level between ink and paper around the box; 0 when there is too little contrast to tell.
int InkLevel(const GrayImage& image, const PixelBox& around) {
  std::array<long, 256> histogram{};
  long count = 0;
  for (int y = around.y0; y < around.y1; ++y)
    for (int x = around.x0; x < around.x1; ++x) {
      ++histogram[image.pixels[static_cast<size_t>(y) * image.width + x]];
      ++count;
    }
  auto percentile = [&](double share) {
    long seen = 0;
    for (int v = 0; v < 256; ++v)
      if ((seen += histogram[v]) > share * count) return v;
    return 255;
  };
  const int ink = percentile(0.02);
  const int paper = percentile(0.5);
  return paper - ink < 48 ? 0 : (ink + paper) / 2;
}

}  // namespace

PixelBox GrownToInk(const GrayImage& stored, const PixelBox& box, const Orientation& orientation,
                    int characterWidth) {
  const PixelBox cut = Padded(box, 0, stored.width, stored.height);
  if (cut.Empty()) return box;
  const bool down = orientation.transpose;
  const int line = down ? cut.x1 - cut.x0 : cut.y1 - cut.y0;
  const int level = InkLevel(stored, Padded(cut, line, stored.width, stored.height));
  if (level == 0) return box;
  const LineView view{stored, down};
  const int c0 = down ? cut.x0 : cut.y0;
  const int c1 = down ? cut.x1 : cut.y1;
  int a0 = down ? cut.y0 : cut.x0;
  int a1 = down ? cut.y1 : cut.x1;
  auto columnInk = [&](int a) {
    for (int c = c0; c < c1; ++c)
      if (view.Ink(a, c, level)) return true;
    return false;
  };
  const int reach = std::max(0, characterWidth) / 4;
  for (int a = std::min(view.AlongSize(), a1 + reach) - 1; a >= a1; --a)
    if (columnInk(a)) {
      a1 = a + 1;
      break;
    }
  for (int a = std::max(0, a0 - reach); a < a0; ++a)
    if (columnInk(a)) {
      a0 = a;
      break;
    }
  auto rowInk = [&](int c) {
    for (int a = a0; a < a1; ++a)
      if (view.Ink(a, c, level)) return true;
    return false;
  };
  int n0 = c0;
  int n1 = c1;
  if (rowInk(c1 - 1))
    while (n1 < view.AcrossSize() && n1 - c1 < line / 2 && rowInk(n1)) ++n1;
  if (rowInk(c0))
    while (n0 > 0 && c0 - n0 < line / 2 && rowInk(n0 - 1)) --n0;
  const PixelBox grown = down ? PixelBox{n0, a0, n1, a1} : PixelBox{a0, n0, a1, n1};
  return UnionOf(box, grown);
}

}  // namespace scanned
