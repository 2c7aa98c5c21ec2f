// The clean-up of a scanned image before recognition (Leptonica): enough resolution, straight
// lines of text, and no table borders for the layout analysis to trip over.
#pragma once

#include <memory>

#include "GrayImage.h"

struct Pix;

namespace scanned {

struct PixDeleter {
  void operator()(Pix* pix) const;
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

constexpr float kReadingDpi = 300;

struct PreparedPage {
  PixPtr pix;          // 8-bit grey; null when out of memory
  float scale = 1;     // prepared pixels per pixel of the input
  float angle = 0;     // radians the input was turned by (clockwise) to straighten its lines
  int width = 0;       // of the input
  int height = 0;
};

struct Preparation {
  bool deskew = true;
  bool removeLines = true;
};

// Scales an 8-bit grey image of `dpi` up to at least kReadingDpi (at most four times), turns it
// so that its lines of text run straight, and whitens long horizontal and vertical rules.
PreparedPage PreparePage(Pix* grey, float dpi, const Preparation& steps = {});

// Ink (1) and paper (0) of an 8-bit grey image, with the background levelled first (uneven
// light, grey paper); null when out of memory.
Pix* Binarize(Pix* grey);

// A box of the prepared image as a box of the input (the bounding box of its corners turned back).
PixelBox ToInput(const PreparedPage& page, int x0, int y0, int x1, int y1);

}  // namespace scanned
