// The checks that turn pattern hits into candidates.
#include <gtest/gtest.h>

#include <string>

#include "detect/Validate.h"

namespace vm {
namespace {

struct RegistrationCase {
  std::u16string text;
  bool resident;
  bool foreign;
};

TEST(CheckRegistrationNumber, MonthDayAndSeventhDigit) {
  const RegistrationCase cases[] = {
      {u"900101-1234567", true, false},
      {u"900101-9234567", true, false},
      {u"900101-0234567", true, false},
      {u"900101-5234567", false, true},
      {u"900101-8234567", false, true},
      {u"900001-1234567", false, false},  // month 0
      {u"901301-1234567", false, false},  // month 13
      {u"900100-1234567", false, false},  // day 0
      {u"900230-1234567", false, false},  // 30 February
      {u"900229-3234567", true, false},   // 29 February, any year
      {u"900431-1234567", false, false},  // 31 April
      {u"901231-4234567", true, false},
      {u"900101 - 1234567", true, false},  // separators are skipped
      {u"9001011234567", true, false},
      {u"900101-123456", false, false},    // 12 digits
      {u"900101-12345678", false, false},  // 14 digits
      {u"\uFF19\uFF10\uFF10\uFF11\uFF10\uFF11-1234567", false, false},  // fullwidth digits
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckRegistrationNumber(c.text, false), c.resident) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(CheckRegistrationNumber(c.text, true), c.foreign) << std::string(c.text.begin(), c.text.end());
  }
}

TEST(CheckCardNumber, LuhnSumOfFourteenToSixteenDigits) {
  EXPECT_TRUE(CheckCardNumber(u"4111-1111-1111-1111"));
  EXPECT_FALSE(CheckCardNumber(u"4111-1111-1111-1112"));
  EXPECT_TRUE(CheckCardNumber(u"3782-822463-10005"));   // 15 digits
  EXPECT_FALSE(CheckCardNumber(u"3782-822463-10006"));
  EXPECT_TRUE(CheckCardNumber(u"3056-930902-5904"));    // 14 digits
  EXPECT_FALSE(CheckCardNumber(u"0000000000000"));       // 13 digits, sum 0
  EXPECT_FALSE(CheckCardNumber(u"00000000000000000"));   // 17 digits, sum 0
  EXPECT_TRUE(CheckCardNumber(u"00000000000000"));
  // The 9 stands in a doubled place and counts 18 - 9 = 9; with the 1 the sum is 10.
  EXPECT_TRUE(CheckCardNumber(u"91-00000000000000"));
}

TEST(IsPhoneShaped, WholeCandidateWithPlainDashes) {
  EXPECT_TRUE(IsPhoneShaped(u"0312-3456-7890"));
  EXPECT_TRUE(IsPhoneShaped(u"02-123-4567"));
  EXPECT_TRUE(IsPhoneShaped(u"010\u20131234\uFF0D5678"));
  EXPECT_FALSE(IsPhoneShaped(u"031 - 123 - 456789"));
  EXPECT_FALSE(IsPhoneShaped(u"02-123-4567\n"));   // "$" is the very end
  EXPECT_FALSE(IsPhoneShaped(u"x02-123-4567"));
  EXPECT_FALSE(IsPhoneShaped(u"02-123-45678"));
  EXPECT_FALSE(IsPhoneShaped(u"12-123-4567"));
  EXPECT_FALSE(IsPhoneShaped(u"0\uFF11-123-4567"));  // fullwidth digit
}

TEST(IsDashChar, ExactlyTheNineDashes) {
  const std::u16string dashes = u"-\u2010\u2011\u2012\u2013\u2014\u2015\u2212\uFF0D";
  int count = 0;
  for (char32_t c = 0; c <= 0xFFFF; ++c) {
    const bool dash = IsDashChar(static_cast<char16_t>(c));
    EXPECT_EQ(dash, dashes.find(static_cast<char16_t>(c)) != std::u16string::npos) << int(c);
    count += dash;
  }
  EXPECT_EQ(count, 9);
}

struct AccountCase {
  std::u16string page;
  int32_t start;
  int32_t length;
  bool passes;
};

TEST(ValidateMatch, AccountLooksAtPhoneShapeAndTheTwoUnitsBefore) {
  const AccountCase cases[] = {
      {u"0312-3456-7890", 0, 14, false},
      {u"031 - 123 - 456789", 0, 18, true},
      {u"1234-5678-9012-3456", 5, 14, false},   // dash at 4, digit at 3
      {u"A-5678-9012-3456", 2, 14, true},
      {u"- 5678-9012-3456", 2, 14, true},
      {u"1\u20145678-9012-3456", 2, 14, false},
      {u"-5678-9012-3456", 1, 14, true},        // start below 2
      {u"x 0312-3456-7890", 2, 14, false},      // phone-shaped wherever it is
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ValidateMatch(Account, c.page, c.start, c.length), c.passes)
        << std::string(c.page.begin(), c.page.end());
  }
}

TEST(ValidateMatch, DispatchesOnTheCheck) {
  const std::u16string rrn = u"번호 900101-5234567";
  EXPECT_FALSE(ValidateMatch(Resident, rrn, 3, 14));
  EXPECT_TRUE(ValidateMatch(Foreign, rrn, 3, 14));
  EXPECT_FALSE(ValidateMatch(Card, u"4111-1111-1111-1112", 0, 19));
  // Checks without a test, and unknown values, pass whatever the text.
  EXPECT_TRUE(ValidateMatch(NoCheck, u"999.999.999.999", 0, 15));
  EXPECT_TRUE(ValidateMatch(static_cast<PiCheck>(7), u"4111-1111-1111-1112", 0, 19));
  // The candidate is cut at the end of the page text.
  EXPECT_TRUE(ValidateMatch(Resident, u"900101-1234567", 0, 40));
}

}  // namespace
}  // namespace vm
