// The engine on the sample corpus: text pages agree with MuPDF's structured text, unedited
// regeneration renders the same, removing characters moves nothing else.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "PdfTestUtil.h"
#include "pdf/Page.h"
#include "pdf/TextEdits.h"

namespace standin::pdf {
namespace {

using testing::EngineChars;
using testing::MuPdfChars;
using testing::Narrow;
using testing::RefChar;
using testing::Utf16;

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(VM_TEST_DATA_DIR, ec))
    if (entry.path().extension() == ".pdf" && entry.path().filename() != "bench-200.pdf")
      files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  return files;
}

std::unique_ptr<Document> Open(const std::string& name) {
  std::string error;
  auto document = OpenDocument(std::string(VM_TEST_DATA_DIR) + "/" + name, &error);
  EXPECT_TRUE(document) << error;
  return document;
}

class PdfCorpus : public ::testing::TestWithParam<std::string> {};

TEST_P(PdfCorpus, TextPageAgreesWithMuPdf) {
  auto document = Open(GetParam());
  ASSERT_TRUE(document);
  for (int p = 0; p < PageCount(*document); ++p) {
    auto expected = MuPdfChars(*document, p);
    auto actual = EngineChars(*GetPage(*document, p));
    ASSERT_EQ(Narrow(Utf16(actual)), Narrow(Utf16(expected))) << "page " << p;
    // Boxes end where the PDF's widths say, MuPDF's where the font program's advance says: the
    // two differ wherever a substitute font stands in. Origins and the side across the line
    // (descender to ascender) compare.
    bool vertical = GetParam().find("vertical") != std::string::npos;
    for (size_t i = 0; !vertical && i < expected.size(); ++i) {
      const fz_quad& a = actual[i].quad;
      const fz_quad& e = expected[i].quad;
      EXPECT_NEAR(actual[i].origin.x, expected[i].origin.x, 0.05) << "page " << p << " char " << i;
      EXPECT_NEAR(actual[i].origin.y, expected[i].origin.y, 0.05) << "page " << p << " char " << i;
      EXPECT_NEAR(a.ul.x - a.ll.x, e.ul.x - e.ll.x, 0.05) << "page " << p << " char " << i;
      EXPECT_NEAR(a.ul.y - a.ll.y, e.ul.y - e.ll.y, 0.05) << "page " << p << " char " << i;
    }
  }
}

TEST_P(PdfCorpus, UneditedRegenerationRendersTheSame) {
  auto document = Open(GetParam());
  ASSERT_TRUE(document);
  for (int p = 0; p < PageCount(*document); ++p) {
    auto before = testing::Render(*document, p);
    ASSERT_TRUE(GetPage(*document, p)->Regenerate()) << "page " << p;
    EXPECT_TRUE(before == testing::Render(*document, p)) << "page " << p;
  }
}

TEST_P(PdfCorpus, RemovingCharactersMovesNothingElse) {
  auto document = Open(GetParam());
  ASSERT_TRUE(document);
  for (int p = 0; p < PageCount(*document); ++p) testing::ExpectRemovalMovesNothingElse(*document, p);
}

// Vertical writing: each character's box is the cell the font's vertical metrics give it, from
// the pen down by one advance (14 pt here) and as wide as its horizontal width, centred on the
// column. The column at x 470 starts its pen at y 740 and holds "전화 010-3333-4444".
TEST(PdfVerticalWriting, CharacterBoxesAreTheCellsOfTheColumn) {
  auto document = Open("vertical.pdf");
  ASSERT_TRUE(document);
  std::vector<RefChar> column;
  for (const RefChar& c : EngineChars(*GetPage(*document, 0)))
    if (c.box.x0 > 455 && c.box.x1 < 485) column.push_back(c);
  ASSERT_EQ(Utf16(column), u"전화010-3333-4444");
  float top = 740;
  for (size_t i = 0; i < column.size(); ++i) {
    const fz_rect& box = column[i].box;
    const float width = column[i].c < 0x80 ? 7 : 14;  // /W gives the digits and '-' 500
    EXPECT_NEAR(box.y1, top, 0.01) << "char " << i;
    EXPECT_NEAR(box.y1 - box.y0, 14, 0.01) << "char " << i;
    EXPECT_NEAR(box.x1 - box.x0, width, 0.01) << "char " << i;
    EXPECT_NEAR((box.x0 + box.x1) / 2, 470, 0.01) << "char " << i;
    top -= i == 1 ? 28 : 14;  // the space after "전화" takes a cell of its own
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, PdfCorpus, ::testing::ValuesIn(CorpusFiles()),
                         [](const auto& info) {
                           std::string name = info.param.substr(0, info.param.size() - 4);
                           for (char& c : name) if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
}  // namespace standin::pdf
