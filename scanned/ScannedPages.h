// The pages that are images without text, read by OCR: each image decoded at its own
// resolution, turned upright, recognised (several at once, one reader per worker), and
// searched with the module's patterns.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ImageGeometry.h"
#include "ImagePages.h"
#include "OcrText.h"
#include "RecognisedHits.h"
#include "detect/PiCategory.h"

namespace standin::pdf {
struct Document;
}

namespace scanned {

// Below this reading confidence (0 to 100, characters weighing by their words' confidence) an
// image counts as not read.
constexpr float kReadableConfidence = 60;
// An image with at least kCountedMarks letter-sized marks of which more than kUnreadShare lie
// outside the words read counts as not read: text is there that the reader could not make out.
constexpr int kCountedMarks = 40;
constexpr float kUnreadShare = 0.5f;
// Images shown at a lower resolution (pixels per inch) cannot show text that can be read.
constexpr float kLowestDpi = 50;

struct ImageReading {
  docscan::ImagePlacement placement;
  int indexOnPage = 0;           // among the page's images without text, in drawing order
  Orientation orientation;
  bool searched = false;
  std::string reason;            // why the image was not searched
  float confidence = 0;          // of the whole reading
  std::u16string text;           // the recognised text, joined
  std::vector<RecognisedHit> hits;  // boxes in pixels of the upright image
};

struct ScannedScan {
  std::vector<ImageReading> images;  // page by page, in drawing order

  // Pages (ascending) with an image that was not searched, and the first reason on each.
  std::vector<std::pair<int, std::string>> UnsearchedPages() const;
};

// Called after each image was read, with the images read so far and their number.
using ReadProgress = std::function<void(size_t done, size_t total)>;

// Reads the images without text (docscan::ImagesWithoutText) with up to `jobs` readers at
// once, made by `makeReader`, and searches them for the flagged categories. `betweenPages` is
// called in the walk that finds the images.
ScannedScan ReadScannedPages(standin::pdf::Document& document, const vm::PiCategoryFlags& flags,
                             const TextReaderFactory& makeReader, int jobs, const ReadProgress& progress = {},
                             const docscan::BetweenPages& betweenPages = {});

// The overall confidence of a reading: the words' confidences weighted by their lengths; 100
// when nothing was read.
float ReadingConfidence(const OcrText& text);

// The boxes of a hit in page space.
std::vector<HostBox> PageRects(const ImageReading& image, const RecognisedHit& hit);

}  // namespace scanned
