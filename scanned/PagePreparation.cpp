#include "PagePreparation.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>

namespace scanned {

namespace {

// Skews below this are not worth a turn (degrees).
constexpr float kLeastSkew = 0.05f;
// Rules shorter than this (inches) are not told from strokes of letters.
constexpr float kShortestRule = 0.4f;

// Whitens runs of ink longer than kShortestRule across or down the page (table borders,
// underlines), grown by a pixel or two so that their anti-aliased edges go too.
void WhitenRules(Pix* grey) {
  Pix* binary = Binarize(grey);
  if (!binary) return;
  const int length = static_cast<int>(kShortestRule * kReadingDpi);
  Pix* across = pixOpenBrick(nullptr, binary, length, 1);
  Pix* down = pixOpenBrick(nullptr, binary, 1, length);
  Pix* rules = across && down ? pixOr(nullptr, across, down) : nullptr;
  Pix* grown = rules ? pixDilateBrick(nullptr, rules, 5, 5) : nullptr;
  if (grown) pixPaintThroughMask(grey, grown, 0, 0, 255);
  pixDestroy(&grown);
  pixDestroy(&rules);
  pixDestroy(&down);
  pixDestroy(&across);
  pixDestroy(&binary);
}

}  // namespace

void PixDeleter::operator()(Pix* pix) const { pixDestroy(&pix); }

Pix* Binarize(Pix* grey) {
  return pixOtsuThreshOnBackgroundNorm(grey, nullptr, 10, 15, 100, 50, 255, 2, 2, 0.1f, nullptr);
}

PreparedPage PreparePage(Pix* grey, float dpi, const Preparation& steps) {
  PreparedPage out;
  out.width = pixGetWidth(grey);
  out.height = pixGetHeight(grey);
  const float scale = dpi > 0 && dpi < kReadingDpi - 10 ? std::min(4.0f, kReadingDpi / dpi) : 1.0f;
  out.scale = scale;
  out.pix.reset(scale == 1.0f ? pixCopy(nullptr, grey) : pixScale(grey, scale, scale));
  if (!out.pix) return out;
  if (steps.deskew) {
    Pix* binary = Binarize(out.pix.get());
    l_float32 degrees = 0;
    l_float32 confidence = 0;
    if (binary && pixFindSkew(binary, &degrees, &confidence) == 0 && confidence > 3 && std::fabs(degrees) >= kLeastSkew) {
      const float radians = degrees * static_cast<float>(M_PI) / 180;
      Pix* turned = pixRotate(out.pix.get(), radians, L_ROTATE_AREA_MAP, L_BRING_IN_WHITE, 0, 0);
      if (turned) {
        out.pix.reset(turned);
        out.angle = radians;
      }
    }
    pixDestroy(&binary);
  }
  if (steps.removeLines) WhitenRules(out.pix.get());
  return out;
}

PixelBox ToInput(const PreparedPage& page, int x0, int y0, int x1, int y1) {
  const float cx = pixGetWidth(page.pix.get()) / 2.0f;
  const float cy = pixGetHeight(page.pix.get()) / 2.0f;
  const float c = std::cos(-page.angle);
  const float s = std::sin(-page.angle);
  float left = 1e30f, top = 1e30f, right = -1e30f, bottom = -1e30f;
  for (const auto& [x, y] : {std::pair{x0, y0}, std::pair{x1, y0}, std::pair{x0, y1}, std::pair{x1, y1}}) {
    const float dx = x - cx;
    const float dy = y - cy;
    const float tx = cx + dx * c - dy * s;
    const float ty = cy + dx * s + dy * c;
    left = std::min(left, tx);
    right = std::max(right, tx);
    top = std::min(top, ty);
    bottom = std::max(bottom, ty);
  }
  return Padded({static_cast<int>(std::floor(left / page.scale)), static_cast<int>(std::floor(top / page.scale)),
                 static_cast<int>(std::ceil(right / page.scale)), static_cast<int>(std::ceil(bottom / page.scale))},
                0, page.width, page.height);
}

}  // namespace scanned
