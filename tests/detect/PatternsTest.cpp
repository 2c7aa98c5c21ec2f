// The pattern list: which entries the flags select, their order, checks and texts.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "detect/Patterns.h"

namespace vm {
namespace {

using Entry = std::pair<int32_t, PiCheck>;  // category, check

std::vector<Entry> Entries(const PiCategoryFlags& flags) {
  PiPatternList list;
  BuildPatternSet(flags, list);
  std::vector<Entry> out;
  for (const PiPattern& p : list) {
    EXPECT_TRUE(p.regex.ok()) << p.regex.error();
    out.emplace_back(p.category, p.check);
  }
  return out;
}

PiCategoryFlags OnlyFlag(int flag) {
  PiCategoryFlags flags{};
  flags[flag] = true;
  return flags;
}

TEST(BuildPatternSet, AllFlagsGiveElevenEntriesInListOrder) {
  PiCategoryFlags all;
  all.fill(true);
  const std::vector<Entry> expected = {
      {ResidentRegistration, Resident}, {ForeignRegistration, Foreign}, {CreditCard, Card},
      {Phone, NoCheck},       {BankAccount, Account}, {BirthDate, NoCheck},
      {BirthDate, NoCheck},   {IpAddress, NoCheck},   {Email, NoCheck},
      {Address, NoCheck},     {Address, NoCheck}};
  EXPECT_EQ(Entries(all), expected);
  EXPECT_TRUE(Entries(PiCategoryFlags{}).empty());
}

// Each flag (check-box order) selects the entries of its category only.
TEST(BuildPatternSet, EachFlagSelectsItsCategory) {
  const std::vector<std::vector<Entry>> expected = {
      {{Phone, NoCheck}},
      {{IpAddress, NoCheck}},
      {{BirthDate, NoCheck}, {BirthDate, NoCheck}},
      {{BankAccount, Account}},
      {{Email, NoCheck}},
      {{CreditCard, Card}},
      {{ResidentRegistration, Resident}},
      {{ForeignRegistration, Foreign}},
      {{Address, NoCheck}, {Address, NoCheck}},
  };
  for (int flag = 0; flag < kCategoryCount; ++flag) {
    EXPECT_EQ(Entries(OnlyFlag(flag)), expected[flag]) << "flag " << flag;
  }
  for (int c = 0; c < kCategoryCount; ++c) EXPECT_EQ(Entries(OnlyFlag(CategoryFlagIndex(c)))[0].first, c);
}

TEST(PatternTexts, AreTheDocumentedOnes) {
  const std::u16string dash = u"[-\u2010-\u2015\u2212\uFF0D]";
  const std::u16string sep = u"\\s*" + dash + u"\\s*";
  EXPECT_EQ(RegistrationPattern(), u"\\b\\d{6}" + sep + u"\\d{7}\\b");
  EXPECT_EQ(PhonePattern(), u"\\b0\\d{1,2}" + sep + u"\\d{3,4}" + sep + u"\\d{4}\\b");
  const std::u16string cs = u"[-\u2010-\u2015\u2212\uFF0D ]";
  EXPECT_EQ(CardPattern(), u"\\b(?:\\d{4}" + cs + u"\\d{4}" + cs + u"\\d{4}" + cs +
                               u"\\d{4}|3[47]\\d{2}" + cs + u"\\d{6}" + cs +
                               u"\\d{5}|3(?:0[0-5]|[68]\\d)\\d" + cs + u"\\d{6}" + cs +
                               u"\\d{4})\\b");
  // The account pattern with "S" standing for the separator and "D" for the dash class.
  std::u16string account =
      u"\\b(?:\\d{3}S\\d{6}S\\d{2}S\\d{3}|\\d{3}S\\d{4}S\\d{4}S\\d{2}|\\d{4}S\\d{4}S\\d{4}S"
      u"\\d{1}|\\d{6}S\\d{2}S\\d{6}|\\d{4}S\\d{3}S\\d{6}|\\d{4}S\\d{2}S\\d{7}|\\d{3}S\\d{6}S"
      u"\\d{5}|\\d{3}S\\d{6}S\\d{3}|\\d{3}S\\d{3}S\\d{6}|\\d{3}S\\d{2}S\\d{6}|\\d{4}S\\d{4}S"
      u"\\d{4})(?!D?\\d)";
  for (size_t at; (at = account.find(u'S')) != std::u16string::npos;) account.replace(at, 1, sep);
  account.replace(account.find(u'D'), 1, dash);
  EXPECT_EQ(AccountPattern(), account);
  EXPECT_EQ(RoadAddressPattern().size(), 345u);
  EXPECT_EQ(LotAddressPattern().size(), 194u);
  EXPECT_EQ(EmailPattern(), u"[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,}");
}

TEST(CategoryLabel, KoreanLabelsByCategory) {
  EXPECT_EQ(CategoryLabel(Phone), u"전화번호");
  EXPECT_EQ(CategoryLabel(Email), u"전자 우편");
  EXPECT_EQ(CategoryLabel(Address), u"주소");
  EXPECT_TRUE(CategoryLabel(9).empty());
  EXPECT_TRUE(CategoryLabel(-1).empty());
}

}  // namespace
}  // namespace vm
