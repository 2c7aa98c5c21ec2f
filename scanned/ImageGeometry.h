// Where an image's pixels are on its page: which way up it is shown, at what resolution, and
// where a box of its pixels lies in the page's user space.
#pragma once

#include "GrayImage.h"
#include "HostAbi.h"
#include "ImagePages.h"

namespace scanned {

// How the stored pixels turn into the image as the page shows it (multiples of 90 degrees and
// mirrors; an image drawn at another angle takes the nearest).
struct Orientation {
  bool transpose = false;  // the stored rows run up or down the page
  bool flipX = false;      // then mirrored left to right
  bool flipY = false;      // then top to bottom
};

Orientation OrientationOf(const docscan::ImagePlacement& placement);

// The image as shown (upright when the page is).
GrayImage Upright(const GrayImage& stored, const Orientation& orientation);

// A box of the upright image as a box of the stored pixels (`width` x `height`).
PixelBox ToStored(const PixelBox& upright, const Orientation& orientation, int width, int height);

// The image's resolution as shown: pixels per inch along its shorter-resolved side.
float ShownDpi(const docscan::ImagePlacement& placement);

// A box of stored pixels in the page's default user space (x0, y0, x1, y1 normalised).
HostBox ToPageSpace(const PixelBox& stored, const docscan::ImagePlacement& placement);

}  // namespace scanned
