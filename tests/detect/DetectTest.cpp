// Detection on one page text: what each pattern finds, and how overlapping candidates are
// sorted and selected.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "detect/Detect.h"

namespace vm {

bool operator==(const PiCandidate& a, const PiCandidate& b) {
  return a.start == b.start && a.length == b.length && a.category == b.category;
}

namespace {

struct Found {
  std::u16string text;
  int32_t category;
  bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Found& f) {
  std::string utf8;
  for (char16_t c : f.text) {
    if (c < 0x80) utf8 += static_cast<char>(c);
    else if (c < 0x800) utf8 += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    else utf8 += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  }
  return os << "{" << utf8 << ", " << f.category << "}";
}

std::vector<Found> Detect(std::u16string_view text) {
  PiCategoryFlags all;
  all.fill(true);
  PiPatternList patterns;
  BuildPatternSet(all, patterns);
  const PageDetection result = DetectInPageText(patterns, text);
  EXPECT_TRUE(result.complete);
  std::vector<Found> out;
  for (const PiCandidate& c : result.selected)
    out.push_back({std::u16string(text.substr(c.start, c.length)), c.category});
  return out;
}

struct PageCase {
  std::u16string text;
  std::vector<Found> expected;
};

TEST(DetectInPageText, FindsWhatEachFormLooksLike) {
  const PageCase cases[] = {
      {u"전화 010-1234-5678 입니다", {{u"010-1234-5678", Phone}}},
      {u"전화010-1234-5678", {}},  // a syllable before the digits: no "\b"
      {u"02 - 123 - 4567", {{u"02 - 123 - 4567", Phone}}},
      {u"01012345678 010 1234 5678", {}},
      {u"900101 - 1234567", {{u"900101 - 1234567", ResidentRegistration}}},
      {u"9001011234567", {}},
      {u"900101-5234567", {{u"900101-5234567", ForeignRegistration}}},
      {u"900230-1234567", {}},  // no 30 February; the account reading is not phone-shaped but
                                // has no matching group lengths either
      {u"4111 1111 1111 1111", {{u"4111 1111 1111 1111", CreditCard}}},
      {u"4111111111111111", {}},
      // Not a card (one separator only); the account reading takes three groups.
      {u"4111 - 1111 - 1111 - 1111", {{u"4111 - 1111 - 1111", BankAccount}}},
      // Luhn fails; the account hit at 5 follows "digit, dash" and fails too.
      {u"1234-5678-9012-3456", {}},
      {u"110-234-567890 (신한)", {{u"110-234-567890", BankAccount}}},
      {u"0312-3456-7890", {}},  // phone-shaped account; "\b0\d{1,2}" needs 2 or 3 digits
      {u"031 - 123 - 456789", {{u"031 - 123 - 456789", BankAccount}}},
      {u"2023-02-31", {{u"2023-02-31", BirthDate}}},
      {u"1990/13/01 1890-01-01", {}},
      {u"1990년1월2일", {{u"1990년1월2일", BirthDate}}},
      {u"1990년 1월 2일생", {{u"1990년 1월 2일", BirthDate}}},
      {u"999.999.999.999", {{u"999.999.999.999", IpAddress}}},
      {u"1.2.3.4.5", {{u"1.2.3.4", IpAddress}}},
      {u"a.b@example.com", {{u"a.b@example.com", Email}}},
      {u"a@example.c a@localhost", {}},
      {u"서울 종로구 세종대로 209 (세종로)", {{u"종로구 세종대로 209 (세종로)", Address}}},
      {u"경기도 성남시 분당구 정자동 178-1", {{u"경기도 성남시 분당구 정자동 178-1", Address}}},
      {u"서울특별시 종로구 세종대로 209, 3층 (세종로)",
       {{u"서울특별시 종로구 세종대로 209, 3층 (세종로)", Address}}},
      {u"서울특별시 강남구 테헤란로5길 10 101동 1203호",
       {{u"서울특별시 강남구 테헤란로5길 10 101동 1203호", Address}}},
      {u"전라남도 해남군 송지면 땅끝마을길 12", {{u"전라남도 해남군 송지면 땅끝마을길 12", Address}}},
      {u"제주특별자치도 제주시 애월읍 고내리 산 12-3",
       {{u"제주특별자치도 제주시 애월읍 고내리 산 12-3", Address}}},
      {u"시청 앞 123", {}},
      {u"\uFF10\uFF11\uFF10-1234-5678", {}},  // fullwidth digits are no digits, a fullwidth dash is a dash
      {u"900101\uFF0D1234567", {{u"900101\uFF0D1234567", ResidentRegistration}}},
  };
  for (const PageCase& c : cases) {
    EXPECT_EQ(Detect(c.text), c.expected) << Found{c.text, -1};
  }
}

// "\b" counts letters of every script, decimal digits and "_" as word characters, and nothing
// else: numbers that are not decimal digits, marks and connector punctuation border a hit.
TEST(DetectInPageText, WordCharactersAreLettersDecimalDigitsAndUnderscore) {
  const std::u16string phone = u"010-1234-5678";
  for (std::u16string_view neighbour : {u"\u2460", u"\u00B2", u"\u216B", u"\u3007", u"\u00BD",
                                        u"\u0301", u"\u203F", u"\u2028", u"(", u"*"}) {
    const std::u16string before = std::u16string(neighbour) + phone;
    const std::u16string after = phone + std::u16string(neighbour);
    EXPECT_EQ(Detect(before), (std::vector<Found>{{phone, Phone}})) << Found{before, -1};
    EXPECT_EQ(Detect(after), (std::vector<Found>{{phone, Phone}})) << Found{after, -1};
  }
  for (std::u16string_view neighbour : {u"가", u"\u3131", u"\u00E9", u"\u0416", u"\u02B0", u"\u01C5",
                                        u"\u0663", u"\uFF10", u"_", u"x"}) {
    const std::u16string before = std::u16string(neighbour) + phone;
    const std::u16string after = phone + std::u16string(neighbour);
    EXPECT_EQ(Detect(before), std::vector<Found>{}) << Found{before, -1};
    EXPECT_EQ(Detect(after), std::vector<Found>{}) << Found{after, -1};
  }
  // Between two numbers that are no word characters, every "\b" pattern still finds its hit.
  EXPECT_EQ(Detect(u"\u2460900101-1234567\u2461 \u2462192.168.0.1\u2463"),
            (std::vector<Found>{{u"900101-1234567", ResidentRegistration}, {u"192.168.0.1", IpAddress}}));
}

// Patterns whose hits are fixed texts, to drive the selection directly.
PiPatternList Literals(std::initializer_list<std::pair<std::u16string_view, int32_t>> items) {
  PiPatternList list;
  for (const auto& [text, category] : items) list.push_back({Regex(text), NoCheck, category});
  return list;
}

std::vector<PiCandidate> Select(const PiPatternList& patterns, std::u16string_view text) {
  return DetectInPageText(patterns, text).selected;
}

TEST(DetectInPageText, SelectionKeepsEarliestThenLongestWithoutOverlap) {
  // Same start: the longer wins whatever the pattern order.
  EXPECT_EQ(Select(Literals({{u"abc", 1}, {u"abcdef", 2}}), u"abcdefg"),
            (std::vector<PiCandidate>{{0, 6, 2}}));
  // 10+8 and 15+10: the second begins inside the first and is dropped.
  const std::u16string text = u"..........AAAAABBBCCCCCCC.";
  EXPECT_EQ(Select(Literals({{u"AAAAABBB", 1}, {u"BCCCCCCC", 2}}), text),
            (std::vector<PiCandidate>{{10, 8, 1}}));
  // 10+5 and 15+3: the second begins exactly at the end of the first; both stay.
  EXPECT_EQ(Select(Literals({{u"BBB", 2}, {u"AAAAA", 1}}), text),
            (std::vector<PiCandidate>{{10, 5, 1}, {15, 3, 2}}));
  // Equal start and length: the earlier pattern in the list.
  EXPECT_EQ(Select(Literals({{u"AAA", 4}, {u"A{3}", 3}}), text),
            (std::vector<PiCandidate>{{10, 3, 4}}));
  EXPECT_EQ(Select(Literals({{u"A{3}", 3}, {u"AAA", 4}}), text),
            (std::vector<PiCandidate>{{10, 3, 3}}));
}

TEST(DetectInPageText, EachSearchStartsWhereTheLastHitEnded) {
  // "aa" twice in "aaaaa", not four times; a failed validation still consumes its text.
  EXPECT_EQ(Select(Literals({{u"aa", 1}}), u"aaaaa"),
            (std::vector<PiCandidate>{{0, 2, 1}, {2, 2, 1}}));
  PiPatternList card;
  card.push_back({Regex(u"\\d{16}"), Card, CreditCard});
  // The first 16 digits fail the Luhn test; the valid run inside them is not searched again.
  EXPECT_TRUE(Select(card, u"04111111111111111").empty());
  // Empty hits are skipped and do not stall the walk.
  EXPECT_EQ(Select(Literals({{u"x*", 1}}), u"ab xx"), (std::vector<PiCandidate>{{3, 2, 1}}));
}

}  // namespace
}  // namespace vm
