// The check of changed images in a protected copy: each is decoded again and compared with the
// original pixel by pixel (nothing may differ outside the changed boxes, and the blacked boxes
// must be dark), then recognised again (no removed occurrence may still be read).
#pragma once

#include <string>
#include <vector>

#include "ImagePixels.h"
#include "ImageProtection.h"
#include "OcrText.h"

namespace scanned {

struct ImageCheckResult {
  std::vector<std::string> failures;  // one line each, for a person
  int imagesChecked = 0;
  long pixelsCompared = 0;
};

ImageCheckResult CheckEditedImages(const std::string& originalPath, const std::string& protectedPath,
                                   const std::vector<EditedImage>& edited, const TextReaderFactory& makeReader,
                                   int jobs);

// Pixels that differ between two decodings outside the boxes (same size and components, else -1).
long ChangedOutside(const ImagePixels& before, const ImagePixels& after, const std::vector<PixelBox>& boxes);

// The text without white space: the reader and the text differ in where they put spaces.
std::u16string Squeezed(std::u16string_view text);

}  // namespace scanned
