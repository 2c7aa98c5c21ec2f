// Display formats: which characters of an occurrence stay readable and which are masked.
//
// A template holds "N" or "T" for a readable position, "*" for a masked one; every other
// character separates segments and stands for no position. Only whether a segment holds "*",
// and how many letters stand before its first and after its last "*", take effect.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vm {

using DisplayFormat = std::u16string_view;

// One flag per UTF-16 unit of an occurrence's text; true means masked.
using PiMask = std::vector<bool>;

struct FormatSegment {
  bool shownOnly = false;   // no "*" in the run
  bool maskedOnly = false;  // only "*" in the run
  int32_t leadShown = 0;    // letters before the first "*" (mixed runs only)
  int32_t trailShown = 0;   // letters after the last "*" (mixed runs only)
};

bool HasShownLetter(DisplayFormat format);
bool IsAsciiAlnum(char16_t unit);

std::vector<FormatSegment> ParseDisplayFormat(DisplayFormat format);

// Sets the flags of [start, end) that the segment masks; never clears a flag.
void ApplySegment(const FormatSegment& segment, int32_t start, int32_t end, PiMask& mask);

// Resizes the mask to the text's length and fills it for the category's template.
void ComputeMask(int32_t category, std::u16string_view text, DisplayFormat format, PiMask& mask);

// The e-mail rule: the local part is one group for the template's first local segment, the
// domain is either readable or masked except for its dots, and the "@" is never masked.
void ComputeEmailMask(std::u16string_view text, DisplayFormat format, PiMask& mask);

}  // namespace vm
