// Blacking out parts of a JPEG image without decoding and encoding it again: the 8 x 8 blocks
// that cover the boxes get a flat dark value, every other block keeps its coefficients, and
// the quantisation tables (the quality) stay as they are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "GrayImage.h"

namespace scanned {

struct JpegEdit {
  std::vector<uint8_t> data;       // the new JPEG; empty on failure
  std::vector<PixelBox> blacked;   // the boxes grown to whole MCUs: what is now dark
  // What may differ in decoded pixels: `blacked`, grown where chroma is subsampled (the
  // decoder's upsampling reaches one MCU into the neighbours).
  std::vector<PixelBox> changed;
  std::string error;
};

// `darkest` is a pixel (x, y) whose colour the blacked blocks take (the darkest ink of the image).
JpegEdit BlackOutJpegBlocks(const std::vector<uint8_t>& jpeg, const std::vector<PixelBox>& boxes, int darkestX,
                            int darkestY);

}  // namespace scanned
