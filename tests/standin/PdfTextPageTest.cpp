#include <gtest/gtest.h>

#include <cmath>

#include "PdfTestUtil.h"
#include "pdf/Page.h"
#include "pdf/TextPage.h"

namespace standin::pdf {
namespace {

using testing::EngineChars;
using testing::MuPdfChars;
using testing::Narrow;
using testing::Utf16;

struct Snippet {
  const char* name;
  const char* content;
  bool boxes = true;  // vertical boxes follow their own convention; only the text is compared
};

class PdfTextPageAgrees : public ::testing::TestWithParam<Snippet> {};

// The text page has the characters, order and boxes of MuPDF's own structured text.
TEST_P(PdfTextPageAgrees, WithMuPdfStructuredText) {
  auto document = DocumentFromContent({GetParam().content});
  ASSERT_TRUE(document);
  Page* page = GetPage(*document, 0);
  auto expected = MuPdfChars(*document, 0);
  auto actual = EngineChars(*page);
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(Narrow(Utf16(actual)), Narrow(Utf16(expected)));
  for (size_t i = 0; GetParam().boxes && i < expected.size(); ++i) {
    const fz_rect& e = expected[i].box;
    const fz_rect& a = actual[i].box;
    EXPECT_NEAR(a.x0, e.x0, 0.05) << i;
    EXPECT_NEAR(a.y0, e.y0, 0.05) << i;
    EXPECT_NEAR(a.x1, e.x1, 0.05) << i;
    EXPECT_NEAR(a.y1, e.y1, 0.05) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Snippets, PdfTextPageAgrees, ::testing::Values(
    Snippet{"Tj", "BT /F1 12 Tf 72 700 Td (Hello World) Tj ET"},
    Snippet{"TJKerning", "BT /F1 12 Tf 72 700 Td [(W) 120 (A) -300 (V) 80 (E)] TJ ET"},
    Snippet{"QuoteOperators", "BT /F1 10 Tf 14 TL 72 700 Td (one) Tj (two) ' 2 1 (three) \" (four) ' ET"},
    Snippet{"SpacingState", "BT /F1 11 Tf 3 Tw 1.5 Tc 80 Tz 4 Ts 72 700 Td (a b c) Tj ET"},
    Snippet{"Rotated", "BT /F1 12 Tf 0.7071 0.7071 -0.7071 0.7071 200 300 Tm (Rotated 45) Tj ET"},
    Snippet{"CmBeforeBT", "q 2 0 0 2 50 50 cm BT /F1 9 Tf 10 300 Td (Scaled) Tj ET Q"},
    Snippet{"Clipped", "q 70 690 30 20 re W n BT /F1 12 Tf 72 700 Td (Clip) Tj ET Q"},
    Snippet{"Invisible", "BT 3 Tr /F1 12 Tf 72 700 Td (Hidden) Tj ET"},
    Snippet{"Korean", "BT /F2 20 Tf 72 700 Td <D55CAD6D C5B4> Tj ET"},
    Snippet{"KoreanKerned", "BT /F2 14 Tf 72 600 Td [<D55C> -200 <AD6D> 50 <C5B4>] TJ ET"},
    Snippet{"Vertical", "BT /F3 20 Tf 300 700 Td <D55CAD6DC5B4> Tj ET", false},
    Snippet{"Type3", "BT /F4 20 Tf 72 500 Td (abba) Tj ET"},
    Snippet{"Form", "q 1 0 0 1 100 100 cm /Fm1 Do Q BT /F1 12 Tf 72 700 Td (After) Tj ET"},
    Snippet{"TwoLines", "BT /F1 12 Tf 72 700 Td (First line) Tj 0 -20 Td (Second line) Tj ET"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace standin::pdf
