#include "detect/StartFilters.h"

#include <algorithm>

namespace vm {

namespace {

// The last syllable of every head name: 특별자치시, 특별자치도, 특별시, 광역시, 시, 도, 군, 구.
bool IsHeadSuffix(char16_t c) { return c == u'시' || c == u'도' || c == u'군' || c == u'구'; }

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The longest head name: six syllables and 특별자치시 (five).
constexpr size_t kMaxHeadName = 11;

}  // namespace

bool IsHangulSyllable(char16_t c) { return c >= u'\uAC00' && c <= u'\uD7A3'; }

bool IsEcmaSpace(char16_t c) {
  return (c >= u'\t' && c <= u'\r') || c == u' ' || c == u'\u00A0' || c == u'\u1680' ||
         (c >= u'\u2000' && c <= u'\u200A') || c == u'\u2028' || c == u'\u2029' ||
         c == u'\u202F' || c == u'\u205F' || c == u'\u3000' || c == u'\uFEFF';
}

void RoadAddressStarts(std::u16string_view text, std::vector<int32_t>& starts) {
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    if (!IsHangulSyllable(text[i])) {
      ++i;
      continue;
    }
    const size_t runStart = i;
    while (i < n && IsHangulSyllable(text[i])) ++i;
    // The run is [runStart, i). The first name spans from the start to the run's end.
    if (i < n && IsEcmaSpace(text[i]) && IsHeadSuffix(text[i - 1]) && i - runStart >= 2) {
      const size_t first = i - runStart > kMaxHeadName ? i - kMaxHeadName : runStart;
      for (size_t s = first; s + 2 <= i; ++s) starts.push_back(static_cast<int32_t>(s));
    }
  }
}

void LotAddressStarts(std::u16string_view text, std::vector<int32_t>& starts) {
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    if (!IsHangulSyllable(text[i]) && !IsEcmaSpace(text[i])) {
      ++i;
      continue;
    }
    // A stretch of syllables and white space; everything before the lot number lies in one.
    const size_t stretchStart = i;
    while (i < n && (IsHangulSyllable(text[i]) || IsEcmaSpace(text[i]))) ++i;
    if (i >= n || !IsAsciiDigit(text[i])) continue;
    // Walk the stretch backwards, keeping the nearest head suffix ahead in the same run.
    const size_t none = n;
    size_t nextSuffix = none;
    const size_t firstNew = starts.size();
    for (size_t s = i; s-- > stretchStart;) {
      if (!IsHangulSyllable(text[s])) {
        nextSuffix = none;
        continue;
      }
      if (nextSuffix != none && nextSuffix - s <= kMaxHeadName - 1)
        starts.push_back(static_cast<int32_t>(s));
      if (IsHeadSuffix(text[s])) nextSuffix = s;
    }
    std::reverse(starts.begin() + static_cast<std::ptrdiff_t>(firstNew), starts.end());
  }
}

}  // namespace vm
