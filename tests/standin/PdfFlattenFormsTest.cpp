// Text of form XObjects moved into page content: the page looks the same at 150 dpi, MuPDF
// reads the same characters at the same places, and the engine sees them as page-level text.
#include <gtest/gtest.h>

#include <filesystem>

#include "PdfTestUtil.h"
#include "pdf/FlattenForms.h"
#include "pdf/Page.h"
#include "pdf/PdfUtil.h"
#include "pdf/TextPage.h"

namespace standin::pdf {
namespace {

using testing::EngineChars;
using testing::MuPdfChars;
using testing::Narrow;
using testing::RefChar;
using testing::Render;
using testing::Utf16;

constexpr float k150Dpi = 150.0f / 72.0f;

// Samples (bytes of RGB pixels) that differ by more than a faint antialiasing step.
size_t DifferentSamples(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
  if (a.size() != b.size()) return std::max(a.size(), b.size());
  size_t differ = 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::abs(int(a[i]) - int(b[i])) > 24) ++differ;
  return differ;
}

// Flattening must change nothing a reader sees: pixels at 150 dpi and MuPDF's characters with
// their origins.
void ExpectLooksTheSame(Document& original, Document& flattened, const std::string& what) {
  ASSERT_EQ(PageCount(original), PageCount(flattened));
  for (int p = 0; p < PageCount(original); ++p) {
    const auto before = Render(original, p, k150Dpi);
    const auto after = Render(flattened, p, k150Dpi);
    ASSERT_FALSE(before.empty());
    EXPECT_LE(DifferentSamples(before, after), before.size() / 5000) << what << " page " << p;
    const std::vector<RefChar> a = MuPdfChars(original, p);
    const std::vector<RefChar> b = MuPdfChars(flattened, p);
    ASSERT_EQ(Narrow(Utf16(a)), Narrow(Utf16(b))) << what << " page " << p;
    for (size_t i = 0; i < a.size(); ++i) {
      EXPECT_NEAR(a[i].origin.x, b[i].origin.x, 0.01) << what << " page " << p << " char " << i;
      EXPECT_NEAR(a[i].origin.y, b[i].origin.y, 0.01) << what << " page " << p << " char " << i;
    }
  }
}

// Every character of the page's text page belongs to a page-level text object.
bool AllTextIsPageLevel(Document& document, int p) {
  TextPage textPage;
  textPage.page = GetPage(document, p);
  AnalyseTextPage(textPage);
  for (const TextPageChar& c : textPage.chars)
    if (!c.generated && !c.object) return false;
  return !textPage.chars.empty();
}

std::unique_ptr<Document> OpenSample(const std::string& name) {
  std::string error;
  auto document = OpenDocument(std::string(VM_TEST_DATA_DIR) + "/" + name, &error);
  EXPECT_TRUE(document) << error;
  return document;
}

TEST(FlattenForms, SamplesLookTheSameAndFormTextBecomesPageText) {
  for (const auto& entry : std::filesystem::directory_iterator(VM_TEST_DATA_DIR)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".pdf" || name == "bench-200.pdf") continue;
    auto original = OpenSample(name);
    auto flattened = OpenSample(name);
    ASSERT_TRUE(original && flattened);
    const FlattenReport report = FlattenTextForms(*flattened);
    EXPECT_TRUE(report.leftAsForms.empty()) << name << ": " << report.leftAsForms.front();
    ExpectLooksTheSame(*original, *flattened, name);
    for (int p : report.pagesChanged) {
      EXPECT_TRUE(AllTextIsPageLevel(*flattened, p)) << name << " page " << p;
      EXPECT_EQ(Narrow(Utf16(EngineChars(*GetPage(*flattened, p)))), Narrow(Utf16(MuPdfChars(*flattened, p))))
          << name << " page " << p;
    }
    if (name == "form-twice.pdf") {
      EXPECT_EQ(report.formsInlined, 2);
    }
  }
}

// A page with extra form XObjects added to the snippet resources (which already hold /Fm1
// showing "Form" with its own /F1, another object than the page's /F1).
struct FormCase {
  const char* name;
  const char* content;  // the page
  int inlined;          // forms expected to be drawn in place
  int left;             // forms that show text and stay forms
};

// /Fm2: its own /F1 is Times (the page's /F1 is Helvetica), rotated and moved by its matrix,
//       clipped by its box through half a word, and drawing /Inner, which has no resources of
//       its own and so uses /Fm2's.
// /Box: draws no text itself, only /Fm1.     /Pic: an image only.
// /Loop: draws itself (a viewer cuts the cycle: it is drawn once).
// /Knock: a knockout group.    /Group: a transparency group.
const char* const kForms[][2] = {
    {"Fm2", "<< /Type /XObject /Subtype /Form /BBox [0 0 70 40] /Matrix [0 1 -1 0 300 300] "
            "/Resources << /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >> >> "
            "/XObject << /Inner 9990 0 R >> >> >>"},
    {"Box", "<< /Type /XObject /Subtype /Form /BBox [0 0 200 200] /Resources << /XObject << /Fm1 9991 0 R >> >> >>"},
    {"Pic", "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /I 9992 0 R >> >> >>"},
    {"Loop", "<< /Type /XObject /Subtype /Form /BBox [0 0 300 300] /Resources << /XObject << /Loop 9993 0 R >> "
             "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Courier >> >> >> >>"},
    {"Knock", "<< /Type /XObject /Subtype /Form /BBox [0 0 300 300] /Group << /S /Transparency /K true >> "
              "/Resources << /Font << /F9 << /Type /Font /Subtype /Type1 /BaseFont /Courier >> >> >> >>"},
    {"Group", "<< /Type /XObject /Subtype /Form /BBox [0 0 300 300] /Group << /S /Transparency >> "
              "/Resources << /Font << /F9 << /Type /Font /Subtype /Type1 /BaseFont /Courier >> >> >> >>"},
};
const char* const kFormContents[] = {
    "BT /F1 16 Tf 5 10 Td (Rotated clip) Tj ET q 1 0 0 1 0 25 cm /Inner Do Q",
    "0 0 1 rg 10 10 50 50 re f q 1 0 0 1 20 20 cm /Fm1 Do Q",
    "q 1 0 0 1 0 0 cm /I Do Q",
    "BT /F1 10 Tf 0 0 Td (Loop 010-1111-2222) Tj ET q 0.5 0 0 0.5 10 10 cm /Loop Do Q",
    "0.5 g 0 0 100 100 re f BT /F9 12 Tf 10 50 Td (Knockout 10.0.0.1) Tj ET",
    "0.5 g 0 0 100 100 re f BT /F9 12 Tf 10 50 Td (Group 10.0.0.2) Tj ET",
};

std::unique_ptr<Document> WithForms(const std::string& content) {
  auto document = DocumentFromContent({content});
  fz_context* ctx = document->ctx;
  pdf_document* doc = document->doc;
  pdf_obj* page = pdf_lookup_page_obj(ctx, doc, 0);
  pdf_obj* xobjects = pdf_dict_getp(ctx, page, "Resources/XObject");
  pdf_obj* added[6] = {};
  for (int i = 0; i < 6; ++i) {
    fz_buffer* data = fz_new_buffer_from_copied_data(
        ctx, reinterpret_cast<const unsigned char*>(kFormContents[i]), strlen(kFormContents[i]));
    pdf_obj* dict = ParseObject(ctx, doc, kForms[i][1]);
    added[i] = pdf_add_stream(ctx, doc, data, dict, 0);
    pdf_dict_puts(ctx, xobjects, kForms[i][0], added[i]);
    pdf_drop_obj(ctx, dict);
    fz_drop_buffer(ctx, data);
  }
  // The placeholders 9990 to 9993: /Inner is a text form without resources, the others point
  // at objects made above.
  const char* inner = "BT /F1 9 Tf 0 0 Td (Inner 02-555-0123) Tj ET";
  fz_buffer* data = fz_new_buffer_from_copied_data(ctx, reinterpret_cast<const unsigned char*>(inner), strlen(inner));
  pdf_obj* innerDict = ParseObject(ctx, doc, "<< /Type /XObject /Subtype /Form /BBox [0 0 200 20] >>");
  pdf_obj* innerForm = pdf_add_stream(ctx, doc, data, innerDict, 0);
  pdf_dict_putp(ctx, added[0], "Resources/XObject/Inner", innerForm);
  pdf_dict_putp(ctx, added[1], "Resources/XObject/Fm1", pdf_dict_gets(ctx, xobjects, "Fm1"));
  pdf_dict_putp(ctx, added[2], "Resources/XObject/I", pdf_dict_gets(ctx, xobjects, "Im1"));
  pdf_dict_putp(ctx, added[3], "Resources/XObject/Loop", added[3]);
  pdf_drop_obj(ctx, innerForm);
  pdf_drop_obj(ctx, innerDict);
  fz_drop_buffer(ctx, data);
  for (pdf_obj* o : added) pdf_drop_obj(ctx, o);
  return document;
}

TEST(FlattenForms, NestedRenamedClippedAndRefusedForms) {
  const FormCase cases[] = {
      {"nested, renamed, rotated, clipped",
       "BT /F1 12 Tf 72 700 Td (Page 010-2222-3333) Tj ET /Fm2 Do q 1 0 0 1 100 500 cm /Fm1 Do Q", 3, 0},
      {"drawn twice, under text", "q 1 0 0 1 50 50 cm /Fm2 Do Q BT /F1 12 Tf 60 60 Td (over) Tj ET /Fm2 Do", 4, 0},
      {"a form showing text only through another", "q 1 0 0 1 200 200 cm /Box Do Q", 2, 0},
      {"image form stays, text form goes", "q 100 0 0 100 300 300 cm /Pic Do Q /Fm1 Do", 1, 0},
      {"group drawn opaque", "/Group Do", 1, 0},
      {"group drawn half transparent", "q /GS1 gs /Group Do Q", 0, 1},
      {"knockout group", "/Knock Do", 0, 1},
      {"form drawing itself", "q 1 0 0 1 50 400 cm /Loop Do Q", 1, 0},
  };
  for (const FormCase& c : cases) {
    auto original = WithForms(c.content);
    auto flattened = WithForms(c.content);
    const FlattenReport report = FlattenTextForms(*flattened);
    EXPECT_EQ(report.formsInlined, c.inlined) << c.name;
    EXPECT_EQ(report.leftAsForms.size(), size_t(c.left)) << c.name;
    for (const std::string& line : report.leftAsForms)
      EXPECT_EQ(line.rfind("page 0: form XObject /", 0), 0u) << line;
    ExpectLooksTheSame(*original, *flattened, c.name);
    if (c.left == 0) {
      EXPECT_TRUE(AllTextIsPageLevel(*flattened, 0)) << c.name;
    }
  }
}

// A page that draws no text form keeps its content stream; text forms it does not draw leave
// its resources (a saved copy would keep their text), other resources stay.
TEST(FlattenForms, PagesNotDrawingTextFormsKeepTheirContentAndLoseUnusedTextForms) {
  auto document = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (Plain) Tj ET", "q 9 0 0 9 9 9 cm /Im1 Do Q"});
  fz_context* ctx = document->ctx;
  std::vector<int> contents;
  for (int p = 0; p < 2; ++p)
    contents.push_back(pdf_to_num(ctx, pdf_dict_get(ctx, pdf_lookup_page_obj(ctx, document->doc, p), PDF_NAME(Contents))));
  auto original = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (Plain) Tj ET", "q 9 0 0 9 9 9 cm /Im1 Do Q"});
  const FlattenReport report = FlattenTextForms(*document);
  EXPECT_EQ(report.formsInlined, 0);
  ExpectLooksTheSame(*original, *document, "unused forms");
  for (int p = 0; p < 2; ++p) {
    pdf_obj* page = pdf_lookup_page_obj(ctx, document->doc, p);
    EXPECT_EQ(pdf_to_num(ctx, pdf_dict_get(ctx, page, PDF_NAME(Contents))), contents[p]);
    EXPECT_FALSE(pdf_dict_getp(ctx, page, "Resources/XObject/Fm1")) << p;
    EXPECT_TRUE(pdf_dict_getp(ctx, page, "Resources/XObject/Im1")) << p;
  }
}

}  // namespace
}  // namespace standin::pdf
