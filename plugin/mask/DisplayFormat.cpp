#include "mask/DisplayFormat.h"

#include <algorithm>

#include "detect/PiCategory.h"

namespace vm {

namespace {

bool IsFormatLetter(char16_t c) { return c == u'N' || c == u'T' || c == u'*'; }

void SetAll(std::size_t length, PiMask& mask) { mask.assign(length, true); }

}  // namespace

bool HasShownLetter(DisplayFormat format) {
  return format.find_first_of(u"NT") != DisplayFormat::npos;
}

bool IsAsciiAlnum(char16_t unit) {
  return (unit >= u'0' && unit <= u'9') || (unit >= u'A' && unit <= u'Z') ||
         (unit >= u'a' && unit <= u'z');
}

std::vector<FormatSegment> ParseDisplayFormat(DisplayFormat format) {
  std::vector<FormatSegment> segments;
  std::size_t i = 0;
  while (i < format.size()) {
    if (!IsFormatLetter(format[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < format.size() && IsFormatLetter(format[end])) ++end;
    DisplayFormat run = format.substr(i, end - i);
    std::size_t firstStar = run.find(u'*');
    FormatSegment segment;
    if (firstStar == DisplayFormat::npos) {
      segment.shownOnly = true;
    } else if (run.find_first_not_of(u'*') == DisplayFormat::npos) {
      segment.maskedOnly = true;
    } else {
      std::size_t lastStar = run.rfind(u'*');
      segment.leadShown = static_cast<int32_t>(firstStar);
      segment.trailShown = static_cast<int32_t>(run.size() - lastStar - 1);
    }
    segments.push_back(segment);
    i = end;
  }
  return segments;
}

void ApplySegment(const FormatSegment& segment, int32_t start, int32_t end, PiMask& mask) {
  int32_t len = end - start;
  if (len <= 0 || segment.shownOnly) return;
  int32_t from = start;
  int32_t to = end;
  if (!segment.maskedOnly) {
    int32_t front = std::min(len, segment.leadShown);
    int32_t back = std::min(len - front, segment.trailShown);
    from = start + front;
    to = end - back;
  }
  for (int32_t p = std::max(from, 0); p < to && p < static_cast<int32_t>(mask.size()); ++p) {
    mask[p] = true;
  }
}

void ComputeEmailMask(std::u16string_view text, DisplayFormat format, PiMask& mask) {
  mask.assign(text.size(), false);
  std::size_t at = text.rfind(u'@');
  std::size_t formatAt = format.find(u'@');
  if (at == std::u16string_view::npos || formatAt == DisplayFormat::npos) {
    SetAll(text.size(), mask);
    return;
  }
  std::vector<FormatSegment> local = ParseDisplayFormat(format.substr(0, formatAt));
  if (!local.empty()) ApplySegment(local.front(), 0, static_cast<int32_t>(at), mask);
  if (!HasShownLetter(format.substr(formatAt + 1))) {
    for (std::size_t p = at + 1; p < text.size(); ++p) {
      if (text[p] != u'.') mask[p] = true;
    }
  }
}

void ComputeMask(int32_t category, std::u16string_view text, DisplayFormat format, PiMask& mask) {
  if (!HasShownLetter(format)) {
    SetAll(text.size(), mask);
    return;
  }
  if (category == Email) {
    ComputeEmailMask(text, format, mask);
    return;
  }
  mask.assign(text.size(), false);

  struct Group {
    int32_t start;
    int32_t end;
  };
  std::vector<Group> groups;
  for (std::size_t p = 0; p < text.size();) {
    if (!IsAsciiAlnum(text[p])) {
      ++p;
      continue;
    }
    std::size_t end = p;
    while (end < text.size() && IsAsciiAlnum(text[end])) ++end;
    groups.push_back({static_cast<int32_t>(p), static_cast<int32_t>(end)});
    p = end;
  }
  std::vector<FormatSegment> segments = ParseDisplayFormat(format);
  if (groups.empty() || segments.empty()) {
    SetAll(text.size(), mask);
    return;
  }

  // The first half of the groups is aligned with the template from the front, the rest (the
  // middle group of an odd count included) from the back.
  const int32_t g = static_cast<int32_t>(groups.size());
  const int32_t s = static_cast<int32_t>(segments.size());
  const int32_t half = g / 2;
  for (int32_t i = 0; i < g; ++i) {
    int32_t index = i < half ? std::min(i, s - 1) : std::clamp(s - g + i, 0, s - 1);
    ApplySegment(segments[index], groups[i].start, groups[i].end, mask);
  }
}

}  // namespace vm
