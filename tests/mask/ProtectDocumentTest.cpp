// Scan, replacements, writer and undo together on documents built from content streams, run
// by the stand-in host over MuPDF: what a reader can still get out of the page afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "detect/ScanDocument.h"
#include "host/HostCall.h"
#include "host/PlugIn.h"
#include "mask/PageEdits.h"
#include "mask/RedactionWriter.h"
#include "mask/Replacements.h"

namespace vm {
namespace {

// A text in /F2 (two-byte codes equal to the UTF-16 units).
std::string Utf16Hex(std::u16string_view text) {
  static const char* digits = "0123456789ABCDEF";
  std::string hex = "<";
  for (char16_t unit : text) {
    for (int shift = 12; shift >= 0; shift -= 4) hex += digits[(unit >> shift) & 0xF];
  }
  return hex + ">";
}

struct Page {
  HostHandle view = nullptr;
  HostHandle pageView = nullptr;
  HostHandle pdfPage = nullptr;
};

Page PageOf(HostHandle document, int index) {
  Page page;
  page.view = Host<26, 24>(document);
  page.pageView = Host<31, 2>(page.view, index);
  page.pdfPage = Host<32, 2>(page.pageView);
  return page;
}

struct PageText {
  std::u16string text;
  std::vector<HostBox> boxes;  // one per character
};

PageText ReadPage(HostHandle document, int index) {
  PageText result;
  HostHandle textPage = Host<120, 0>(PageOf(document, index).pdfPage, 0);
  if (!textPage) return result;
  if (Host<120, 3>(textPage) == 0) Host<120, 2>(textPage);
  int32_t count = Host<120, 4>(textPage);
  HostHandle string = Host<18, 0>();
  Host<120, 16>(textPage, 0, count, &string);
  if (const char16_t* buffer = Host<18, 42>(string)) result.text = buffer;
  Host<18, 3>(string);
  for (int32_t i = 0; i < count; ++i) {
    std::vector<HostBox> boxes = CharRangeBoxes(textPage, i, 1);
    result.boxes.push_back(boxes.empty() ? HostBox{} : UnionBox(boxes));
  }
  Host<120, 1>(textPage);
  return result;
}

std::string ContentBytes(HostHandle document, int index) {
  HostHandle dictionary = Host<73, 22>(PageOf(document, index).pdfPage);
  std::string bytes;
  HostHandle contents = Host<67, 2>(dictionary, "Contents");
  if (contents && Host<61, 0>(contents) == kPdfObjectArray) {
    for (int32_t j = 0; j < Host<66, 1>(contents); ++j) ReadStreamData(Host<66, 3>(contents, j), bytes);
  } else {
    ReadStreamData(contents, bytes);
  }
  return bytes;
}

bool Contains(const std::u16string& text, std::u16string_view part) {
  return text.find(part) != std::u16string::npos;
}

class ProtectDocumentTest : public testing::Test {
 protected:
  void SetUp() override {
    standin::ResetHost();
    ASSERT_NE(standin::LoadPlugin(&PlugInMain, nullptr), nullptr);
  }
  void TearDown() override {
    standin::CloseAllHostDocuments();
    EXPECT_TRUE(standin::Tracker().Outstanding().empty())
        << testing::PrintToString(standin::Tracker().Outstanding());
    EXPECT_TRUE(standin::Tracker().Faults().empty())
        << testing::PrintToString(standin::Tracker().Faults());
    standin::ResetHost();
  }

  // Scans with every category and protects with the given formats; returns the replacements.
  PiMatchList Protect(HostHandle document, const PiOptions& options) {
    PiMatchList matches;
    EXPECT_GT(ScanDocument(document, options.flags, matches), 0);
    PiMatchList replacements;
    BuildReplacements(document, options, matches, replacements);
    EXPECT_TRUE(ApplyReplacements(document, replacements, options.protection[0]));
    return replacements;
  }

  static PiOptions Defaults() {
    PiOptions options;
    options.flags.fill(true);
    options.protection = u"******";
    return options;
  }
};

TEST_F(ProtectDocumentTest, PartialFormatRemovesOnlyMaskedDigits) {
  HostHandle document = standin::OpenHostDocumentFromContent(
      {"BT /F1 12 Tf 72 700 Td (Tel 010-1234-5678 end) Tj ET"});
  ASSERT_NE(document, nullptr);
  const PageText before = ReadPage(document, 0);
  ASSERT_TRUE(Contains(before.text, u"010-1234-5678"));

  PiOptions options = Defaults();
  options.formats[Phone] = u"NNN-****-NNNN";
  PiMatchList replacements = Protect(document, options);
  ASSERT_EQ(replacements.size(), 1u);
  EXPECT_EQ(replacements[0].text, u"1234");

  const PageText after = ReadPage(document, 0);
  EXPECT_FALSE(Contains(after.text, u"1234")) << std::string(after.text.begin(), after.text.end());
  EXPECT_TRUE(Contains(after.text, u"Tel 010-"));
  EXPECT_TRUE(Contains(after.text, u"-5678 end"));
  EXPECT_TRUE(Contains(after.text, u"****"));
  EXPECT_EQ(ContentBytes(document, 0).find("1234"), std::string::npos);
  // The characters that stay are where they were.
  for (std::size_t i = 0; i < 8; ++i) {
    ASSERT_LT(i, after.boxes.size());
    EXPECT_NEAR(after.boxes[i].x0, before.boxes[i].x0, 0.01) << i;
    EXPECT_NEAR(after.boxes[i].y0, before.boxes[i].y0, 0.01) << i;
  }
}

TEST_F(ProtectDocumentTest, ScanBoxesLieOverThePrintedCharacters) {
  HostHandle document = standin::OpenHostDocumentFromContent(
      {"BT /F2 14 Tf 60 600 Td " + Utf16Hex(u"주민등록번호 900101-1234567 전화 02-123-4567") +
       " Tj ET"});
  ASSERT_NE(document, nullptr);
  const PageText page = ReadPage(document, 0);
  PiMatchList matches;
  PiCategoryFlags flags;
  flags.fill(true);
  ASSERT_EQ(ScanDocument(document, flags, matches), 2);
  for (const PiMatch& m : matches) {
    EXPECT_EQ(page.text.substr(m.charStart, m.charCount), m.text);
    std::vector<HostBox> chars(page.boxes.begin() + m.charStart,
                               page.boxes.begin() + m.charStart + m.charCount);
    HostBox expected = UnionBox(chars);
    HostBox got = UnionBox(m.rects);
    EXPECT_NEAR(got.x0, expected.x0, 0.5);
    EXPECT_NEAR(got.x1, expected.x1, 0.5);
    EXPECT_NEAR(got.y0, expected.y0, 0.5);
    EXPECT_NEAR(got.y1, expected.y1, 0.5);
    EXPECT_NEAR(m.fontSize, 14, 0.01);
  }
  EXPECT_EQ(matches[0].category, ResidentRegistration);
  EXPECT_EQ(matches[1].category, Phone);
}

TEST_F(ProtectDocumentTest, UndoAndRedoRestoreTheTextPageTenTimes) {
  HostHandle document = standin::OpenHostDocumentFromContent(
      {"BT /F1 12 Tf 72 700 Td (first page) Tj ET",
       "BT /F2 12 Tf 72 700 Td " + Utf16Hex(u"메일 hong.gildong@example.co.kr 끝") + " Tj ET",
       "BT /F1 12 Tf 72 700 Td (IP 192.168.10.25) Tj ET"});
  ASSERT_NE(document, nullptr);
  const std::u16string original1 = ReadPage(document, 1).text;
  const std::u16string original2 = ReadPage(document, 2).text;
  Protect(document, Defaults());
  const std::u16string protected1 = ReadPage(document, 1).text;
  const std::u16string protected2 = ReadPage(document, 2).text;
  EXPECT_FALSE(Contains(protected1, u"hong"));
  EXPECT_FALSE(Contains(protected2, u"192.168"));
  EXPECT_TRUE(standin::IsModified(document));
  ASSERT_EQ(standin::UndoStepCount(document), 1);
  EXPECT_EQ(standin::UndoSteps(document)[0].label, u"개인 정보 보호");

  for (int round = 0; round < 10; ++round) {
    ASSERT_TRUE(standin::UndoLast(document));
    EXPECT_EQ(ReadPage(document, 1).text, original1) << round;
    EXPECT_EQ(ReadPage(document, 2).text, original2) << round;
    ASSERT_TRUE(standin::RedoLast(document));
    EXPECT_EQ(ReadPage(document, 1).text, protected1) << round;
    EXPECT_EQ(ReadPage(document, 2).text, protected2) << round;
  }
}

TEST_F(ProtectDocumentTest, TextUnderAnImageGetsBlackBoxInsteadOfProtectionText) {
  HostHandle document = standin::OpenHostDocumentFromContent(
      {"q 300 0 0 40 60 690 cm /Im1 Do Q BT /F1 12 Tf 72 700 Td (010-1234-5678) Tj ET "
       "BT /F1 12 Tf 72 600 Td (010-9876-5432) Tj ET"});
  ASSERT_NE(document, nullptr);
  Protect(document, Defaults());
  const PageText after = ReadPage(document, 0);
  EXPECT_FALSE(Contains(after.text, u"1234"));
  EXPECT_FALSE(Contains(after.text, u"9876"));
  // One protection text (the free-standing number), one black box (the covered one).
  std::size_t stars = std::count(after.text.begin(), after.text.end(), u'*');
  EXPECT_EQ(stars, 13u);
  std::string content = ContentBytes(document, 0);
  // The box is painted after everything else.
  ASSERT_GE(content.size(), 8u);
  EXPECT_EQ(content.substr(content.size() - 8), " re\nf\nQ\n");
}

TEST_F(ProtectDocumentTest, SavedFileKeepsNoMaskedCharacter) {
  HostHandle document = standin::OpenHostDocumentFromContent(
      {"BT /F2 11 Tf 60 700 Td " +
       Utf16Hex(u"카드 4111-1111-1111-1111 생년월일 1990년 1월 15일") + " Tj ET"});
  ASSERT_NE(document, nullptr);
  PiOptions options = Defaults();
  options.formats[CreditCard] = u"NNNN-****-****-NNNN";
  options.formats[BirthDate] = u"NNNN-**-NN";
  Protect(document, options);

  const std::string path = "/tmp/veilmark-protect-test-" + std::to_string(getpid()) + ".pdf";
  std::string error;
  ASSERT_TRUE(standin::SaveHostDocument(document, path, &error)) << error;
  HostHandle reopened = standin::OpenHostDocument(path, &error);
  ASSERT_NE(reopened, nullptr) << error;
  const std::u16string text = ReadPage(reopened, 0).text;
  EXPECT_TRUE(Contains(text, u"4111-")) << std::string(text.begin(), text.end());
  EXPECT_TRUE(Contains(text, u"-1111 ")) ;
  EXPECT_FALSE(Contains(text, u"4111-1111-1111-1111"));
  EXPECT_TRUE(Contains(text, u"1990년"));
  EXPECT_TRUE(Contains(text, u"15일"));
  EXPECT_FALSE(Contains(text, u"1월"));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace vm
