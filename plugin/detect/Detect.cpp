#include "detect/Detect.h"

#include <algorithm>

#include "detect/Validate.h"

namespace vm {

namespace {

// How much work a pattern tried position by position may do on one page, counted in the
// engine's backtracking steps (its match limit): each position is first tried within a few
// steps, and the limit is raised fourfold each time it is reached; every try is charged its full
// limit. Ordinary pages use a small part of it (a million characters of nothing but addresses
// about a third); text made to defeat the start filter, such as a long run of name suffixes, uses
// it up in a tenth of a second, and the page is then reported as not completely searched. A count
// of work rather than a clock: the same text gives the same result however loaded the machine.
constexpr uint64_t kFilteredSearchSteps = 64 * 1024 * 1024;
constexpr uint32_t kFirstTryLimit = 32;

void AddIfValid(const PiPattern& pattern, std::u16string_view text, const RegexFind& hit,
                std::vector<PiCandidate>& candidates) {
  if (hit.length > 0 && ValidateMatch(pattern.check, text, hit.start, hit.length))
    candidates.push_back({hit.start, hit.length, pattern.category});
}

// Walks the successive hits of one pattern as a standard regex iterator does: each search
// starts where the previous hit ended, and after an empty hit an empty hit at the same place is
// not taken again. Returns false when the engine failed before the end of the text.
bool SearchAll(const PiPattern& pattern, std::u16string_view text, RegexScratch& scratch,
               std::vector<PiCandidate>& candidates) {
  size_t from = 0;
  bool afterEmpty = false;
  while (from <= text.size()) {
    const RegexFind hit = pattern.regex.Find(text, from, scratch, afterEmpty);
    if (hit.status == RegexStatus::Error) return false;
    if (hit.status == RegexStatus::NoMatch) return true;
    AddIfValid(pattern, text, hit, candidates);
    from = static_cast<size_t>(hit.start) + static_cast<size_t>(hit.length);
    afterEmpty = hit.length == 0;
  }
  return true;
}

// The same walk, trying only the positions the pattern's start filter allows: the first position
// at or after the previous hit's end where a hit begins gives the next hit. (The filtered
// patterns cannot match empty text.)
bool SearchFiltered(const PiPattern& pattern, std::u16string_view text, RegexScratch& scratch,
                    std::vector<int32_t>& starts, std::vector<PiCandidate>& candidates) {
  starts.clear();
  pattern.startFilter(text, starts);
  int32_t from = 0;
  uint64_t stepsLeft = kFilteredSearchSteps;
  for (int32_t at : starts) {
    if (at < from) continue;
    RegexFind hit;
    for (uint64_t limit = kFirstTryLimit;; limit *= 4) {
      limit = std::min({limit, stepsLeft, uint64_t{kRegexMatchLimit}});
      if (limit == 0) return false;
      hit = pattern.regex.MatchAt(text, static_cast<size_t>(at), scratch,
                                  static_cast<uint32_t>(limit));
      stepsLeft -= limit;
      if (!hit.limitReached || limit == kRegexMatchLimit) break;
    }
    if (hit.status == RegexStatus::Error) return false;
    if (hit.status == RegexStatus::NoMatch || hit.length == 0) continue;
    AddIfValid(pattern, text, hit, candidates);
    from = hit.start + hit.length;
  }
  return true;
}

}  // namespace

PageDetection DetectInPageText(const PiPatternList& patterns, std::u16string_view pageText) {
  PageDetection result;
  if (pageText.empty() || patterns.empty()) return result;

  thread_local RegexScratch scratch;
  std::vector<PiCandidate> candidates;
  std::vector<int32_t> starts;
  for (const PiPattern& pattern : patterns) {
    const bool searched = pattern.startFilter
                              ? SearchFiltered(pattern, pageText, scratch, starts, candidates)
                              : SearchAll(pattern, pageText, scratch, candidates);
    if (!searched) result.complete = false;
  }

  // Candidates were appended in pattern-list order, so the stable sort orders ties of equal
  // start and length by pattern-list position.
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const PiCandidate& x, const PiCandidate& y) {
                     if (x.start != y.start) return x.start < y.start;
                     return x.length > y.length;
                   });

  int32_t lastEnd = -1;
  for (const PiCandidate& c : candidates) {
    if (c.start < lastEnd) continue;
    result.selected.push_back(c);
    lastEnd = c.start + c.length;
  }
  return result;
}

}  // namespace vm
