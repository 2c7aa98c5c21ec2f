// The check of changed images in a protected copy: each is decoded again and compared with the
// original pixel by pixel (nothing may differ outside the changed boxes, and the blacked boxes
// must be dark), then recognised again (no removed occurrence may still be read). The images
// under occurrences drawn invisibly (ImagesUnderHiddenText) are found again in the original
// from the masked occurrences, whatever protect reports, and their boxes must be dark too.
#pragma once

#include <string>
#include <vector>

#include "ImagePixels.h"
#include "ImageProtection.h"
#include "OccurrenceStore.h"
#include "OcrText.h"

namespace scanned {

struct ImageCheckInput {
  std::string originalPath;
  std::string protectedPath;
  const std::vector<EditedImage>* edited = nullptr;  // what protect changed
  // The occurrences found on the pages and their masked runs (none when null).
  const docscan::OccurrenceStore* found = nullptr;
  TextReaderFactory makeReader;  // null: the changed images are not recognised again
  int jobs = 1;
};

struct ImageCheckResult {
  std::vector<std::string> failures;  // one line each, for a person
  int imagesChecked = 0;
  int imagesRead = 0;                 // of those, recognised again
  long pixelsCompared = 0;
};

ImageCheckResult CheckEditedImages(const ImageCheckInput& input);

// Pixels that differ between two decodings outside the boxes (same size and components, else -1).
long ChangedOutside(const ImagePixels& before, const ImagePixels& after, const std::vector<PixelBox>& boxes);

// The text without white space: the reader and the text differ in where they put spaces.
std::u16string Squeezed(std::u16string_view text);

}  // namespace scanned
