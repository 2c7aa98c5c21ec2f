// The regex engine where the comparison with std::wregex does not reach: the white-space set
// itself, search offsets, surrogates, failures reported instead of swallowed, and long texts.
#include <gtest/gtest.h>

#include <string>

#include "detect/Detect.h"
#include "detect/RegexEngine.h"

namespace vm {
namespace {

constexpr char16_t kHigh = 0xD800;  // lone surrogates, as text extraction can deliver them
constexpr char16_t kLow = 0xDC00;

bool Matches(std::u16string_view pattern, std::u16string_view text) {
  RegexScratch scratch;
  const Regex regex(pattern);
  EXPECT_TRUE(regex.ok()) << regex.error();
  return regex.Find(text, 0, scratch).status == RegexStatus::Match;
}

TEST(RegexEngine, SpaceIsTheEcmaScriptSet) {
  for (char16_t c : std::u16string(u"\t\n\v\f\r \u00A0\u1680\u2000\u2007\u200A\u2028\u2029\u202F\u205F\u3000\uFEFF")) {
    EXPECT_TRUE(Matches(u"^\\s$", std::u16string(1, c))) << int(c);
    EXPECT_TRUE(Matches(u"^[x\\s]$", std::u16string(1, c))) << int(c);
  }
  for (char16_t c : std::u16string(u"\u0085\u180E\u200B\u00ADa")) {
    EXPECT_FALSE(Matches(u"^\\s$", std::u16string(1, c))) << int(c);
  }
}

TEST(RegexEngine, SearchFromAnOffsetSeesTheTextBefore) {
  RegexScratch scratch;
  const Regex regex(u"\\b\\d{3}");
  const std::u16string text = u"가123 456";
  EXPECT_EQ(regex.Find(text, 1, scratch).start, 5);  // "\b" fails after 가
  const RegexFind at = regex.MatchAt(text, 5, scratch);
  EXPECT_EQ(at.status, RegexStatus::Match);
  EXPECT_EQ(at.length, 3);
  EXPECT_EQ(regex.MatchAt(text, 4, scratch).status, RegexStatus::NoMatch);
  EXPECT_EQ(regex.Find(text, text.size() + 1, scratch).status, RegexStatus::NoMatch);
}

TEST(RegexEngine, IndicesAreCodeUnitsAndSurrogatesAreCharacters) {
  RegexScratch scratch;
  // A character outside the BMP takes two units and is no letter; lone surrogates are fine.
  const std::u16string text =
      u"\U0001D400 " + std::u16string{kLow, kHigh} + u"010-1234-5678" + std::u16string(1, kHigh);
  const Regex phone(u"\\b0\\d{1,2}-\\d{3,4}-\\d{4}\\b");
  const RegexFind hit = phone.Find(text, 0, scratch);
  ASSERT_EQ(hit.status, RegexStatus::Match);
  EXPECT_EQ(hit.start, 5);
  EXPECT_EQ(hit.length, 13);
  EXPECT_TRUE(Matches(u"^[^()]{4}$", u"\U0001D400\U0001D400"));
}

TEST(RegexEngine, UnsupportedSyntaxAndEngineErrorsAreReported) {
  RegexScratch scratch;
  const Regex unterminated(u"[abc");
  EXPECT_FALSE(unterminated.ok());
  EXPECT_EQ(unterminated.Find(u"abc", 0, scratch).status, RegexStatus::Error);
  EXPECT_FALSE(Regex(u"(?:").ok());
  EXPECT_FALSE(Regex(u"[\\S]").ok());
  // Catastrophic backtracking hits the match limit: an error, never a quiet "no match".
  const Regex runaway(u"(?:a|aa)+(?:b|c)");
  const RegexFind result = runaway.Find(std::u16string(60, u'a') + u"d", 0, scratch);
  EXPECT_EQ(result.status, RegexStatus::Error);
  EXPECT_NE(result.errorCode, 0);
}

TEST(DetectInPageText, EngineFailureMarksThePageIncompleteAndKeepsEarlierHits) {
  PiPatternList patterns;
  patterns.push_back({Regex(u"(?:a|aa)+(?:b|c)"), NoCheck, Email});
  patterns.push_back({Regex(u"\\d+"), NoCheck, Phone});
  const std::u16string text = u"ab 12 " + std::u16string(60, u'a') + u"d 34";
  const PageDetection result = DetectInPageText(patterns, text);
  EXPECT_FALSE(result.complete);
  ASSERT_EQ(result.selected.size(), 3u);
  EXPECT_EQ(result.selected[0].category, Email);
  EXPECT_EQ(result.selected[2].start, static_cast<int32_t>(text.size() - 2));

  PiPatternList broken;
  broken.push_back({Regex(u"[x"), NoCheck, Phone});
  EXPECT_FALSE(DetectInPageText(broken, u"x").complete);
}

// A million units of one kind of character: every pattern finishes, with no hit and no failure.
TEST(DetectInPageText, MillionCharacterTextsFinish) {
  PiCategoryFlags all;
  all.fill(true);
  PiPatternList patterns;
  BuildPatternSet(all, patterns);
  for (char16_t c : {u'a', u' ', u'7', u'가', u'시', u'구', u'.', u'-', kHigh}) {
    const PageDetection result = DetectInPageText(patterns, std::u16string(1'000'000, c));
    EXPECT_TRUE(result.complete) << int(c);
    EXPECT_TRUE(result.selected.empty()) << int(c);
  }
  std::u16string mixed;
  while (mixed.size() < 1'000'000) mixed += u"서울특별시 종로구 세종대로 209 010-1234-5678 a@b.kr ";
  const PageDetection result = DetectInPageText(patterns, mixed);
  EXPECT_TRUE(result.complete);
  EXPECT_GT(result.selected.size(), 50'000u);
}

// The address search is bounded by work done, not by time: a run of name suffixes ending in a
// lot number (the costliest text for it) is given up and reported, every time alike, while a
// page of a million characters of nothing but addresses is searched whole.
TEST(DetectInPageText, AddressSearchIsBoundedByWorkNotTime) {
  PiCategoryFlags flags{};
  flags[8] = true;
  PiPatternList patterns;
  BuildPatternSet(flags, patterns);
  const std::u16string worst = std::u16string(1'000'000, u'시') + u"동 1";
  for (int run = 0; run < 2; ++run) {
    const PageDetection result = DetectInPageText(patterns, worst);
    EXPECT_FALSE(result.complete);
    EXPECT_TRUE(result.selected.empty());
  }
  const std::u16string_view piece = u"서울특별시 종로구 세종대로 209 경기도 성남시 분당구 정자동 178-1 ";
  std::u16string addresses;
  while (addresses.size() + piece.size() <= 1'000'000) addresses += piece;
  const PageDetection result = DetectInPageText(patterns, addresses);
  EXPECT_TRUE(result.complete);
  EXPECT_EQ(result.selected.size(), 2 * (addresses.size() / piece.size()));
}

}  // namespace
}  // namespace vm
