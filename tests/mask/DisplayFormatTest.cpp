// Masking rule: which characters of an occurrence a template keeps readable.
#include <gtest/gtest.h>

#include <string>

#include "detect/PiCategory.h"
#include "mask/DisplayFormat.h"
#include "mask/FormatChoiceTable.h"

namespace vm {
namespace {

// The text with every masked character shown as '#'.
std::u16string Masked(int32_t category, std::u16string_view text, std::u16string_view format) {
  PiMask mask{true, true, true};  // stale content must not survive
  ComputeMask(category, text, format, mask);
  EXPECT_EQ(mask.size(), text.size());
  std::u16string out(text);
  for (std::size_t i = 0; i < out.size() && i < mask.size(); ++i) {
    if (mask[i]) out[i] = u'#';
  }
  return out;
}

struct MaskCase {
  const char* name;
  int32_t category;
  std::u16string text;
  std::u16string format;
  std::u16string expected;
};

class MaskRule : public testing::TestWithParam<MaskCase> {};

TEST_P(MaskRule, MasksExpectedCharacters) {
  const MaskCase& c = GetParam();
  EXPECT_EQ(Masked(c.category, c.text, c.format), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, MaskRule,
    testing::Values(
        MaskCase{"PhoneMiddle", Phone, u"010-1234-5678", u"NNN-****-NNNN", u"010-####-5678"},
        MaskCase{"PhoneLast", Phone, u"010-1234-5678", u"NNN-NNN-****", u"010-1234-####"},
        MaskCase{"ShortGroupsStillMeetSegments", Phone, u"02-123-4567", u"NNN-****-NNNN",
                 u"02-###-4567"},
        MaskCase{"SingleGroupMeetsLastShownSegment", Phone, u"01012345678", u"NNN-****-NNNN",
                 u"01012345678"},
        MaskCase{"SingleGroupMeetsLastMaskedSegment", Phone, u"01012345678", u"NNN-NNN-****",
                 u"###########"},
        MaskCase{"RegistrationLeadShown", ResidentRegistration, u"900101-1234567",
                 u"NNNNNN-N******", u"900101-1######"},
        MaskCase{"RegistrationLeadAndTrailShown", ForeignRegistration, u"900101-5234567",
                 u"NNNNNN-N*****N", u"900101-5#####7"},
        MaskCase{"RegistrationWithoutHyphen", ResidentRegistration, u"9001011234567",
                 u"NNNNNN-N******", u"9############"},
        MaskCase{"AccountFourGroups", BankAccount, u"123-45-678901-234", u"NNN-**-****-NNN",
                 u"123-##-######-234"},
        MaskCase{"ThreeGroupsFourSegments", BankAccount, u"123-456-789012", u"NNN-**-****-NNN",
                 u"123-###-789012"},
        MaskCase{"FourGroupsThreeSegments", Phone, u"010-1234-5678-90", u"NNN-****-NNNN",
                 u"010-####-####-90"},
        MaskCase{"OddGroupCountMiddleAlignsFromBack", Phone, u"1-2-3-4-5", u"N-*-*",
                 u"1-#-3-#-#"},
        MaskCase{"CardOuterGroups", CreditCard, u"1234-5678-9012-3456", u"****-NNNN-NNNN-****",
                 u"####-5678-9012-####"},
        MaskCase{"CardOneGroupShown", CreditCard, u"1234567890123456", u"NNNN-****-****-NNNN",
                 u"1234567890123456"},
        MaskCase{"CardOneGroupMasked", CreditCard, u"1234567890123456", u"NNNN-****-NNNN-****",
                 u"################"},
        MaskCase{"IpTwoRuns", IpAddress, u"192.168.1.1", u"NNN.*.*.N", u"192.###.#.1"},
        MaskCase{"HangulSeparatesGroups", BirthDate, u"1990년 1월 15일", u"NNNN-**-NN",
                 u"1990년 #월 15일"},
        MaskCase{"FullWidthDigitsAreNotGroups", Phone, u"０１０-1234", u"NNN-NNN-****",
                 u"０１０-####"},
        MaskCase{"AllMaskedTemplate", Phone, u"010-1234-5678", u"*************",
                 u"#############"},
        MaskCase{"EmptyTemplateMasksAll", Phone, u"010-1234", u"", u"########"},
        MaskCase{"NoGroupMasksAll", Phone, u"가-나", u"NNN-****", u"###"}),
    [](const testing::TestParamInfo<MaskCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Email, MaskRule,
    testing::Values(
        MaskCase{"LocalKeepsFirst", Email, u"ab.cdef@example.com", u"T**@TT.TT.TT",
                 u"a######@example.com"},
        MaskCase{"LocalMaskedWhole", Email, u"abcdefg@example.com", u"***@TT.TT.TT",
                 u"#######@example.com"},
        MaskCase{"DomainMaskedButDots", Email, u"abc@mail.example.co.kr", u"TTT@***.***.***",
                 u"abc@####.#######.##.##"},
        MaskCase{"TwoCharacterLocalKeepsAll", Email, u"ab@x.com", u"TT*@TT.TT.TT",
                 u"ab@x.com"},
        MaskCase{"LastAtDividesText", Email, u"a@b@c.com", u"T**@TT.TT.TT", u"a##@c.com"},
        MaskCase{"TextWithoutAt", Email, u"abc.example.com", u"T**@TT.TT.TT",
                 u"###############"},
        MaskCase{"TemplateWithoutAt", Email, u"abc@d.com", u"T**", u"#########"}),
    [](const testing::TestParamInfo<MaskCase>& info) { return std::string(info.param.name); });

TEST(DisplayFormat, MixedSegmentOverShortGroupsAndNoClearing) {
  FormatSegment mixed = ParseDisplayFormat(u"N******").front();
  PiMask mask(7, false);
  ApplySegment(mixed, 0, 7, mask);
  EXPECT_EQ(mask, (PiMask{false, true, true, true, true, true, true}));

  PiMask one(1, false);
  ApplySegment(mixed, 0, 1, one);
  EXPECT_FALSE(one[0]);

  PiMask preset(3, true);
  ApplySegment(ParseDisplayFormat(u"NNN").front(), 0, 3, preset);
  ApplySegment(mixed, 0, 3, preset);
  EXPECT_EQ(preset, PiMask(3, true));
}

// Each row opens with its all-masked template, the one any index out of range falls back to;
// every other template shows something.
TEST(FormatChoiceTable, RowsDefaultsAndLookup) {
  for (int32_t category = 0; category < 8; ++category) {
    const FormatChoiceRow* row = FindFormatChoiceRow(category);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->category, category);
    const std::u16string first = row->templates[0];
    EXPECT_EQ(first.find_first_not_of(u'*'), std::u16string::npos) << category;
    EXPECT_FALSE(HasShownLetter(first));
    for (int32_t i = 1; i < row->count; ++i) EXPECT_TRUE(HasShownLetter(row->templates[i]));
    EXPECT_EQ(FormatChoiceTemplate(category, row->count), first);
    EXPECT_EQ(FormatChoiceTemplate(category, -1), first);
  }
  EXPECT_FALSE(HasShownLetter(u"***-**n"));
  EXPECT_EQ(FindFormatChoiceRow(Address), nullptr);
  EXPECT_EQ(std::u16string(FormatChoiceTemplate(Address, 0)), u"");
  EXPECT_EQ(std::u16string(FormatChoiceTemplate(Email, 4)), u"TTT@***.***.***");
  EXPECT_EQ(FindFormatChoiceRow(1)->templates, FindFormatChoiceRow(2)->templates);
}

}  // namespace
}  // namespace vm
