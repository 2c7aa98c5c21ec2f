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

// All flags give the eleven entries in list order; each flag (check-box order) selects the entries
// of its category only.
TEST(BuildPatternSet, FlagsSelectTheirCategoriesInListOrder) {
  PiCategoryFlags all;
  all.fill(true);
  const std::vector<Entry> allEntries = {
      {ResidentRegistration, Resident}, {ForeignRegistration, Foreign}, {CreditCard, Card},
      {Phone, NoCheck},       {BankAccount, Account}, {BirthDate, NoCheck},
      {BirthDate, NoCheck},   {IpAddress, NoCheck},   {Email, NoCheck},
      {Address, NoCheck},     {Address, NoCheck}};
  EXPECT_EQ(Entries(all), allEntries);
  EXPECT_TRUE(Entries(PiCategoryFlags{}).empty());

  const int32_t flagCategories[] = {Phone, IpAddress, BirthDate, BankAccount, Email,
                                    CreditCard, ResidentRegistration, ForeignRegistration, Address};
  for (int flag = 0; flag < kCategoryCount; ++flag) {
    std::vector<Entry> expected;
    for (const Entry& e : allEntries)
      if (e.first == flagCategories[flag]) expected.push_back(e);
    EXPECT_EQ(Entries(OnlyFlag(flag)), expected) << "flag " << flag;
    EXPECT_EQ(CategoryFlagIndex(flagCategories[flag]), flag);
  }
}

// The patterns assembled at run time from the separator pieces must come out exactly as the
// documented texts: a slip in the assembly would change what is found only on rare inputs.
TEST(BuildPatternSet, AssembledPatternsMatchTheirDocumentedTexts) {
  EXPECT_EQ(RegistrationPattern(), u"\\b\\d{6}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{7}\\b");
  EXPECT_EQ(PhonePattern(),
            u"\\b0\\d{1,2}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{3,4}"
            u"\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{4}\\b");
  EXPECT_EQ(CardPattern(),
            u"\\b(?:\\d{4}[-\u2010-\u2015\u2212\uFF0D ]\\d{4}[-\u2010-\u2015\u2212\uFF0D ]\\d{4}"
            u"[-\u2010-\u2015\u2212\uFF0D ]\\d{4}|3[47]\\d{2}[-\u2010-\u2015\u2212\uFF0D ]\\d{6}"
            u"[-\u2010-\u2015\u2212\uFF0D ]\\d{5}|3(?:0[0-5]|[68]\\d)\\d[-\u2010-\u2015\u2212\uFF0D ]"
            u"\\d{6}[-\u2010-\u2015\u2212\uFF0D ]\\d{4})\\b");
  EXPECT_EQ(AccountPattern(),
            u"\\b(?:\\d{3}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{6}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{2}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{3}|"
            u"\\d{3}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{4}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{4}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{2}|"
            u"\\d{4}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{4}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{4}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{1}|"
            u"\\d{6}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{2}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{6}|"
            u"\\d{4}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{3}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{6}|"
            u"\\d{4}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{2}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{7}|"
            u"\\d{3}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{6}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{5}|"
            u"\\d{3}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{6}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{3}|"
            u"\\d{3}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{3}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{6}|"
            u"\\d{3}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{2}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{6}|"
            u"\\d{4}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{4}\\s*[-\u2010-\u2015\u2212\uFF0D]\\s*\\d{4})(?![-\u2010-\u2015\u2212\uFF0D]?\\d)");
}

}  // namespace
}  // namespace vm
