// Protecting what OCR found on scanned pages: the pixels under each occurrence blacked out in
// the image itself (ImageEdit), as the category's display format asks where the boxes of single
// characters are known, else the whole occurrence.
#pragma once

#include <string>
#include <vector>

#include "ImageEdit.h"
#include "ScannedPages.h"
#include "ui/PiOptions.h"

namespace scanned {

struct EditedImage {
  int page = 0;
  int drawnIndex = 0;   // among every image the page draws (how the check finds it again)
  int object = 0;       // in the original's numbering
  Orientation orientation;
  ImageEdit edit;                          // boxes in stored pixels
  std::vector<std::u16string> removed;     // occurrences of which nothing stays readable
  std::vector<std::u16string> maskedRuns;  // the blacked characters of partly kept occurrences
  std::u16string textBefore;               // what was recognised before
  int occurrences = 0;
};

struct ImageProtection {
  std::vector<EditedImage> edited;
  std::vector<std::string> failures;  // images that could not be changed, for a person
};

// Blacks out every hit of the searched images. An image drawn more than once is changed once.
ImageProtection ProtectScannedPages(standin::pdf::Document& document, const ScannedScan& scan,
                                    const vm::PiOptions& options);

// How far a box of a line of text `lineHeight` pixels high is grown on every side before it is
// blacked out: ink spreads past the boxes a reader gives (blur, anti-aliasing).
int LinePad(int lineHeight);

// The boxes to black out for one hit (upright pixels): each masked character's box reaching
// halfway to its neighbours when the format keeps characters and their boxes are known,
// otherwise each line's box; padded by a share of the line height.
std::vector<PixelBox> BoxesToBlackOut(const RecognisedHit& hit, const vm::PiOptions& options, int width,
                                      int height, std::vector<std::u16string>* maskedRuns, bool* whole);

}  // namespace scanned
