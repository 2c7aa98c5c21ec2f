// Counts where each of many literal texts occurs (overlapping occurrences too) in text read a
// piece at a time, in time linear in the text for each distinct needle length: a check of a
// long document looks for thousands of masked runs in its whole text, and searching the text
// once per run grew with the square of its length.
#pragma once

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
  struct Group {
    size_t length = 0;
    uint64_t highPower = 1;  // base^(length-1), for the rolling hash
    std::unordered_multimap<uint64_t, size_t> byHash;  // needle index by hash
  };
  void Scan(std::string_view text, size_t skipStarts);

  std::vector<std::string> needles_;
  std::vector<int> counts_;
  std::unordered_map<std::string, size_t> indexOf_;
  std::vector<Group> groups_;
  size_t longest_ = 0;
  std::string tail_;  // the last longest_-1 bytes fed, for occurrences that span pieces
};

}  // namespace checker
