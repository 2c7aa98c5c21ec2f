// Blacking out boxes of an image XObject in the image itself, re-encoded in its own kind: a
// JPEG stays a JPEG at its quality (only the blocks under the boxes change), every other image
// is written back with Flate at its own bit depth and colour space.
#pragma once

#include <string>
#include <vector>

#include "GrayImage.h"

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace scanned {

struct ImageEdit {
  std::vector<PixelBox> blacked;  // what is now dark (the boxes, grown to JPEG blocks)
  std::vector<PixelBox> changed;  // where decoded pixels may differ from before
  std::string kind;               // "JPEG" or "Flate"
  std::string error;              // empty on success; the image is then unchanged
};

// Paints the boxes (pixels of the image, first row on top) with the image's darkest colour
// and replaces the object's stream. `grey` is the image decoded in grey, to find that colour.
ImageEdit BlackOutImage(fz_context* ctx, pdf_document* doc, int object, const std::vector<PixelBox>& boxes,
                        const GrayImage& grey);

}  // namespace scanned
