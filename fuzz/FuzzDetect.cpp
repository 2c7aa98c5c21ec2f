// Detection on arbitrary UTF-16 text (the input's bytes, two per code unit, little-endian):
// every hit lies inside the text, hits do not overlap, and the engine never crashes or hangs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "detect/Detect.h"
#include "detect/Patterns.h"

namespace {

const vm::PiPatternList& AllPatterns() {
  static const vm::PiPatternList* patterns = [] {
    auto* list = new vm::PiPatternList;
    vm::PiCategoryFlags flags;
    flags.fill(true);
    vm::BuildPatternSet(flags, *list);
    return list;
  }();
  return *patterns;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  const vm::PageDetection detection = vm::DetectInPageText(AllPatterns(), text);
  int32_t lastEnd = 0;
  for (const vm::PiCandidate& c : detection.selected) {
    if (c.start < lastEnd || c.length < 1 || c.start + c.length > static_cast<int32_t>(text.size())) std::abort();
    lastEnd = c.start + c.length;
  }
  return 0;
}
