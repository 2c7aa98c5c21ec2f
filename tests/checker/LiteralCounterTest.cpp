#include "LiteralCounter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace checker {
namespace {

int CountBySearch(const std::string& text, const std::string& needle) {
  int count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
  return count;
}

TEST(LiteralCounter, CountsOverlappingOccurrencesAcrossPiecesButNotAcrossBreaks) {
  LiteralCounter counter({"aaaa", "010-1234", "서울특별시", "4567", "aaaa", ""});
  counter.Feed("aaaaaa 010-12");  // "aaaa" three times, overlapping
  counter.Feed("34 서울특");      // the phone number spans two pieces
  counter.Feed("별시");           // and so does the address
  counter.Break();
  counter.Feed("45");
  counter.Break();
  counter.Feed("67");             // split by a break: not an occurrence
  EXPECT_EQ(counter.Count("aaaa"), 3);
  EXPECT_EQ(counter.Count("010-1234"), 1);
  EXPECT_EQ(counter.Count("서울특별시"), 1);
  EXPECT_EQ(counter.Count("4567"), 0);
  EXPECT_EQ(counter.Count(""), 0);
  EXPECT_EQ(counter.Count("not looked for"), 0);
}

// Against a plain search on texts from a small alphabet (many partial and overlapping matches,
// needles of many lengths, equal hashes checked by comparison), fed in pieces of random sizes.
TEST(LiteralCounter, AgreesWithASearchForEachNeedle) {
  std::mt19937 random(20261209);
  const std::string alphabet = "ab-1";
  auto text = [&](size_t length) {
    std::string t;
    for (size_t i = 0; i < length; ++i) t += alphabet[random() % alphabet.size()];
    return t;
  };
  for (int round = 0; round < 50; ++round) {
    std::vector<std::string> needles;
    for (int i = 0; i < 20; ++i) needles.push_back(text(1 + random() % 9));
    const std::string whole = text(2000);
    LiteralCounter counter(needles);
    for (size_t at = 0; at < whole.size();) {
      const size_t piece = std::min<size_t>(random() % 12, whole.size() - at);
      counter.Feed(std::string_view(whole).substr(at, piece));
      at += piece;
    }
    for (const std::string& needle : needles)
      ASSERT_EQ(counter.Count(needle), CountBySearch(whole, needle)) << "round " << round << ", needle " << needle;
  }
}

}  // namespace
}  // namespace checker
