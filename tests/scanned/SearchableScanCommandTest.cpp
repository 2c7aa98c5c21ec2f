// The command line on searchable scans (tests/data/scanned/layer-*.pdf, made by
// tools/make-scanned-samples.sh): the items go from the text layer and from the image's pixels,
// the image keeps its kind, and an inline image is reported. Only the sample Tesseract made is
// read by OCR (a small one: a second or two).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ImageCheck.h"
#include "ImagePixels.h"
#include "OcrModule.h"
#include "PageDrawing.h"
#include "cli/CommandLineSupport.h"
#include "pdf/Document.h"

namespace scanned {
namespace {

std::string Layer(const std::string& name) { return std::string(VM_TEST_DATA_DIR) + "/scanned/" + name; }

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The items of a sample's first page, from tests/data/scanned/expected.tsv.
std::vector<std::string> Items(const std::string& file) {
  std::ifstream in(Layer("expected.tsv"));
  std::vector<std::string> items;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string name, page, category, text;
    std::getline(fields, name, '\t');
    std::getline(fields, page, '\t');
    std::getline(fields, category, '\t');
    std::getline(fields, text);
    if (name == file && page == "1") items.push_back(text);
  }
  return items;
}

struct FirstImage {
  std::string filter;
  ImagePixels pixels;
  GrayImage upright;
  float dpi = 0;
};

// The first image the first page draws: its filter as stored, its pixels, and upright in grey.
FirstImage ImageOf(const std::string& path) {
  FirstImage image;
  std::string error;
  auto document = standin::pdf::OpenDocument(path, &error);
  if (!document) return image;
  const PageDrawing drawing = DrawingOfPage(*document, 0);
  if (drawing.images.empty()) return image;
  const docscan::ImagePlacement& p = drawing.images[0];
  pdf_obj* ref = pdf_new_indirect(document->ctx, document->doc, p.object, 0);
  image.filter = pdf_to_name(document->ctx, pdf_dict_get(document->ctx, ref, PDF_NAME(Filter)));
  pdf_drop_obj(document->ctx, ref);
  GrayImage grey;
  if (DecodeImage(document->ctx, document->doc, p.object, &image.pixels, &error) &&
      DecodeGray(document->ctx, document->doc, p.object, &grey, &error))
    image.upright = Upright(grey, OrientationOf(p));
  image.dpi = ShownDpi(p);
  return image;
}

TEST(SearchableScanCommand, ATesseractSearchableScanLosesItsItemsFromTheLayerAndFromThePixels) {
  const std::string in = Layer("layer-tesseract.pdf");
  const std::string copy = Temp("layer-tesseract.pdf");
  const Outcome protect = Veilmark("protect --jobs 1 " + in + " -o " + copy);
  EXPECT_EQ(protect.status, 0) << protect.output;
  EXPECT_TRUE(Has(protect.output, "4 occurrences also blacked out in the pixels of 1 images")) << protect.output;
  EXPECT_TRUE(Has(protect.output, "pdftotext agrees, 1 changed images compared and read again")) << protect.output;
  const Outcome again = Veilmark("scan --json " + copy);
  EXPECT_EQ(again.status, 0) << again.output;
  EXPECT_FALSE(Has(again.output, "\"category\"")) << again.output;

  const FirstImage before = ImageOf(in);
  const FirstImage after = ImageOf(copy);
  EXPECT_EQ(before.filter, "DCTDecode");
  EXPECT_EQ(after.filter, "DCTDecode");
  ASSERT_EQ(after.upright.width, before.upright.width);
  setenv("VEILMARK_OCR_MODULE", VM_OCR_MODULE_PATH, 1);
  std::string error;
  const TextReader read = TesseractReaders()(&error);
  ASSERT_TRUE(read) << error;
  const std::u16string was = Squeezed(JoinedText(read(before.upright, before.dpi)));
  const std::u16string is = Squeezed(JoinedText(read(after.upright, after.dpi)));
  const std::vector<std::string> items = Items("layer-tesseract.pdf");
  ASSERT_EQ(items.size(), 4u);
  for (const std::string& item : items) {
    const std::u16string text(item.begin(), item.end());  // ASCII
    EXPECT_NE(was.find(text), std::u16string::npos) << item << " is not read in the original either";
    EXPECT_EQ(is.find(text), std::u16string::npos) << item << " is still read in the protected image";
  }
}

TEST(SearchableScanCommand, ATurnedFlateImageDrawnOnTwoPagesIsChangedOnceWithoutOcr) {
  const std::string in = Layer("layer-turned.pdf");
  const std::string copy = Temp("layer-turned.pdf");
  const Outcome protect = Veilmark("protect --no-ocr " + in + " -o " + copy);
  EXPECT_EQ(protect.status, 0) << protect.output;
  EXPECT_TRUE(Has(protect.output, "12 occurrences also blacked out in the pixels of 1 images")) << protect.output;
  EXPECT_TRUE(Has(protect.output, "1 changed images compared)")) << protect.output;
  const Outcome again = Veilmark("scan --json --no-ocr " + copy);
  EXPECT_EQ(again.status, 0) << again.output;
  EXPECT_FALSE(Has(again.output, "\"category\"")) << again.output;

  const FirstImage before = ImageOf(in);
  const FirstImage after = ImageOf(copy);
  EXPECT_EQ(after.filter, "FlateDecode");
  ASSERT_EQ(after.pixels.components, 1);
  ASSERT_EQ(after.pixels.samples.size(), before.pixels.samples.size());
  long darker = 0;
  long lighter = 0;
  for (size_t i = 0; i < before.pixels.samples.size(); ++i) {
    darker += after.pixels.samples[i] < before.pixels.samples[i];
    lighter += after.pixels.samples[i] > before.pixels.samples[i];
  }
  EXPECT_GT(darker, 10000);
  EXPECT_EQ(lighter, 0);
}

TEST(SearchableScanCommand, TextOverAnInlineImageIsRemovedAndThePageReportedNotFullyProtected) {
  const std::string copy = Temp("layer-inline.pdf");
  const Outcome protect = Veilmark("protect --no-ocr " + Layer("layer-inline.pdf") + " -o " + copy);
  EXPECT_EQ(protect.status, 3) << protect.output;
  EXPECT_TRUE(Has(protect.output, "page 0 is not fully protected: text drawn invisibly over an image inside the "
                                  "page content (inline) is still in the image's pixels"))
      << protect.output;
  EXPECT_TRUE(Has(protect.output, "check: passed")) << protect.output;
}

}  // namespace
}  // namespace scanned
