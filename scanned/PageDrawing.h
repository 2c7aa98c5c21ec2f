// What a page draws, as MuPDF runs its content (nothing is rendered): every image with where it
// is shown, and every character with whether it is painted. Text in render mode 3 (an OCR layer
// over a scan) or 7 (a clip only), text without opacity, and text that an opaque image drawn
// afterwards covers are not painted: what the page shows there is the image.
#pragma once

#include <vector>

#include "ImagePages.h"

namespace standin::pdf {
struct Document;
}

namespace scanned {

struct DrawnCharacter {
  fz_point middle = {0, 0};  // of its glyph, in device space (ImagePlacement::pageToDevice)
  fz_rect box = fz_empty_rect;  // from its origin to its advance, a fifth of the size below the
                                // baseline to four fifths above, in device space
  fz_point advance = {0, 0};    // the way the line goes on, in device space
  bool painted = true;
  bool space = false;  // a space glyph (U+0020, U+00A0, U+3000)
};

struct PageDrawing {
  bool ran = false;  // false when the page could not be run (or draws no image: nothing is run)
  fz_matrix pageToDevice = fz_identity;  // the page's default user space to device space
  // Every image the page draws, in drawing order (drawnIndex is the position in this list).
  std::vector<docscan::ImagePlacement> images;
  std::vector<DrawnCharacter> characters;  // filled only when some image was drawn
};

// The page's images and characters; pages that draw no image are not run.
PageDrawing DrawingOfPage(standin::pdf::Document& document, int page);

}  // namespace scanned
