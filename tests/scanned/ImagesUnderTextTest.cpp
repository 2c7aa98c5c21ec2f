// Searchable scans without OCR: which characters a page paints, where a box of the page lies in
// an image's pixels, how far it grows to the ink and over the layer's trailing space, and the
// images under invisible occurrences blacked out once and checked (the check fails when they
// were not).
#include <gtest/gtest.h>

#include "ImageCheck.h"
#include "ImageTestSupport.h"
#include "ImagesUnderHiddenText.h"
#include "InkExtent.h"
#include "detect/PiCategory.h"

namespace scanned {
namespace {

constexpr char kGrey[] = "/Width 600 /Height 200 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode";
// The image shown 432 x 144 points (100 dpi) with its top left corner at (90, 744).
constexpr char kUpper[] = "q 432 0 0 144 90 600 cm /Im Do Q\n";

std::string GreyPdf(const std::string& content) {
  return test::PagePdf(kGrey, test::Deflated(test::Pattern(600, 200).pixels), content);
}

// The box of `count` Helvetica characters of 12 points, each `width` thousandths wide, whose
// baseline starts at (x, y).
HostBox Line(float x, float y, int count, float width = 556) {
  return HostBox{x, y - 3, x + count * width * 0.012f, y + 9};
}

vm::PiMatch Occurrence(const std::u16string& text, const HostBox& box, int start = 0) {
  vm::PiMatch m;
  m.charStart = start;
  m.charCount = static_cast<int32_t>(text.size());
  m.category = vm::Phone;
  m.text = text;
  m.rects = {box};
  return m;
}

TEST(ImagesUnderText, OnlyCharactersThePageShowsCountAsShownText) {
  const std::string content = std::string("BT /F1 12 Tf 100 720 Td (UNDERIMAGE) Tj ET\n") + kUpper +
                              "BT /F1 12 Tf 3 Tr 100 700 Td (INVISIBLE) Tj ET\n"
                              "BT /F1 12 Tf 0 Tr 100 680 Td (PAINTED) Tj ET\n"
                              "q BT /F1 12 Tf 7 Tr 100 660 Td (CLIPONLY) Tj ET Q\n"
                              "q BT /F1 12 Tf 4 Tr 100 640 Td (FILLCLIP) Tj ET Q\n"
                              "q /G0 gs BT /F1 12 Tf 0 Tr 100 620 Td (NOOPACITY) Tj ET Q\n";
  auto document = test::OpenBytes(GreyPdf(content), "painted.pdf");
  ASSERT_TRUE(document);
  const PageDrawing drawing = DrawingOfPage(*document, 0);
  ASSERT_TRUE(drawing.ran);
  ASSERT_EQ(drawing.images.size(), 1u);
  EXPECT_EQ(drawing.images[0].object, test::kImageObject);
  EXPECT_FALSE(ShownAsText(drawing, {Line(100, 720, 10)}));  // an opaque image drawn over it
  EXPECT_FALSE(ShownAsText(drawing, {Line(100, 700, 9)}));   // render mode 3
  EXPECT_TRUE(ShownAsText(drawing, {Line(100, 680, 7)}));
  EXPECT_FALSE(ShownAsText(drawing, {Line(100, 660, 8)}));   // a clip only
  EXPECT_TRUE(ShownAsText(drawing, {Line(100, 640, 8)}));    // filled and added to the clip: once
  EXPECT_FALSE(ShownAsText(drawing, {Line(100, 620, 9)}));   // no opacity
  EXPECT_FALSE(ShownAsText(drawing, {Line(300, 560, 9)}));   // nothing drawn there
}

TEST(ImagesUnderText, BoxesOfThePageComeBackToTheStoredPixelsOfUprightAndTurnedImages) {
  for (const char* placement : {"432 0 0 144 90 600 cm", "0 -432 144 0 90 700 cm"}) {
    auto document = test::OpenBytes(GreyPdf(std::string("q ") + placement + " /Im Do Q"), "placed.pdf");
    ASSERT_TRUE(document);
    const PageDrawing drawing = DrawingOfPage(*document, 0);
    ASSERT_EQ(drawing.images.size(), 1u);
    const docscan::ImagePlacement& image = drawing.images[0];
    const PixelBox stored{100, 50, 260, 80};
    PixelBox back;
    ASSERT_TRUE(StoredBoxUnder(LayerBox(drawing, ToPageSpace(stored, image)), image, &back)) << placement;
    EXPECT_NEAR(back.x0, stored.x0, 1) << placement;
    EXPECT_NEAR(back.y0, stored.y0, 1) << placement;
    EXPECT_NEAR(back.x1, stored.x1, 1) << placement;
    EXPECT_NEAR(back.y1, stored.y1, 1) << placement;
    // Partly over the image: the part over it; wholly beside it: none.
    const PixelBox partly{500, 150, 700, 180};
    ASSERT_TRUE(StoredBoxUnder(LayerBox(drawing, ToPageSpace(partly, image)), image, &back));
    EXPECT_FALSE(Padded(back, 0, 600, 200).Empty());
    EXPECT_GE(back.x1, 600);
    EXPECT_FALSE(StoredBoxUnder(LayerBox(drawing, ToPageSpace({650, 150, 700, 180}, image)), image, &back));
  }
}

TEST(ImagesUnderText, TheLayersSpaceAfterAWordIsTakenAndTheOneBeforeItIsNot) {
  // "LABEL: " is 44.03 points wide in Helvetica at 12 points, each digit 6.672, a space 3.336.
  auto document = test::OpenBytes(GreyPdf(std::string(kUpper) + "BT /F1 12 Tf 3 Tr 100 700 Td (LABEL: 0102345678 ) Tj ET"),
                                   "space.pdf");
  ASSERT_TRUE(document);
  const PageDrawing drawing = DrawingOfPage(*document, 0);
  const fz_rect box = LayerBox(drawing, Line(144.03f, 700, 10));
  const fz_rect page = fz_transform_rect(box, fz_invert_matrix(drawing.pageToDevice));
  EXPECT_NEAR(page.x0, 144.03, 0.05);
  EXPECT_NEAR(page.x1, 144.03 + 10 * 6.672 + 3.336, 0.05);
}

// White paper (230) and a word of four glyphs 16 pixels wide with gaps of 4, from x = 40, rows
// 30 to 50, the last with a descender to row 58; the next word starts at x = 140.
GrayImage Words() {
  GrayImage image{400, 80, std::vector<uint8_t>(400 * 80, 230)};
  auto ink = [&](int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) image.pixels[static_cast<size_t>(y) * 400 + x] = 20;
  };
  for (int g = 0; g < 4; ++g) ink(40 + 20 * g, 30, 56 + 20 * g, 50);
  ink(104, 50, 108, 58);
  ink(140, 30, 220, 50);
  return image;
}

GrayImage Transposed(const GrayImage& image) {
  GrayImage out{image.height, image.width, std::vector<uint8_t>(image.pixels.size())};
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      out.pixels[static_cast<size_t>(x) * out.width + y] = image.pixels[static_cast<size_t>(y) * image.width + x];
  return out;
}

void ExpectBox(const PixelBox& got, const PixelBox& want) {
  EXPECT_EQ(got.x0, want.x0);
  EXPECT_EQ(got.y0, want.y0);
  EXPECT_EQ(got.x1, want.x1);
  EXPECT_EQ(got.y1, want.y1);
}

TEST(ImagesUnderText, BoxesGrowToTheInkBesideThemButNotIntoTheNextWord) {
  const GrayImage words = Words();
  // Short of the word's end by 8 pixels: a quarter of a 20-pixel character further, and down
  // over the descender; the paper above and the next word stay.
  ExpectBox(GrownToInk(words, {40, 30, 108, 50}, Orientation{}, 20), {40, 30, 113, 58});
  ExpectBox(GrownToInk(Transposed(words), {30, 40, 50, 108}, Orientation{true, false, false}, 20),
            {30, 40, 58, 113});
  // A box past the ink keeps its size.
  ExpectBox(GrownToInk(words, {30, 20, 130, 70}, Orientation{}, 20), {30, 20, 130, 70});
  // Too little contrast to tell ink from paper: unchanged.
  GrayImage faint = words;
  for (uint8_t& v : faint.pixels) v = v < 100 ? 200 : 220;
  ExpectBox(GrownToInk(faint, {40, 30, 108, 50}, Orientation{}, 20), {40, 30, 108, 50});
}

TEST(ImagesUnderText, AnImageUnderInvisibleTextIsBlackedOutOnceAndTheCheckFailsWhenItWasNot) {
  // A JPEG drawn twice; invisible text over the upper drawing, painted text over the lower.
  const std::string content = std::string(kUpper) + "q 432 0 0 144 90 100 cm /Im Do Q\n" +
                              "BT /F1 12 Tf 3 Tr 100 700 Td (010-2345-6789) Tj ET\n"
                              "BT /F1 12 Tf 0 Tr 100 200 Td (010-9876-5432) Tj ET\n";
  const std::string original = test::TempPath("layer-original.pdf");
  auto document = test::OpenBytes(test::PagePdf("/Width 600 /Height 200 /ColorSpace /DeviceGray "
                                                "/BitsPerComponent 8 /Filter /DCTDecode",
                                                test::Jpeg(test::Pattern(600, 200), 1, 80), content),
                                  "layer-original.pdf");
  ASSERT_TRUE(document);
  const vm::PiMatchList matches = {Occurrence(u"010-2345-6789", Line(100, 700, 13), 0),
                                   Occurrence(u"010-9876-5432", Line(100, 200, 13), 14)};
  const auto allMasked = docscan::OccurrenceStore::FromLists(matches, matches);
  const ImagesUnderText found = FindImagesUnderHiddenText(*document, *allMasked);
  EXPECT_TRUE(found.unchanged.empty());
  ASSERT_EQ(found.images.size(), 1u);
  EXPECT_EQ(found.images[0].placement.object, test::kImageObject);
  EXPECT_EQ(found.images[0].placement.drawnIndex, 0);
  EXPECT_EQ(found.images[0].texts, std::vector<std::u16string>{u"010-2345-6789"});
  ASSERT_EQ(found.images[0].boxes.size(), 1u);
  // Nothing is blacked out for an occurrence whose characters were not masked.
  EXPECT_TRUE(FindImagesUnderHiddenText(*document, *docscan::OccurrenceStore::FromLists(matches, {matches[1]}))
                  .images.empty());

  const ImageProtection done = BlackOutImagesUnderText(*document, found);
  ASSERT_TRUE(done.failures.empty()) << done.failures.front();
  ASSERT_EQ(done.edited.size(), 1u);
  EXPECT_EQ(done.edited[0].edit.kind, "JPEG");
  const std::string copy = test::TempPath("layer-protected.pdf");
  std::string error;
  ASSERT_TRUE(standin::pdf::SaveDocument(*document, copy, &error)) << error;

  ImageCheckInput input;
  input.originalPath = original;
  input.protectedPath = copy;
  input.edited = &done.edited;
  input.found = allMasked.get();
  ImageCheckResult check = CheckEditedImages(input);
  EXPECT_TRUE(check.failures.empty()) << check.failures.front();
  EXPECT_EQ(check.imagesChecked, 1);
  EXPECT_EQ(check.imagesRead, 0);

  // Read again: the item still read fails the check.
  input.makeReader = [](std::string*) -> TextReader {
    return [](const GrayImage&, float) {
      OcrText text;
      text.lines.push_back({{OcrWord{u"010-2345-6789", {14, 40, 200, 70}, 90, true, {}}}, {}});
      return text;
    };
  };
  check = CheckEditedImages(input);
  EXPECT_EQ(check.imagesRead, 1);
  ASSERT_EQ(check.failures.size(), 1u);
  EXPECT_NE(check.failures[0].find("\"010-2345-6789\" is still read"), std::string::npos) << check.failures[0];

  // The image left as it was (protect told of no change, or of none it made): the check finds
  // the image under the invisible text on its own and fails.
  const std::vector<EditedImage> none;
  input.edited = &none;
  input.protectedPath = original;
  input.makeReader = nullptr;
  check = CheckEditedImages(input);
  ASSERT_EQ(check.failures.size(), 1u);
  EXPECT_NE(check.failures[0].find("page 0, image 0: the pixels under text drawn invisibly over the image are not "
                                   "blacked out"),
            std::string::npos)
      << check.failures[0];
}

TEST(ImagesUnderText, AnInlineImageUnderInvisibleTextIsReportedAndNotChanged) {
  // 600 x 200 pixels of 1 bit, white, shown at 100 dpi.
  const std::string content = "q 432 0 0 144 90 600 cm BI /W 600 /H 200 /CS /G /BPC 1 ID " + std::string(15000, '\xff') +
                              "\nEI Q\nBT /F1 12 Tf 3 Tr 100 700 Td (010-2345-6789) Tj ET\n";
  auto document = test::OpenBytes(GreyPdf(content), "inline.pdf");
  ASSERT_TRUE(document);
  const vm::PiMatchList matches = {Occurrence(u"010-2345-6789", Line(100, 700, 13))};
  const ImagesUnderText found = FindImagesUnderHiddenText(*document, *docscan::OccurrenceStore::FromLists(matches, matches));
  EXPECT_TRUE(found.images.empty());
  ASSERT_EQ(found.unchanged.size(), 1u);
  EXPECT_EQ(found.unchanged[0].first, 0);
  EXPECT_NE(found.unchanged[0].second.find("inline"), std::string::npos);
}

}  // namespace
}  // namespace scanned
