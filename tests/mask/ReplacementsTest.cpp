// The replacement list: masked runs of each occurrence with their boxes, through the stand-in
// host.
#include "mask/HostDocumentTest.h"
#include "mask/Replacements.h"

namespace vm {
namespace {

using namespace test;

const std::u16string kPage0 = u"전화 010-1234-5678 IP 192.168.1.1";
const std::u16string kPage1 = u"주민 900101-1234567 01012345678";

PiMatch Occurrence(int32_t page, std::u16string text, int32_t category) {
  PiMatch m;
  m.pageIndex = page;
  m.charStart = static_cast<int32_t>((page == 0 ? kPage0 : kPage1).find(text));
  m.charCount = static_cast<int32_t>(text.size());
  m.fontSize = 11.5f;
  m.category = category;
  m.text = std::move(text);
  m.rects = {{1, 2, 3, 4}};  // distinct from what the text page reports
  return m;
}

void ExpectWhole(const PiMatch& got, const PiMatch& match) {
  EXPECT_EQ(got.pageIndex, match.pageIndex);
  EXPECT_EQ(got.charStart, match.charStart);
  EXPECT_EQ(got.charCount, match.charCount);
  EXPECT_EQ(got.text, match.text);
  ASSERT_EQ(got.rects.size(), 1u);
  EXPECT_FLOAT_EQ(got.rects[0].x0, 1);
}

class ReplacementsTest : public HostDocumentTest {
 protected:
  void SetUp() override {
    HostDocumentTest::SetUp();
    document_ = Open({Line(kPage0), Line(kPage1)});
    options_.protection = u"******";
    options_.formats[Phone] = u"NNN-****-NNNN";
    options_.formats[IpAddress] = u"NNN.*.*.N";
    options_.formats[ResidentRegistration] = u"**************";
  }
  HostHandle document_ = nullptr;
  PiOptions options_;
  PiMatchList out_ = {Occurrence(0, u"stale", Phone)};
};

TEST_F(ReplacementsTest, MaskedRunsBecomeRecordsWithTheirOwnBoxes) {
  const PageText page = ReadPage(document_, 0);
  ASSERT_EQ(page.text, kPage0);
  standin::Table().ClearLog();
  PiMatchList matches = {Occurrence(0, u"010-1234-5678", Phone),
                         Occurrence(0, u"192.168.1.1", IpAddress)};
  ASSERT_EQ(BuildReplacements(document_, options_, matches, out_), 3);

  struct Expected { int32_t start; std::u16string text; };
  const Expected expected[] = {{7, u"1234"}, {24, u"168"}, {28, u"1"}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(out_[i].pageIndex, 0);
    EXPECT_EQ(out_[i].charStart, expected[i].start);
    EXPECT_EQ(out_[i].charCount, static_cast<int32_t>(expected[i].text.size()));
    EXPECT_EQ(out_[i].text, expected[i].text);
    EXPECT_EQ(out_[i].category, matches[i == 0 ? 0 : 1].category);
    EXPECT_FLOAT_EQ(out_[i].fontSize, 11.5f);
    ExpectSameBox(UnionBox(out_[i].rects), page.Box(out_[i].charStart, out_[i].charCount));
  }
  // One text page for the page, opened once and released.
  EXPECT_EQ(standin::Table().CountCalls(120, 0), 1);
}

TEST_F(ReplacementsTest, WholeMatchesKeepTheirBoxesWithoutOpeningPages) {
  PiMatch category9 = Occurrence(1, u"01012345678", 9);
  PiMatch negative = Occurrence(1, u"01012345678", -1);
  PiMatch badCount = Occurrence(0, u"010-1234-5678", Phone);
  badCount.charCount = 12;
  PiMatchList matches = {Occurrence(1, u"900101-1234567", ResidentRegistration),
                         Occurrence(1, u"주민 9", Address), category9, negative, badCount};
  ASSERT_EQ(BuildReplacements(document_, options_, matches, out_), 5);
  for (std::size_t i = 0; i < matches.size(); ++i) ExpectWhole(out_[i], matches[i]);
  EXPECT_EQ(standin::Table().CountCalls(120, 0), 0);
}

TEST_F(ReplacementsTest, WithoutViewOrTextPageEveryMatchIsCopiedWhole) {
  PiMatchList matches = {Occurrence(0, u"010-1234-5678", Phone)};
  ASSERT_EQ(BuildReplacements(nullptr, options_, matches, out_), 1);
  ExpectWhole(out_[0], matches[0]);

  standin::Table().Override<26, 24>([](HostHandle) -> HostHandle { return nullptr; });
  ASSERT_EQ(BuildReplacements(document_, options_, matches, out_), 1);
  ExpectWhole(out_[0], matches[0]);
  standin::Table().ClearOverrides();

  // A page whose text page cannot be opened is asked for once per call.
  standin::Table().Override<120, 0>([](HostHandle, int32_t) -> HostHandle { return nullptr; });
  matches.push_back(Occurrence(0, u"192.168.1.1", IpAddress));
  standin::Table().ClearLog();
  ASSERT_EQ(BuildReplacements(document_, options_, matches, out_), 2);
  ExpectWhole(out_[0], matches[0]);
  ExpectWhole(out_[1], matches[1]);
  EXPECT_EQ(standin::Table().CountCalls(31, 2), 1);
  EXPECT_EQ(standin::Table().CountCalls(120, 0), 1);
}

TEST_F(ReplacementsTest, UnmaskedMatchOrEmptyListAddsNothingAndOrderIsKept) {
  PiMatchList matches = {Occurrence(1, u"01012345678", Phone),
                         Occurrence(1, u"900101-1234567", ResidentRegistration),
                         Occurrence(0, u"010-1234-5678", Phone)};
  ASSERT_EQ(BuildReplacements(document_, options_, matches, out_), 2);
  EXPECT_EQ(out_[0].pageIndex, 1);
  EXPECT_EQ(out_[0].text, u"900101-1234567");
  EXPECT_EQ(out_[1].pageIndex, 0);
  EXPECT_EQ(out_[1].text, u"1234");

  standin::Table().ClearLog();
  EXPECT_EQ(BuildReplacements(document_, options_, {}, out_), 0);
  EXPECT_TRUE(out_.empty());
  EXPECT_TRUE(CallLog().empty());
}

TEST_F(ReplacementsTest, RunWithoutBoxIsStillReplaced) {
  standin::Table().Override<120, 6>([](HostHandle, int32_t, int32_t, HostHandle*) { return 0; });
  PiMatchList matches = {Occurrence(0, u"010-1234-5678", Phone)};
  ASSERT_EQ(BuildReplacements(document_, options_, matches, out_), 1);
  EXPECT_EQ(out_[0].charStart, 7);
  EXPECT_EQ(out_[0].charCount, 4);
  EXPECT_TRUE(out_[0].rects.empty());
}

}  // namespace
}  // namespace vm
