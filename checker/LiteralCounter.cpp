#include "LiteralCounter.h"

#include <algorithm>
#include <cstring>

namespace checker {

namespace {

size_t FilterSlot(uint64_t key) { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 48); }

}  // namespace

LiteralCounter::LiteralCounter(const std::vector<std::string>& needles) {
  for (const std::string& needle : needles) {
    if (needle.empty() || indexOf_.count(needle)) continue;
    indexOf_.emplace(needle, needles_.size());
    needles_.push_back(needle);
  }
  counts_.assign(needles_.size(), 0);
  if (needles_.empty()) return;
  keyLength_ = 8;
  for (const std::string& needle : needles_) {
    keyLength_ = std::min(keyLength_, needle.size());
    longest_ = std::max(longest_, needle.size());
  }
  for (size_t i = 0; i < needles_.size(); ++i) {
    const uint64_t key = KeyAt(needles_[i].data());
    byKey_[key].push_back(i);
    keyFilter_.set(FilterSlot(key));
  }
}

uint64_t LiteralCounter::KeyAt(const char* at) const {
  uint64_t key = 0;
  std::memcpy(&key, at, keyLength_);
  return key;
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
  for (size_t start = 0; start + keyLength_ <= text.size(); ++start) {
    const uint64_t key = KeyAt(text.data() + start);
    if (!keyFilter_.test(FilterSlot(key))) continue;
    auto found = byKey_.find(key);
    if (found == byKey_.end()) continue;
    for (size_t index : found->second) {
      const std::string& needle = needles_[index];
      const size_t end = start + needle.size();
      if (end > carried && end <= text.size() && text.compare(start, needle.size(), needle) == 0) ++counts_[index];
    }
  }
}

int LiteralCounter::Count(const std::string& needle) const {
  auto it = indexOf_.find(needle);
  return it == indexOf_.end() ? 0 : counts_[it->second];
}

}  // namespace checker
