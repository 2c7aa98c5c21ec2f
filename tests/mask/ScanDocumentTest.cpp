// The document scan through the stand-in host, with a scripted document.
#include <gtest/gtest.h>

#include <cmath>
#include <new>

#include "core/Services.h"

#include "core/StandinHost.h"
#include "detect/ScanDocument.h"
#include "mask/FakeTextHost.h"

namespace vm {
namespace {

// Check-box order: 0 phone, 1 IP, 2 birth, 3 account, 4 e-mail, 5 card, 6 resident, 7 foreign,
// 8 address.
PiCategoryFlags AllFlags() {
  PiCategoryFlags flags;
  flags.fill(true);
  return flags;
}
PiCategoryFlags OnlyFlag(int index) {
  PiCategoryFlags flags{};
  flags[index] = true;
  return flags;
}

PiMatchList Stale() {
  PiMatch stale;
  stale.charCount = 3;
  stale.text = u"old";
  stale.rects = {{0, 0, 1, 1}};
  return {stale};
}

class ScanDocumentTest : public FakeHostTest {};

TEST_F(ScanDocumentTest, FindsOccurrencesWithTextBoxesAndFontSize) {
  fake::Install({u"연락처 010-1234-5678 메일 hong@example.com", u"없음",
                 u"IP 192.168.10.1"});
  fake::Doc().pages[0].chars[4] = {12, 2, 0, 0, 2};
  PiMatchList list = Stale();
  ScanReport report;
  ASSERT_EQ(ScanDocument(fake::DocumentHandle(), AllFlags(), list, &report), 3);
  EXPECT_TRUE(report.Complete());

  EXPECT_EQ(list[0].pageIndex, 0);
  EXPECT_EQ(list[0].charStart, 4);
  EXPECT_EQ(list[0].charCount, 13);
  EXPECT_EQ(list[0].category, Phone);
  EXPECT_EQ(list[0].text, u"010-1234-5678");
  EXPECT_FLOAT_EQ(list[0].fontSize, 24);
  ASSERT_EQ(list[0].rects.size(), 1u);
  EXPECT_FLOAT_EQ(list[0].rects[0].x0, fake::RangeBox(4, 13).x0);
  EXPECT_FLOAT_EQ(list[0].rects[0].x1, fake::RangeBox(4, 13).x1);

  EXPECT_EQ(list[1].category, Email);
  EXPECT_EQ(list[1].text, u"hong@example.com");
  EXPECT_FLOAT_EQ(list[1].fontSize, 10);
  EXPECT_EQ(list[2].pageIndex, 2);
  EXPECT_EQ(list[2].category, IpAddress);
  EXPECT_EQ(list[2].text, u"192.168.10.1");
}

TEST_F(ScanDocumentTest, BoxesAreKeptAsTheHostGivesThem) {
  fake::Install({u"010-1234-5678"});
  fake::Doc().pages[0].splitBoxes = true;
  PiMatchList list;
  ASSERT_EQ(ScanDocument(fake::DocumentHandle(), OnlyFlag(0), list), 1);
  EXPECT_EQ(list[0].rects.size(), 13u);
}

TEST_F(ScanDocumentTest, NullDocumentAndNoFlagsEmptyTheListWithoutHostCalls) {
  fake::Install({u"010-1234-5678"});
  PiMatchList list = Stale();
  EXPECT_EQ(ScanDocument(nullptr, AllFlags(), list), 0);
  EXPECT_TRUE(list.empty());

  list = Stale();
  EXPECT_EQ(ScanDocument(fake::DocumentHandle(), PiCategoryFlags{}, list), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(CallLog().empty());
}

TEST_F(ScanDocumentTest, MissingPdfDocumentOrViewEndsTheScan) {
  fake::Install({u"010-1234-5678"});
  fake::Doc().noPdfDocument = true;
  PiMatchList list = Stale();
  EXPECT_EQ(ScanDocument(fake::DocumentHandle(), AllFlags(), list), 0);
  EXPECT_TRUE(list.empty());

  fake::Doc().noPdfDocument = false;
  fake::Doc().noView = true;
  standin::Table().ClearLog();
  EXPECT_EQ(ScanDocument(fake::DocumentHandle(), AllFlags(), list), 0);
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"26:4", "26:24"}));
}

TEST_F(ScanDocumentTest, UnavailablePagesAreSkippedAndTextPagesReleased) {
  const std::u16string phone = u"010-1234-5678";
  fake::Install({phone, phone, phone, phone, phone, phone});
  fake::Doc().pages[0].noPageView = true;
  fake::Doc().pages[1].noPdfPage = true;
  fake::Doc().pages[2].noTextPage = true;
  fake::Doc().pages[3].reportedCount = 0;
  fake::Doc().pages[5].analysed = true;
  PiMatchList list;
  ASSERT_EQ(ScanDocument(fake::DocumentHandle(), OnlyFlag(0), list), 2);
  EXPECT_EQ(list[0].pageIndex, 4);
  EXPECT_EQ(list[1].pageIndex, 5);
  EXPECT_EQ(fake::Doc().pages[3].textPagesOpened, 1);
  EXPECT_EQ(fake::Doc().pages[3].textPagesReleased, 1);
  EXPECT_EQ(fake::Doc().pages[4].analyseCalls, 1);
  EXPECT_EQ(fake::Doc().pages[5].analyseCalls, 0);
  // The page text is fetched with one call per page that has characters.
  EXPECT_EQ(standin::Table().CountCalls(120, 16), 2);
}

TEST_F(ScanDocumentTest, PageTextEndsAtZeroCodeUnit) {
  std::u16string text = u"010-1234-5678 ";
  text += u'\0';
  text += u" 010-9876-5432";
  fake::Install({text});
  PiMatchList list;
  ASSERT_EQ(ScanDocument(fake::DocumentHandle(), OnlyFlag(0), list), 1);
  EXPECT_EQ(list[0].text, u"010-1234-5678");
}

TEST_F(ScanDocumentTest, MatchWithoutBoxIsDroppedAndOthersKept) {
  fake::Install({u"010-1234-5678 010-9876-5432"});
  fake::Doc().pages[0].boxlessStarts = {0};
  PiMatchList list;
  ASSERT_EQ(ScanDocument(fake::DocumentHandle(), OnlyFlag(0), list), 1);
  EXPECT_EQ(list[0].charStart, 14);
  // Only the selected candidates are queried: one character query and one box query each.
  EXPECT_EQ(standin::Table().CountCalls(120, 5), 2);
  EXPECT_EQ(standin::Table().CountCalls(120, 6), 2);
}

TEST_F(ScanDocumentTest, RegistrationNumberBelongsToOneCategoryBySeventhDigit) {
  fake::Install({u"번호 900101-1234567", u"번호 900101-5234567"});
  PiCategoryFlags both{};
  both[6] = both[7] = true;
  PiMatchList list;
  ASSERT_EQ(ScanDocument(fake::DocumentHandle(), both, list), 2);
  EXPECT_EQ(list[0].category, ResidentRegistration);
  EXPECT_EQ(list[0].pageIndex, 0);
  EXPECT_EQ(list[1].category, ForeignRegistration);
  EXPECT_EQ(list[1].pageIndex, 1);
}

TEST_F(ScanDocumentTest, SecondScanGivesIdenticalList) {
  fake::Install({u"010-1234-5678 a@b.co 192.168.0.1 900101-1234567",
                 u"2020년 1월 1일 생 서울특별시 종로구 세종대로 175"});
  PiMatchList first;
  PiMatchList second;
  int32_t n = ScanDocument(fake::DocumentHandle(), AllFlags(), first);
  ASSERT_GT(n, 3);
  ASSERT_EQ(ScanDocument(fake::DocumentHandle(), AllFlags(), second), n);
  for (int32_t i = 0; i < n; ++i) {
    EXPECT_EQ(first[i].pageIndex, second[i].pageIndex);
    EXPECT_EQ(first[i].charStart, second[i].charStart);
    EXPECT_EQ(first[i].charCount, second[i].charCount);
    EXPECT_EQ(first[i].category, second[i].category);
    EXPECT_EQ(first[i].text, second[i].text);
    EXPECT_EQ(first[i].rects.size(), second[i].rects.size());
    if (i > 0 && first[i].pageIndex == first[i - 1].pageIndex) {
      EXPECT_GE(first[i].charStart, first[i - 1].charStart + first[i - 1].charCount);
    }
  }
}


TEST_F(ScanDocumentTest, FailureInsideIsReportedAndKeepsEarlierPages) {
  fake::Install({u"010-1234-5678", u"010-1234-5678", u"010-1234-5678"});
  standin::Table().Override<120, 16>(
      [](HostHandle textPage, int32_t first, int32_t count, HostHandle* string) -> int32_t {
        if (textPage == fake::TextPageHandle(1)) throw std::bad_alloc();
        static_cast<standin::WideString*>(*string)->text = u"010-1234-5678";
        (void)first;
        (void)count;
        return 1;
      });
  PiMatchList list;
  ScanReport report;
  EXPECT_EQ(ScanDocument(fake::DocumentHandle(), OnlyFlag(0), list, &report), 1);
  EXPECT_TRUE(report.aborted);
  EXPECT_FALSE(report.Complete());
  EXPECT_EQ(list[0].pageIndex, 0);
}

TEST(EffectiveFontSize, ScaleFromMatrixWithThreshold) {
  auto size = [](float a, float b, float c, float d) {
    HostCharInfo info{};
    info.fontSize = 10;
    info.a = a;
    info.b = b;
    info.c = c;
    info.d = d;
    return EffectiveFontSize(info);
  };
  EXPECT_FLOAT_EQ(size(2, 0, 0, 2), 20);
  EXPECT_FLOAT_EQ(size(0, 1.5f, -1.5f, 0), 15);   // rotated
  EXPECT_FLOAT_EQ(size(-2, 0, 0, 2), 20);         // mirrored: absolute value
  EXPECT_FLOAT_EQ(size(0.05f, 0, 0, 0.05f), 0.5f);
  EXPECT_FLOAT_EQ(size(0.01f, 0, 0, 0.01f), 10);  // scale 0.01: not above the threshold
  EXPECT_FLOAT_EQ(size(0, 0, 0, 0), 10);
  EXPECT_FLOAT_EQ(size(NAN, 0, 0, 1), 10);
}

}  // namespace
}  // namespace vm
