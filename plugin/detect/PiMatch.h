// One occurrence of personal information on a page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "HostAbi.h"

namespace vm {

struct PiMatch {
  int32_t pageIndex = 0;
  int32_t charStart = 0;   // in the page text, UTF-16 code units = the host's character indices
  int32_t charCount = 0;
  float fontSize = 0;
  int32_t category = 0;    // PiCategory
  std::u16string text;
  std::vector<HostBox> rects;  // page space, as the host delivers them; never empty in a list
};

using PiMatchList = std::vector<PiMatch>;

}  // namespace vm
