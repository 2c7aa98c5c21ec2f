// Occurrences of the page text that the page does not show as text still show in the image
// under them: a scan with an OCR text layer (the page image, and the recognised text drawn
// invisibly over it) is searched by its text, and removing the layer's characters and drawing
// a box over the image leaves the item in the image's pixels. They are blacked out there too.
//
// What counts: each occurrence that was masked and whose characters are mostly not painted
// (PageDrawing: invisible text, text added to the clip only, text under an opaque image drawn
// afterwards, text the page does not draw at all) over each image shown at kLowestDpi or more
// that its boxes reach. The whole occurrence is blacked out even where the display format
// keeps characters: a layer's character positions are the reader's estimates (Tesseract
// spreads a word's characters evenly over the word), not where the ink is. The part of an
// occurrence outside every image is in no pixels. An image drawn several times is changed once,
// with the boxes of each drawing; its pixels are shared, so the item goes wherever it is drawn.
// An inline image cannot be changed: its page is reported as not fully protected.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ImageProtection.h"
#include "ImageGeometry.h"
#include "OccurrenceStore.h"
#include "PageDrawing.h"

namespace scanned {

struct ImageUnderText {
  docscan::ImagePlacement placement;  // its first drawing under such an occurrence
  std::vector<PixelBox> boxes;        // stored pixels (BoxToBlackOut)
  std::vector<std::u16string> texts;  // the occurrences over it
};

struct ImagesUnderText {
  std::vector<ImageUnderText> images;                 // one per image object, by first drawing
  std::vector<std::pair<int, std::string>> unchanged;  // (page, reason): inline images under such text
  bool complete = true;  // false: the occurrences could not all be read back
};

// The failure of a search for such images whose occurrences could not all be read back.
inline constexpr const char* kOccurrencesUnread =
    "the occurrences found could not be read back: the images under invisible text were not all looked for";

// Finds them in the document as it was before the occurrences were masked, for the matches
// that have replacements.
ImagesUnderText FindImagesUnderHiddenText(standin::pdf::Document& original,
                                          const docscan::OccurrenceStore& occurrences);

// Whether the characters inside the boxes (page space) are shown as text: more of them painted
// than not (none at all: not shown).
bool ShownAsText(const PageDrawing& drawing, const std::vector<HostBox>& boxes);

// A box of page space in device space, grown over the space the layer draws invisibly right
// after it: Tesseract's layer stretches each word with a space after it over the word's box,
// so that the word's characters end short of its ink by the space's width.
fz_rect LayerBox(const PageDrawing& drawing, const HostBox& box);

// The box of stored pixels under a box of device space (not cut to the image); false when it
// does not reach the image.
bool StoredBoxUnder(const fz_rect& device, const docscan::ImagePlacement& placement, PixelBox* stored);

// What is blacked out for such a box: grown to the ink beside it (InkExtent), padded as the
// boxes of recognised lines are, cut to the image. `stored` may hold no pixels (not decoded):
// no growth.
PixelBox BoxToBlackOut(const GrayImage& stored, const PixelBox& under, const Orientation& orientation,
                       int characterWidth);

// Blacks out each found image in `document` (the same objects as the original: not yet saved).
ImageProtection BlackOutImagesUnderText(standin::pdf::Document& document, const ImagesUnderText& found);

// Both: the original file is opened again, as the document has changed already.
ImageProtection ProtectImagesUnderHiddenText(const std::string& originalPath, standin::pdf::Document& document,
                                             const docscan::OccurrenceStore& occurrences,
                                             std::vector<std::pair<int, std::string>>* unchanged);

}  // namespace scanned
