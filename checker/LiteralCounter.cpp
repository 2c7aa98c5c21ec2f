#include "LiteralCounter.h"

#include <algorithm>
#include <map>

namespace checker {

namespace {

constexpr uint64_t kBase = 1099511628211ull;

uint64_t HashOf(std::string_view text) {
  uint64_t h = 0;
  for (unsigned char c : text) h = h * kBase + c;
  return h;
}

}  // namespace

LiteralCounter::LiteralCounter(const std::vector<std::string>& needles) {
  std::map<size_t, Group> byLength;
  for (const std::string& needle : needles) {
    if (needle.empty() || indexOf_.count(needle)) continue;
    const size_t index = needles_.size();
    indexOf_.emplace(needle, index);
    needles_.push_back(needle);
    Group& group = byLength[needle.size()];
    group.length = needle.size();
    group.byHash.emplace(HashOf(needle), index);
    longest_ = std::max(longest_, needle.size());
  }
  counts_.assign(needles_.size(), 0);
  for (auto& [length, group] : byLength) {
    for (size_t i = 1; i < length; ++i) group.highPower *= kBase;
    groups_.push_back(std::move(group));
  }
}

void LiteralCounter::Feed(std::string_view text) {
  if (needles_.empty() || text.empty()) return;
  // Occurrences that start in the tail and end in the new text: the tail's own were counted.
  std::string joined = tail_;
  const size_t carried = joined.size();
  joined.append(text);
  Scan(joined, carried);
  const size_t keep = std::min(joined.size(), longest_ - 1);
  tail_.assign(joined, joined.size() - keep, keep);
}

// Counts occurrences that end past the first `carried` bytes (those ending inside were counted
// with the piece that brought them).
void LiteralCounter::Scan(std::string_view text, size_t carried) {
  for (const Group& group : groups_) {
    const size_t n = group.length;
    if (text.size() < n) continue;
    uint64_t h = HashOf(text.substr(0, n));
    for (size_t start = 0;; ++start) {
      if (start + n > carried) {
        auto [first, last] = group.byHash.equal_range(h);
        for (auto it = first; it != last; ++it)
          if (text.compare(start, n, needles_[it->second]) == 0) ++counts_[it->second];
      }
      if (start + n >= text.size()) break;
      h = (h - static_cast<unsigned char>(text[start]) * group.highPower) * kBase +
          static_cast<unsigned char>(text[start + n]);
    }
  }
}

int LiteralCounter::Count(const std::string& needle) const {
  auto it = indexOf_.find(needle);
  return it == indexOf_.end() ? 0 : counts_[it->second];
}

}  // namespace checker
