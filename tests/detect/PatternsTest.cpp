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

}  // namespace
}  // namespace vm
