// Counts where each of many literal texts occurs (overlapping occurrences too) in text read a
// piece at a time, in one pass over the text: a check of a long document looks for thousands
// of masked runs in its whole text, and searching the text once per run grew with the square of
// its length.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace checker {

class LiteralCounter {
 public:
  // Empty needles are never counted.
  explicit LiteralCounter(const std::vector<std::string>& needles);

  // The next piece of text; it continues the text fed before, since the last Break, so an
  // occurrence may span pieces.
  void Feed(std::string_view text);
  // What is fed next starts a new text: no occurrence spans the break.
  void Break() { tail_.clear(); }

  int Count(const std::string& needle) const;

 private:
  void Scan(std::string_view text, size_t carried);
  uint64_t KeyAt(const char* at) const;

  std::vector<std::string> needles_;
  std::vector<int> counts_;
  std::unordered_map<std::string, size_t> indexOf_;
  // Needles by their first keyLength_ bytes (the shortest needle's length, at most 8), with a
  // filter of those keys that most text positions fail at once.
  size_t keyLength_ = 0;
  std::unordered_map<uint64_t, std::vector<size_t>> byKey_;
  std::bitset<1 << 16> keyFilter_;
  size_t longest_ = 0;
  std::string tail_;  // the last longest_-1 bytes fed, for occurrences that span pieces
};

}  // namespace checker
