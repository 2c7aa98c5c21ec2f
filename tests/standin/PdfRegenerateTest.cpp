#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>

#include "PdfTestUtil.h"
#include "RawPdf.h"
#include "pdf/Fonts.h"
#include "pdf/Page.h"
#include "pdf/PdfUtil.h"
#include "pdf/TextEdits.h"
#include "pdf/TextPage.h"

namespace standin::pdf {
namespace {

using testing::MuPdfChars;
using testing::NthText;
using testing::RemoveItems;
using testing::Narrow;
using testing::RefChar;
using testing::Render;
using testing::Utf16;


std::string ContentText(Document& document, int pageIndex) {
  Page* page = GetPage(document, pageIndex);
  pdf_obj* contents = pdf_dict_get(document.ctx, PageDictionary(*page), PDF_NAME(Contents));
  return StreamData(document.ctx, contents);
}

struct Case {
  const char* name;
  const char* content;
};

const Case kCases[] = {
    {"Tj", "BT /F1 12 Tf 72 700 Td (Hello World) Tj ET"},
    {"TJKerning", "BT /F1 12 Tf 72 700 Td [(W) 120 (A) -300 (V) 80 (E)] TJ (tail) Tj ET"},
    {"QuoteOperators", "BT /F1 10 Tf 14 TL 72 700 Td (one) Tj (two) ' 2 1 (three) \" (four) ' (five) Tj ET"},
    {"SpacingState", "BT /F1 11 Tf 3 Tw 1.5 Tc 80 Tz 4 Ts 72 700 Td (a b c) Tj (d e) Tj ET"},
    {"StatePersistsAcrossBT", "BT /F1 11 Tf 2 Tc 150 Tz 1 Tr 72 700 Td (first) Tj ET BT 72 680 Td (second) Tj ET"},
    {"Rotated", "BT /F1 12 Tf 0.7071 0.7071 -0.7071 0.7071 200 300 Tm (Rotated) Tj ( 45) Tj ET"},
    {"CmBeforeBT", "q 2 0 0 2 50 50 cm BT /F1 9 Tf 10 300 Td (Scaled) Tj 0 -12 Td (Next) Tj ET Q"},
    {"Clipped", "q 70 690 30 20 re W n BT /F1 12 Tf 72 700 Td (Clip) Tj (ped) Tj ET Q BT /F1 12 Tf 72 600 Td (Out) Tj ET"},
    {"Invisible", "BT 3 Tr /F1 12 Tf 72 700 Td (Hidden) Tj (Text) Tj ET"},
    {"Korean", "BT /F2 20 Tf 72 700 Td <D55CAD6DC5B4> Tj <C804D654> Tj ET"},
    {"KoreanKerned", "BT /F2 14 Tf 72 600 Td [<D55C> -200 <AD6D> 50 <C5B4>] TJ ET"},
    {"Type3", "BT /F4 20 Tf 72 500 Td (abba) Tj (ab) Tj ET"},
    {"InlineImage", "q 50 0 0 50 100 100 cm BI /W 2 /H 2 /CS /G /BPC 8 ID \x10\x80\xff\x40 EI Q BT /F1 12 Tf 72 700 Td (Text) Tj ET"},
    {"Shading", "q 0 0 200 100 re W n /Sh1 sh Q BT /F1 12 Tf 72 700 Td (Over) Tj ET"},
    {"FormTwice", "q 1 0 0 1 100 100 cm /Fm1 Do Q q 1 0 0 1 300 100 cm /Fm1 Do Q BT /F1 12 Tf 72 700 Td (Page) Tj ET"},
    {"ImageAndOpacity", "q /GS1 gs 100 0 0 100 50 400 cm /Im1 Do Q BT /F5 14 Tf 72 700 Td (Times) Tj ET"},
    {"UnbalancedQ", "Q q 1 0 0 RG 5 w 10 10 m 200 200 l S BT /F1 12 Tf 72 700 Td (Open) Tj ET q"},
    {"MarkedContent", "/Span <</MCID 0>> BDC BT /F1 12 Tf 72 700 Td (Marked) Tj ET EMC"},
};

class PdfRegenerate : public ::testing::TestWithParam<Case> {};

TEST_P(PdfRegenerate, UneditedPageRendersTheSame) {
  auto document = DocumentFromContent({GetParam().content});
  ASSERT_TRUE(document);
  auto before = Render(*document, 0);
  Page* page = GetPage(*document, 0);
  ASSERT_GT(page->Count(), 0);
  ASSERT_TRUE(page->Regenerate());
  auto after = Render(*document, 0);
  ASSERT_EQ(before.size(), after.size());
  EXPECT_TRUE(before == after) << ContentText(*document, 0);
}

TEST_P(PdfRegenerate, RemovedCharactersLeaveOthersInPlace) {
  auto document = DocumentFromContent({GetParam().content});
  ASSERT_TRUE(document);
  EXPECT_GT(testing::ExpectRemovalMovesNothingElse(*document, 0), 0u);
}

// The text page has the characters, order and boxes of MuPDF's own structured text.
TEST_P(PdfRegenerate, TextPageAgreesWithMuPdf) {
  auto document = DocumentFromContent({GetParam().content});
  ASSERT_TRUE(document);
  auto expected = MuPdfChars(*document, 0);
  auto actual = testing::EngineChars(*GetPage(*document, 0));
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(Narrow(Utf16(actual)), Narrow(Utf16(expected)));
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(actual[i].box.x0, expected[i].box.x0, 0.05) << i;
    EXPECT_NEAR(actual[i].box.y0, expected[i].box.y0, 0.05) << i;
    EXPECT_NEAR(actual[i].box.x1, expected[i].box.x1, 0.05) << i;
    EXPECT_NEAR(actual[i].box.y1, expected[i].box.y1, 0.05) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Snippets, PdfRegenerate, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The removed digits are gone from the new content and, after a save, from every object of the
// raw file, referenced or not.
TEST(PdfRegenerateEdits, RemovedTextIsGoneFromContentAndSavedFile) {
  auto document = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (Name 1234567 end) Tj ET"});
  Page* page = GetPage(*document, 0);
  PageObject* text = NthText(*page, 0);
  std::set<int> digits;
  for (size_t i = 0; i < text->items.size(); ++i)
    if (text->items[i].code >= '0' && text->items[i].code <= '9') digits.insert(static_cast<int>(i));
  RemoveItems(*page, text, digits);
  ASSERT_TRUE(page->Regenerate());
  // What the new content shows, read back by interpreting it afresh.
  for (PageObject* o = GetPage(*document, 0)->First(); o; o = o->next)
    for (const TextItem& item : o->items) EXPECT_FALSE(item.code >= '0' && item.code <= '9') << item.code;
  EXPECT_EQ(Narrow(Utf16(MuPdfChars(*document, 0))), "Nameend");

  const std::string path = (std::filesystem::temp_directory_path() /
                            ("vm_pdf_saved_" + std::to_string(getpid()) + ".pdf")).string();
  std::string error;
  ASSERT_TRUE(SaveDocument(*document, path, &error)) << error;
  const std::string bytes = checker::ReadFile(path);
  std::remove(path.c_str());
  int contentStreams = 0;
  for (const checker::RawObject& object : checker::ReadRawObjects(bytes)) {
    EXPECT_TRUE(object.decoded) << object.number;
    EXPECT_EQ(object.dictionary.find("1234567"), std::string::npos);
    EXPECT_EQ(object.data.find("1234567"), std::string::npos);
    if (object.data.find("(Name") != std::string::npos) ++contentStreams;
  }
  EXPECT_EQ(contentStreams, 1);
  EXPECT_EQ(bytes.find("1234567"), std::string::npos);
}

TEST(PdfRegenerateEdits, WholeObjectRemovedLeavesNoClone) {
  auto document = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (AB) Tj (CD) Tj ET"});
  Page* page = GetPage(*document, 0);
  PageObject* first = NthText(*page, 0);
  RemoveItems(*page, first, {0, 1});
  EXPECT_EQ(page->Count(), 1);
  ASSERT_TRUE(page->Regenerate());
  auto chars = MuPdfChars(*document, 0);
  ASSERT_EQ(Narrow(Utf16(chars)), "CD");
  EXPECT_NEAR(chars[0].origin.x, 72 + 12 * (0.667 + 0.667), 0.05);
}

// Clones share their source's characters until one of them changes: editing a clone (its
// characters, its position, its size) leaves the source exactly as it was, and the other way
// round.
TEST(PdfRegenerateEdits, AClonesEditsNeverReachItsSource) {
  auto document = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (ABCD) Tj ET"});
  PageObject* source = NthText(*GetPage(*document, 0), 0);
  std::unique_ptr<PageObject> clone = CloneObject(*source);
  const std::vector<TextItem> before = source->items.Read();
  const fz_matrix firstGlyph = source->glyphs[0].trm;

  const int32_t codes[] = {'C', 'D'};
  SetCharacters(*clone, 2, codes, nullptr);
  SetPosition(*clone, 300, 500);
  ASSERT_EQ(clone->items.size(), 2u);
  EXPECT_EQ(clone->glyphs[0].trm.e, 300);
  ASSERT_EQ(source->items.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(source->items[i].code, before[i].code);
    EXPECT_EQ(source->items[i].x, before[i].x);
  }
  EXPECT_EQ(source->glyphs[0].trm.e, firstGlyph.e);

  std::unique_ptr<PageObject> second = CloneObject(*source);
  SetTextState(*source, nullptr, 24, nullptr);  // twice the size: every origin moves
  EXPECT_NE(source->items[1].x, before[1].x);
  EXPECT_EQ(second->glyphs[0].trm.e, firstGlyph.e);
  ASSERT_EQ(second->items.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(second->items[i].x, before[i].x);
}

// A new object is drawn at the end in the default state whatever state the content leaves behind
// (an unclosed q with a clip and a scale; a flip outside any q, as cairo writes), and its font
// reaches the page through a copy of the resources the page shares with the next one.
TEST(PdfRegenerateEdits, NewObjectIsDrawnInTheDefaultStateWithItsOwnResources) {
  struct Leftover { const char* content; const char* shown; const char* font; float y; };
  for (const Leftover& c :
       {Leftover{"q 2 0 0 2 0 0 cm 0 0 50 50 re W n BT /F2 10 Tf 10 10 Td <D55C> Tj ET", "\\uD55C", "F2", 20},
        Leftover{"1 0 0 -1 0 792 cm 0.5 g BT /F1 12 Tf 1 0 0 -1 72 100 Tm (Flipped) Tj ET q", "Flipped", "F1", 692}}) {
    auto document = DocumentFromContent({c.content, c.content});
    Page* page = GetPage(*document, 0);
    Font* helvetica = StandardFont(*document, "Helvetica");
    ASSERT_NE(helvetica, nullptr);
    EXPECT_EQ(StandardFont(*document, "Helvetica"), helvetica);
    HostGlyphBox box = GlyphBox(document->ctx, helvetica->desc, 'X');
    EXPECT_LT(box.bottom, 10);
    EXPECT_GT(box.top, 600);

    auto object = std::make_unique<PageObject>();
    object->kind = kPageObjectText;
    float matrix[4] = {2, 0, 0, 1};
    SetTextState(*object, helvetica, 10, matrix);
    SetBytes(*object, "**");
    SetPosition(*object, 300, 400);
    float black[3] = {0, 0, 0};
    SetFill(*object, 3, black);
    page->InsertBefore(nullptr, page->Adopt(std::move(object)));
    ASSERT_TRUE(page->Regenerate());

    auto chars = MuPdfChars(*document, 0);
    ASSERT_EQ(Narrow(Utf16(chars)), std::string(c.shown) + "**") << ContentText(*document, 0);
    const size_t n = chars.size() - 2;
    EXPECT_NEAR(chars[0].origin.y, c.y, 0.01);
    EXPECT_NEAR(chars[n].origin.x, 300, 0.01);
    EXPECT_NEAR(chars[n].origin.y, 400, 0.01);
    EXPECT_NEAR(chars[n + 1].origin.x, 300 + 2 * 10 * 0.389, 0.01);
    fz_context* ctx = document->ctx;
    pdf_obj* fonts = pdf_dict_getp(ctx, PageDictionary(*GetPage(*document, 0)), "Resources/Font");
    EXPECT_TRUE(pdf_dict_gets(ctx, fonts, c.font));
    EXPECT_TRUE(pdf_dict_gets(ctx, fonts, "VMF1"));
    pdf_obj* shared = pdf_dict_getp(ctx, PageDictionary(*GetPage(*document, 1)), "Resources/Font");
    EXPECT_EQ(pdf_dict_gets(ctx, shared, "VMF1"), nullptr);
  }
}

TEST(PdfRegenerateEdits, ModelFollowsReplacedContents) {
  auto document = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (Old) Tj ET"});
  Page* page = GetPage(*document, 0);
  ASSERT_EQ(page->Count(), 1);
  fz_context* ctx = document->ctx;
  fz_buffer* buffer = fz_new_buffer_from_copied_data(ctx, reinterpret_cast<const unsigned char*>("0 0 1 1 re f 0 0 2 2 re f"), 25);
  pdf_obj* stream = pdf_add_stream(ctx, document->doc, buffer, nullptr, 0);
  pdf_dict_put_drop(ctx, PageDictionary(*page), PDF_NAME(Contents), stream);
  fz_drop_buffer(ctx, buffer);
  ++document->revision;  // what every host call that changes an object does
  EXPECT_EQ(page->Count(), 2);
  EXPECT_EQ(page->First()->kind, kPageObjectPath);
}

}  // namespace
}  // namespace standin::pdf
