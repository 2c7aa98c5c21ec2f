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

}  // namespace
