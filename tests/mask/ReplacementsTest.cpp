// The replacement list: masked runs of each occurrence with their boxes, through the stand-in
// host with a scripted document.
#include <gtest/gtest.h>

#include "core/StandinHost.h"
#include "mask/FakeTextHost.h"
#include "mask/Replacements.h"

namespace vm {
namespace {

PiMatch Occurrence(int32_t page, int32_t start, std::u16string text, int32_t category) {
  PiMatch m;
  m.pageIndex = page;
  m.charStart = start;
  m.charCount = static_cast<int32_t>(text.size());
  m.fontSize = 11.5f;
  m.category = category;
  m.text = std::move(text);
  m.rects = {{1, 2, 3, 4}};  // distinct from what the text page reports
  return m;
}

PiOptions Formats() {
  PiOptions options;
  options.protection = u"******";
  options.formats[Phone] = u"NNN-****-NNNN";
  options.formats[IpAddress] = u"NNN.*.*.N";
  options.formats[ResidentRegistration] = u"**************";
  return options;
}

class ReplacementsTest : public FakeHostTest {
 protected:
  void SetUp() override {
    FakeHostTest::SetUp();
    fake::Install({u"전화 010-1234-5678 IP 192.168.1.1", u"주민 900101-1234567 01012345678"});
  }
  PiMatchList out_ = {Occurrence(9, 9, u"stale", Phone)};
};

void ExpectWhole(const PiMatch& got, const PiMatch& match) {
  EXPECT_EQ(got.pageIndex, match.pageIndex);
  EXPECT_EQ(got.charStart, match.charStart);
  EXPECT_EQ(got.charCount, match.charCount);
  EXPECT_EQ(got.text, match.text);
  ASSERT_EQ(got.rects.size(), 1u);
  EXPECT_FLOAT_EQ(got.rects[0].x0, 1);
}

TEST_F(ReplacementsTest, MaskedRunsBecomeRecordsWithTheirOwnBoxes) {
  PiMatchList matches = {Occurrence(0, 3, u"010-1234-5678", Phone),
                         Occurrence(0, 20, u"192.168.1.1", IpAddress)};
  ASSERT_EQ(BuildReplacements(fake::DocumentHandle(), Formats(), matches, out_), 3);

  EXPECT_EQ(out_[0].pageIndex, 0);
  EXPECT_EQ(out_[0].charStart, 7);
  EXPECT_EQ(out_[0].charCount, 4);
  EXPECT_EQ(out_[0].text, u"1234");
  EXPECT_EQ(out_[0].category, Phone);
  EXPECT_FLOAT_EQ(out_[0].fontSize, 11.5f);
  ASSERT_EQ(out_[0].rects.size(), 1u);
  EXPECT_FLOAT_EQ(out_[0].rects[0].x0, fake::RangeBox(7, 4).x0);
  EXPECT_FLOAT_EQ(out_[0].rects[0].x1, fake::RangeBox(7, 4).x1);

  EXPECT_EQ(out_[1].charStart, 24);
  EXPECT_EQ(out_[1].text, u"168");
  EXPECT_EQ(out_[2].charStart, 28);
  EXPECT_EQ(out_[2].text, u"1");
  // One text page for the page, opened once and released.
  EXPECT_EQ(fake::Doc().pages[0].textPagesOpened, 1);
}

TEST_F(ReplacementsTest, WholeMatchesKeepTheirBoxesWithoutOpeningPages) {
  PiMatch registration = Occurrence(1, 3, u"900101-1234567", ResidentRegistration);
  PiMatch address = Occurrence(1, 20, u"서울 종로구 1", Address);
  PiMatch category9 = Occurrence(1, 30, u"010-1234-5678", 9);
  PiMatch negative = Occurrence(1, 30, u"010-1234-5678", -1);
  PiMatch badCount = Occurrence(0, 3, u"010-1234-5678", Phone);
  badCount.charCount = 12;
  PiMatchList matches = {registration, address, category9, negative, badCount};
  ASSERT_EQ(BuildReplacements(fake::DocumentHandle(), Formats(), matches, out_), 5);
  for (std::size_t i = 0; i < matches.size(); ++i) ExpectWhole(out_[i], matches[i]);
  EXPECT_EQ(standin::Table().CountCalls(120, 0), 0);
}

TEST_F(ReplacementsTest, WithoutViewOrTextPageEveryMatchIsCopiedWhole) {
  PiMatchList matches = {Occurrence(0, 3, u"010-1234-5678", Phone)};
  ASSERT_EQ(BuildReplacements(nullptr, Formats(), matches, out_), 1);
  ExpectWhole(out_[0], matches[0]);

  fake::Doc().noView = true;
  ASSERT_EQ(BuildReplacements(fake::DocumentHandle(), Formats(), matches, out_), 1);
  ExpectWhole(out_[0], matches[0]);
  fake::Doc().noView = false;

  // A page whose text page cannot be opened is asked for once per call.
  fake::Doc().pages[0].noTextPage = true;
  matches.push_back(Occurrence(0, 20, u"192.168.1.1", IpAddress));
  standin::Table().ClearLog();
  ASSERT_EQ(BuildReplacements(fake::DocumentHandle(), Formats(), matches, out_), 2);
  ExpectWhole(out_[0], matches[0]);
  ExpectWhole(out_[1], matches[1]);
  EXPECT_EQ(standin::Table().CountCalls(31, 2), 1);
  EXPECT_EQ(standin::Table().CountCalls(120, 0), 1);
}

TEST_F(ReplacementsTest, UnmaskedMatchAddsNothingAndOrderIsKept) {
  PiMatchList matches = {Occurrence(1, 18, u"01012345678", Phone),
                         Occurrence(1, 3, u"900101-1234567", ResidentRegistration),
                         Occurrence(0, 3, u"010-1234-5678", Phone)};
  ASSERT_EQ(BuildReplacements(fake::DocumentHandle(), Formats(), matches, out_), 2);
  EXPECT_EQ(out_[0].pageIndex, 1);
  EXPECT_EQ(out_[0].text, u"900101-1234567");
  EXPECT_EQ(out_[1].pageIndex, 0);
  EXPECT_EQ(out_[1].text, u"1234");
}

TEST_F(ReplacementsTest, RunWithoutBoxIsStillReplaced) {
  fake::Doc().pages[0].boxlessStarts = {7};
  PiMatchList matches = {Occurrence(0, 3, u"010-1234-5678", Phone)};
  ASSERT_EQ(BuildReplacements(fake::DocumentHandle(), Formats(), matches, out_), 1);
  EXPECT_EQ(out_[0].charStart, 7);
  EXPECT_EQ(out_[0].charCount, 4);
  EXPECT_TRUE(out_[0].rects.empty());
}

TEST_F(ReplacementsTest, EmptyListMakesNoHostCall) {
  EXPECT_EQ(BuildReplacements(fake::DocumentHandle(), Formats(), {}, out_), 0);
  EXPECT_TRUE(out_.empty());
  EXPECT_TRUE(CallLog().empty());
}

}  // namespace
}  // namespace vm
