// Page pictures: content and frame annotations drawn from a copy, the open document untouched.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "ObjectsTestSupport.h"
#include "core/PageRender.h"
#include "pdf/Document.h"

namespace {

struct Rgb {
  int r, g, b;
};

Rgb PixelAt(const standin::PageImage& image, int x, int y) {
  const uint8_t* p = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
  return Rgb{p[0], p[1], p[2]};
}

TEST(CorePageRender, ContentAndFramesAreDrawnFromACopy) {
  standin::ResetHost();
  // A black square at (100, 600)-(150, 650) on the second page.
  HostHandle document = standin::OpenHostDocumentFromContent({"0 0 m", "0 g 100 600 50 50 re f"});
  auto* pdf = standin::PdfDocumentOf(document);
  HostHandle frame = HOST(26, 130)(document, 1, "Square", HostBox{300, 500, 400, 520});
  HostHandle stream = HOST(68, 0)();
  HostHandle form = HOST(67, 0)();
  HOST(67, 19)(form, "Type", "XObject");
  HOST(67, 19)(form, "Subtype", "Form");
  HOST(67, 27)(form, "BBox", HostBox{0, 0, 100, 20});
  const std::string body = "0.20 0.45 0.95 RG 1.2 w 0.6 0.6 98.80 18.80 re S";
  HOST(68, 1)(stream, reinterpret_cast<const uint8_t*>(body.data()), static_cast<int32_t>(body.size()), form);
  HostHandle appearance = HOST(67, 0)();
  HOST(67, 23)(appearance, "N", pdf, HOST(34, 42)(pdf, stream));
  HOST(67, 18)(HOST(52, 2)(HOST(173, 0)(frame)), "AP", appearance, pdf);
  const int objects = pdf_xref_len(pdf->ctx, pdf->doc);

  standin::PageImage image;
  ASSERT_TRUE(standin::RenderPage(document, 1, 2.0f, &image));
  EXPECT_EQ(image.width, 1224);
  EXPECT_EQ(image.height, 1584);
  const Rgb inside = PixelAt(image, 250, (792 - 625) * 2);
  EXPECT_LT(inside.r + inside.g + inside.b, 30);
  const Rgb blank = PixelAt(image, 10, 10);
  EXPECT_GT(blank.r + blank.g + blank.b, 3 * 250);
  // The frame's left edge: x = 300.6 page units, halfway up the frame.
  const Rgb edge = PixelAt(image, 601, (792 - 510) * 2);
  EXPECT_GT(edge.b, 200);
  EXPECT_LT(edge.r, 120);
  const Rgb inFrame = PixelAt(image, 700, (792 - 510) * 2);
  EXPECT_GT(inFrame.r, 250);

  EXPECT_EQ(standin::RenderPages(document, 0.5f).size(), 2u);
  EXPECT_FALSE(standin::RenderPage(document, 2, 1, &image));
  EXPECT_EQ(pdf_xref_len(pdf->ctx, pdf->doc), objects);

  const std::string png = std::filesystem::temp_directory_path() / ("vm-page-" + std::to_string(getpid()) + ".png");
  ASSERT_TRUE(standin::WritePng(image, png));
  EXPECT_GT(std::filesystem::file_size(png), 1000u);
  std::filesystem::remove(png);
  standin::ResetHost();
  EXPECT_TRUE(standin::Tracker().Outstanding().empty());
}

// Only the drawn pages are copied for a picture: what a page inherits from the page tree and
// annotations that link back to their page or to each other must still come out right.
TEST(CorePageRender, InheritedResourcesAndLinkedAnnotationsAreDrawn) {
  standin::ResetHost();
  HostHandle document = standin::OpenHostDocumentFromContent({"0 0 m", "q /Square Do Q"});
  auto* pdf = standin::PdfDocumentOf(document);
  fz_context* ctx = pdf->ctx;
  pdf_document* doc = pdf->doc;
  pdf_obj* page = pdf_lookup_page_obj(ctx, doc, 1);
  // A form drawing a black square at (100, 600)-(150, 650), named in resources the page inherits
  // together with a smaller media box.
  pdf_obj* square = pdf_new_dict(ctx, doc, 4);
  pdf_dict_put(ctx, square, PDF_NAME(Subtype), PDF_NAME(Form));
  pdf_dict_put_rect(ctx, square, PDF_NAME(BBox), fz_make_rect(0, 0, 612, 792));
  fz_buffer* body = fz_new_buffer_from_copied_data(ctx, reinterpret_cast<const unsigned char*>("0 g 100 600 50 50 re f"), 22);
  pdf_obj* form = pdf_add_stream(ctx, doc, body, square, 0);
  fz_drop_buffer(ctx, body);
  pdf_obj* tree = pdf_dict_get(ctx, page, PDF_NAME(Parent));
  pdf_obj* resources = pdf_dict_put_dict(ctx, tree, PDF_NAME(Resources), 1);
  pdf_dict_put(ctx, pdf_dict_put_dict(ctx, resources, PDF_NAME(XObject), 1), PDF_NAME(Square), form);
  pdf_dict_put_rect(ctx, tree, PDF_NAME(MediaBox), fz_make_rect(0, 0, 400, 700));
  pdf_dict_del(ctx, page, PDF_NAME(Resources));
  pdf_dict_del(ctx, page, PDF_NAME(MediaBox));
  // A blue-filled square annotation whose pop-up points back at it, both pointing at the page.
  pdf_obj* appearanceDict = pdf_new_dict(ctx, doc, 4);
  pdf_dict_put(ctx, appearanceDict, PDF_NAME(Subtype), PDF_NAME(Form));
  pdf_dict_put_rect(ctx, appearanceDict, PDF_NAME(BBox), fz_make_rect(0, 0, 100, 20));
  body = fz_new_buffer_from_copied_data(ctx, reinterpret_cast<const unsigned char*>("0 0 1 rg 0 0 100 20 re f"), 24);
  pdf_obj* appearance = pdf_add_stream(ctx, doc, body, appearanceDict, 0);
  fz_drop_buffer(ctx, body);
  pdf_obj* annot = pdf_add_new_dict(ctx, doc, 6);
  pdf_dict_put(ctx, annot, PDF_NAME(Subtype), PDF_NAME(Square));
  pdf_dict_put_rect(ctx, annot, PDF_NAME(Rect), fz_make_rect(200, 300, 300, 320));
  pdf_dict_put(ctx, annot, PDF_NAME(P), page);
  pdf_dict_put(ctx, pdf_dict_put_dict(ctx, annot, PDF_NAME(AP), 1), PDF_NAME(N), appearance);
  pdf_obj* popup = pdf_add_new_dict(ctx, doc, 4);
  pdf_dict_put(ctx, popup, PDF_NAME(Subtype), PDF_NAME(Popup));
  pdf_dict_put_rect(ctx, popup, PDF_NAME(Rect), fz_make_rect(0, 0, 10, 10));
  pdf_dict_put(ctx, popup, PDF_NAME(Parent), annot);
  pdf_dict_put(ctx, popup, PDF_NAME(P), page);
  pdf_dict_put(ctx, annot, PDF_NAME(Popup), popup);
  pdf_obj* annots = pdf_dict_put_array(ctx, page, PDF_NAME(Annots), 2);
  pdf_array_push(ctx, annots, annot);
  pdf_array_push(ctx, annots, popup);
  const int objects = pdf_xref_len(ctx, doc);

  standin::PageImage image;
  ASSERT_TRUE(standin::RenderPage(document, 1, 1.0f, &image));
  EXPECT_EQ(image.width, 400);
  EXPECT_EQ(image.height, 700);
  const Rgb inside = PixelAt(image, 125, 700 - 625);
  EXPECT_LT(inside.r + inside.g + inside.b, 30);
  const Rgb annotation = PixelAt(image, 250, 700 - 310);
  EXPECT_GT(annotation.b, 200);
  EXPECT_LT(annotation.r + annotation.g, 60);
  // Two pages at once share the copied page tree's inheritance too.
  const std::vector<standin::PageImage> both = standin::RenderPages(document, 0.5f);
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[1].width, 200);
  EXPECT_EQ(pdf_xref_len(ctx, doc), objects);
  EXPECT_EQ(pdf_dict_get(ctx, page, PDF_NAME(Resources)), nullptr);

  pdf_drop_obj(ctx, square);
  pdf_drop_obj(ctx, form);
  pdf_drop_obj(ctx, appearanceDict);
  pdf_drop_obj(ctx, appearance);
  pdf_drop_obj(ctx, annot);
  pdf_drop_obj(ctx, popup);
  standin::ResetHost();
}

}  // namespace
