// Boxes of text placed by a text layer rather than by the ink: a layer's boxes are the OCR
// engine's estimates, and its font's ascent and descent are not the ink's (Tesseract's layer
// font has no descent: descenders hang below its boxes).
#pragma once

#include "GrayImage.h"
#include "ImageGeometry.h"

namespace scanned {

// `box` (stored pixels, of a line of text as the image is shown upright) grown to the ink
// beside it: along the line to the last ink within a quarter of `characterWidth` pixels past
// either end; above and below over rows of ink that go on from the box's edge (descenders,
// accents), by at most half the line height. Never smaller than `box`; `box` when there is too
// little contrast to tell ink from paper.
PixelBox GrownToInk(const GrayImage& stored, const PixelBox& box, const Orientation& orientation,
                    int characterWidth);

}  // namespace scanned
