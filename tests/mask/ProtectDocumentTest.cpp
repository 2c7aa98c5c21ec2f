// Scan, replacements, writer and undo together on documents built from content streams, run
// by the stand-in host over MuPDF: what a reader can still get out of the page afterwards.
#include <algorithm>
#include <cstdio>
#include <unistd.h>

#include "detect/ScanDocument.h"
#include "mask/HostDocumentTest.h"
#include "mask/RedactionWriter.h"
#include "mask/Replacements.h"

namespace vm {
namespace {

using namespace test;

bool Contains(const std::u16string& text, std::u16string_view part) {
  return text.find(part) != std::u16string::npos;
}

class ProtectDocumentTest : public HostDocumentTest {
 protected:
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

TEST_F(ProtectDocumentTest, UndoAndRedoRestoreTheTextPageTenTimes) {
  HostHandle document = standin::OpenHostDocumentFromContent(
      {"BT /F1 12 Tf 72 700 Td (first page) Tj ET",
       "BT /F2 12 Tf 72 700 Td " + Hex(u"메일 hong.gildong@example.co.kr 끝") + " Tj ET",
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
       Hex(u"카드 4111-1111-1111-1111 생년월일 1990년 1월 15일") + " Tj ET"});
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
