// Personal information in recognised text: the lines joined as the page text joins runs (words
// by a space where the reader saw a gap, lines by a line break), searched with the module's patterns and validation, and
// each hit mapped back to the pixels that show it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "OcrText.h"
#include "detect/Patterns.h"

namespace scanned {

struct RecognisedHit {
  int32_t category = 0;
  std::u16string text;
  int32_t start = 0;            // in the joined text
  float confidence = 0;         // the lowest of its words'
  std::vector<PixelBox> lines;  // one box per text line it spans (its words, or their parts)
  // The box of each UTF-16 unit of `text` where the reader gave the characters' boxes (none for
  // the joining spaces and line breaks); empty when some character's box is unknown.
  std::vector<std::optional<PixelBox>> units;
};

// The recognised text as one string: words joined by " " where a gap stands between them, lines
// by "\n".
std::u16string JoinedText(const OcrText& text);

// For each line read in several ways, takes the reading in which the patterns find the most
// (validated) characters; at a tie the line stays as it is.
void ChooseReadings(const vm::PiPatternList& patterns, OcrText& text);

// The hits of the patterns in the joined text, in text order, without overlaps (as on a page).
// `complete` is cleared when the regex engine could not search all of it.
std::vector<RecognisedHit> FindInRecognisedText(const vm::PiPatternList& patterns, const OcrText& text,
                                                bool* complete);

}  // namespace scanned
