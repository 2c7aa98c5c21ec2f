// The document scan through the stand-in host, on documents built from content streams, with
// overrides where a host answer must be null, empty or failing.
#include <cmath>
#include <new>
#include <tuple>

#include "core/Services.h"
#include "detect/ScanDocument.h"
#include "host/PageAccess.h"
#include "mask/HostDocumentTest.h"

namespace vm {
namespace {

using namespace test;

// Check-box order: 0 phone, 1 IP, 2 birth, 3 account, 4 e-mail, 5 card, 6 resident, 7 foreign,
// 8 address.
PiCategoryFlags Flags(std::initializer_list<int> indices) {
  PiCategoryFlags flags{};
  for (int i : indices) flags[i] = true;
  return flags;
}
PiCategoryFlags AllFlags() {
  PiCategoryFlags flags;
  flags.fill(true);
  return flags;
}

PiMatchList Stale() {
  PiMatch stale;
  stale.charCount = 3;
  stale.text = u"old";
  stale.rects = {{0, 0, 1, 1}};
  return {stale};
}

const std::u16string kPhones = u"010-1234-5678 010-9876-5432";

class ScanDocumentTest : public HostDocumentTest {};

TEST_F(ScanDocumentTest, OccurrencesLieOverThePrintedCharactersWithTheirFontSize) {
  const std::u16string first = u"연락처 010-1234-5678 메일 hong@example.com";
  HostHandle document = Open({"BT /F2 12 Tf 2 0 0 2 60 600 Tm " + Hex(first) + " Tj ET",
                              Line(u"없음"), Line(u"주민등록번호 900101-1234567 IP 192.168.10.1", 14)});
  const PageText page0 = ReadPage(document, 0);
  const PageText page2 = ReadPage(document, 2);
  ASSERT_EQ(page0.text, first);
  PiMatchList list = Stale();
  ScanReport report;
  ASSERT_EQ(ScanDocument(document, AllFlags(), list, &report), 4);
  EXPECT_TRUE(report.Complete());

  struct Expected { int page; int32_t category; std::u16string text; float fontSize; };
  const Expected expected[] = {{0, Phone, u"010-1234-5678", 24},
                               {0, Email, u"hong@example.com", 24},
                               {2, ResidentRegistration, u"900101-1234567", 14},
                               {2, IpAddress, u"192.168.10.1", 14}};
  for (int i = 0; i < 4; ++i) {
    const PiMatch& m = list[i];
    const PageText& page = expected[i].page == 0 ? page0 : page2;
    EXPECT_EQ(m.pageIndex, expected[i].page);
    EXPECT_EQ(m.category, expected[i].category);
    EXPECT_EQ(m.text, expected[i].text);
    EXPECT_EQ(m.charStart, static_cast<int32_t>(page.text.find(expected[i].text)));
    EXPECT_EQ(m.charCount, static_cast<int32_t>(expected[i].text.size()));
    EXPECT_NEAR(m.fontSize, expected[i].fontSize, 0.01);
    ExpectSameBox(UnionBox(m.rects), page.Box(m.charStart, m.charCount), 0.5);
  }
}

TEST_F(ScanDocumentTest, NothingToScanEmptiesTheList) {
  HostHandle document = Open({Line(kPhones)});
  PiMatchList list = Stale();
  EXPECT_EQ(ScanDocument(nullptr, AllFlags(), list), 0);
  EXPECT_TRUE(list.empty());
  list = Stale();
  EXPECT_EQ(ScanDocument(document, PiCategoryFlags{}, list), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(CallLog().empty());

  // Without a view the scan stops after asking for it.
  standin::Table().Override<26, 24>([](HostHandle) -> HostHandle { return nullptr; });
  list = Stale();
  EXPECT_EQ(ScanDocument(document, AllFlags(), list), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(CallLog(), (std::vector<std::string>{"26:4", "26:24"}));
  standin::Table().Override<26, 4>([](HostHandle) -> HostHandle { return nullptr; });
  EXPECT_EQ(ScanDocument(document, AllFlags(), list), 0);
}

// Pages 0 to 2 give no page view, no PDF page or no text page; page 3 has no character. The
// first three were not searched, and the report says so.
TEST_F(ScanDocumentTest, UnavailablePagesAreReportedNotSearchedAndTextPagesReleased) {
  const std::string phone = Line(u"010-1234-5678");
  HostHandle document = Open({phone, phone, phone, "", phone});
  static auto pageView = Registered<31, 2>();
  static auto pdfPage = Registered<32, 2>();
  static auto textPage = Registered<120, 0>();
  static HostHandle noPdfPage, noTextPage;
  noPdfPage = Host<31, 2>(Host<26, 24>(document), 1);
  noTextPage = PdfPage(document, 2);
  standin::Table().ClearLog();
  standin::Table().Override<31, 2>([](HostHandle view, int32_t i) -> HostHandle {
    return i == 0 ? nullptr : pageView(view, i);
  });
  standin::Table().Override<32, 2>([](HostHandle pv) -> HostHandle {
    return pv == noPdfPage ? nullptr : pdfPage(pv);
  });
  standin::Table().Override<120, 0>([](HostHandle page, int32_t flags) -> HostHandle {
    return page == noTextPage ? nullptr : textPage(page, flags);
  });
  PiMatchList list;
  ScanReport report;
  ASSERT_EQ(ScanDocument(document, Flags({0}), list, &report), 1);
  EXPECT_EQ(list[0].pageIndex, 4);
  EXPECT_EQ(report.incompletePages, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(standin::Table().CountCalls(120, 1), 2);
  // The page text is fetched with one call per page that has characters.
  EXPECT_EQ(standin::Table().CountCalls(120, 16), 1);
}

TEST_F(ScanDocumentTest, PageTextEndsAtZeroCodeUnit) {
  HostHandle document = Open({Line(kPhones)});
  static auto text = Registered<120, 16>();
  standin::Table().Override<120, 16>([](HostHandle t, int32_t first, int32_t count, HostHandle* s) {
    const int32_t n = text(t, first, count, s);
    static_cast<standin::WideString*>(*s)->text[14] = u'\0';
    return n;
  });
  PiMatchList list;
  ASSERT_EQ(ScanDocument(document, Flags({0}), list), 1);
  EXPECT_EQ(list[0].text, u"010-1234-5678");
}

// The host gives the first phone number no box and the second one box per character: the first
// is dropped, the second kept with its boxes as given.
TEST_F(ScanDocumentTest, MatchWithoutBoxIsDroppedAndBoxesAreKeptAsGiven) {
  HostHandle document = Open({Line(kPhones)});
  static auto boxes = Registered<120, 6>();
  standin::Table().Override<120, 6>([](HostHandle t, int32_t first, int32_t count, HostHandle* a) {
    if (first == 0) return 0;
    for (int32_t i = 0; i < count; ++i) boxes(t, first + i, 1, a);
    return count;
  });
  standin::Table().ClearLog();
  PiMatchList list;
  ASSERT_EQ(ScanDocument(document, Flags({0}), list), 1);
  EXPECT_EQ(list[0].charStart, 14);
  EXPECT_EQ(list[0].rects.size(), 13u);
  // Only the selected candidates are queried: one character query and one box query each.
  EXPECT_EQ(standin::Table().CountCalls(120, 5), 2);
  EXPECT_EQ(standin::Table().CountCalls(120, 6), 2);
}

TEST_F(ScanDocumentTest, RegistrationNumberBelongsToOneCategoryBySeventhDigit) {
  HostHandle document = Open({Line(u"번호 900101-1234567"), Line(u"번호 900101-5234567")});
  PiMatchList list;
  ASSERT_EQ(ScanDocument(document, Flags({6, 7}), list), 2);
  EXPECT_EQ(list[0].category, ResidentRegistration);
  EXPECT_EQ(list[0].pageIndex, 0);
  EXPECT_EQ(list[1].category, ForeignRegistration);
  EXPECT_EQ(list[1].pageIndex, 1);
}

TEST_F(ScanDocumentTest, SecondScanGivesIdenticalList) {
  HostHandle document = Open({Line(u"010-1234-5678 a@b.co 192.168.0.1 900101-1234567"),
                              Line(u"2020년 1월 1일 생 서울특별시 종로구 세종대로 175")});
  auto scan = [&] {
    PiMatchList list;
    ScanDocument(document, AllFlags(), list);
    std::vector<std::tuple<int32_t, int32_t, int32_t, int32_t, std::u16string, std::size_t>> out;
    for (const PiMatch& m : list)
      out.emplace_back(m.pageIndex, m.charStart, m.charCount, m.category, m.text, m.rects.size());
    return out;
  };
  const auto first = scan();
  ASSERT_GT(first.size(), 3u);
  EXPECT_EQ(scan(), first);
  for (std::size_t i = 1; i < first.size(); ++i) {
    if (std::get<0>(first[i]) == std::get<0>(first[i - 1])) {
      EXPECT_GE(std::get<1>(first[i]), std::get<1>(first[i - 1]) + std::get<2>(first[i - 1]));
    }
  }
}

TEST_F(ScanDocumentTest, FailureInsideIsReportedAndKeepsEarlierPages) {
  const std::string phone = Line(u"010-1234-5678");
  HostHandle document = Open({phone, phone, phone});
  static auto text = Registered<120, 16>();
  static int calls;
  calls = 0;
  standin::Table().Override<120, 16>([](HostHandle t, int32_t first, int32_t count, HostHandle* s) {
    if (++calls == 2) throw std::bad_alloc();
    return text(t, first, count, s);
  });
  PiMatchList list;
  ScanReport report;
  EXPECT_EQ(ScanDocument(document, Flags({0}), list, &report), 1);
  EXPECT_TRUE(report.aborted);
  EXPECT_FALSE(report.Complete());
  EXPECT_EQ(list[0].pageIndex, 0);
}

// Page 1 never reaches the parsed state: what its text page holds is still searched, and the
// report says the page was not searched whole.
TEST_F(ScanDocumentTest, PageWhoseParsingNeverEndsIsReportedIncomplete) {
  const std::string phone = Line(u"010-1234-5678");
  HostHandle document = Open({phone, phone, phone});
  standin::SetParseContinueSteps(0);
  ASSERT_TRUE(EnsurePageParsed(PdfPage(document, 0)));
  standin::SetParseContinueSteps(-1);
  PiMatchList list;
  ScanReport report;
  EXPECT_EQ(ScanDocument(document, Flags({0}), list, &report), 3);
  EXPECT_EQ(report.incompletePages, (std::vector<int32_t>{1, 2}));
  EXPECT_FALSE(report.aborted);
  EXPECT_FALSE(report.Complete());
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
