// The fonts the interpreter meets are kept for the next Tf that names them: each Tf must still
// get its own font, with more fonts on a page than are kept, on every page, and after the
// document that kept them is gone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PdfTestUtil.h"
#include "pdf/Document.h"
#include "pdf/Page.h"

namespace standin::pdf {
namespace {

constexpr int kFonts = 20;  // more than are kept at once

// Page contents showing "WW" once in each of the fonts F1 .. F20, each on its own line; odd
// fonts are Courier (W 600 wide), even ones Helvetica (W 944 wide).
std::unique_ptr<Document> ManyFontsDocument(int pages) {
  std::string content;
  for (int k = 1; k <= kFonts; ++k)
    content += "BT /F" + std::to_string(k) + " 10 Tf 72 " + std::to_string(760 - 20 * k) + " Td (WW) Tj ET\n";
  auto document = DocumentFromContent(std::vector<std::string>(static_cast<size_t>(pages), content));
  if (!document) return nullptr;
  fz_context* ctx = document->ctx;
  pdf_obj* resources = pdf_dict_get_inheritable(ctx, document->pageObjects[0], PDF_NAME(Resources));
  pdf_obj* fonts = pdf_dict_get(ctx, resources, PDF_NAME(Font));
  for (int k = 1; k <= kFonts; ++k) {
    pdf_obj* font = pdf_add_new_dict(ctx, document->doc, 3);
    pdf_dict_put(ctx, font, PDF_NAME(Type), PDF_NAME(Font));
    pdf_dict_put(ctx, font, PDF_NAME(Subtype), PDF_NAME(Type1));
    pdf_dict_put_name(ctx, font, PDF_NAME(BaseFont), k % 2 ? "Courier" : "Helvetica");
    pdf_dict_puts_drop(ctx, fonts, ("F" + std::to_string(k)).c_str(), font);
  }
  return document;
}

// Where the second W of each line starts: 72 plus the first W's advance at 10 points.
void ExpectEachLineInItsFont(Document& document, int pageIndex) {
  const std::vector<testing::RefChar> chars = testing::EngineChars(*GetPage(document, pageIndex));
  ASSERT_EQ(chars.size(), 2u * kFonts) << "page " << pageIndex;
  for (int k = 1; k <= kFonts; ++k) {
    const float expected = 72 + (k % 2 ? 6.0f : 9.44f);
    EXPECT_NEAR(chars[static_cast<size_t>(2 * k - 1)].origin.x, expected, 0.01)
        << "page " << pageIndex << ", font F" << k;
  }
}

TEST(FontLookup, EachTfGetsTheFontItNamesOnEveryPage) {
  auto document = ManyFontsDocument(3);
  ASSERT_TRUE(document);
  for (int p = 0; p < 3; ++p) ExpectEachLineInItsFont(*document, p);
  // Read again, in the other order, after the fonts were kept and replaced.
  for (int p = 2; p >= 0; --p) ExpectEachLineInItsFont(*document, p);
}

TEST(FontLookup, AnotherDocumentAtTheSameAddressesGetsItsOwnFonts) {
  for (int round = 0; round < 3; ++round) {
    auto document = ManyFontsDocument(1);
    ASSERT_TRUE(document);
    ExpectEachLineInItsFont(*document, 0);
  }
}

}  // namespace
}  // namespace standin::pdf
