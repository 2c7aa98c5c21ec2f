// Detection on one page text: every pattern, validated, sorted and selected without overlaps.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "detect/Patterns.h"

namespace vm {

struct PiCandidate {
  int32_t start = 0;
  int32_t length = 0;
  int32_t category = 0;
};

struct PageDetection {
  // Selected candidates in ascending start order, without overlaps: at equal start the longer
  // wins, equal start and length are ordered by pattern-list position, and a candidate that
  // begins before the end of a selected one is dropped.
  std::vector<PiCandidate> selected;
  // False when the regex engine could not search the whole text with some pattern (match or
  // stack limit, or another engine error); the hits found before the failure are still used.
  bool complete = true;
};

PageDetection DetectInPageText(const PiPatternList& patterns, std::u16string_view pageText);

}  // namespace vm
