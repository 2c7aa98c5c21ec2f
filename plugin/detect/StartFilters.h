// Where a hit of an address pattern can begin, worked out from the pattern's structure. The
// search then tries only these positions instead of every Hangul syllable of the page: the
// hits are the same, the address patterns cost a fraction of their full search, and a long run
// of syllables cannot make them crawl.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vm {

// Appends, in ascending order, every position where a hit could begin; a position left out
// provably cannot begin one.
using PiStartFilter = void (*)(std::u16string_view text, std::vector<int32_t>& starts);

// Road-name addresses: the first name (a province, city, county or district) is a whole run of
// 2 to 11 syllables ending in 시, 도, 군 or 구 and followed by white space.
void RoadAddressStarts(std::u16string_view text, std::vector<int32_t>& starts);
// Lot-number addresses: a syllable 시, 도, 군 or 구 one to ten syllables further on in the same
// run, and the run of syllables and white space from the start ends at an ASCII digit.
void LotAddressStarts(std::u16string_view text, std::vector<int32_t>& starts);

bool IsHangulSyllable(char16_t c);
// The white space of ECMAScript's "\s".
bool IsEcmaSpace(char16_t c);

}  // namespace vm
