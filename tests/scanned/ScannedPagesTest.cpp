// Scanned pages from decoding to the check, with a stand-in reader in place of OCR: which
// images are read and how, where the hits lie on the page, what counts as not read, and that
// the check fails when a removed item is still read or pixels changed outside the boxes.
#include <gtest/gtest.h>

#include <atomic>

#include "ImageCheck.h"
#include "ImageProtection.h"
#include "ImageTestSupport.h"
#include "ScannedPages.h"

namespace scanned {
namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 200;
// The image shown 432 x 144 points (100 dpi) with its top left corner at (90, 744), and again
// lower on the page.
constexpr char kTwice[] = "432 0 0 144 90 600 cm /Im Do Q q 432 0 0 144 90 100 cm";

std::string ScanPdf(const std::string& placement = kTwice) {
  const GrayImage picture = test::Pattern(kWidth, kHeight);
  return test::ImagePdf("/Width 600 /Height 200 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode",
                        test::Deflated(picture.pixels), placement);
}

OcrWord Word(const std::u16string& text, PixelBox box, float confidence = 91) {
  OcrWord w;
  w.text = text;
  w.box = box;
  w.confidence = confidence;
  return w;
}

// A reader that finds "전화 010-2345-6789" on one line, and counts its calls.
struct StandIn {
  std::atomic<int> calls{0};
  float confidence = 91;
  int marks = 0;
  int unreadMarks = 0;
  bool readsNothing = false;
  float dpiSeen = 0;

  TextReaderFactory Factory() {
    return [this](std::string*) -> TextReader {
      return [this](const GrayImage& image, float dpi) {
        ++calls;
        dpiSeen = dpi;
        OcrText text;
        EXPECT_EQ(image.width, kWidth);
        EXPECT_EQ(image.height, kHeight);
        text.marks = marks;
        text.unreadMarks = unreadMarks;
        if (readsNothing) return text;
        text.lines.push_back({{Word(u"전화", {20, 80, 80, 100}), Word(u"010-2345-6789", {100, 80, 230, 100}, confidence)},
                              {}});
        return text;
      };
    };
  }
};

vm::PiCategoryFlags All() {
  vm::PiCategoryFlags flags;
  flags.fill(true);
  return flags;
}

TEST(ScannedPages, EachImageIsReadOnceAndItsHitsLieWhereItIsShown) {
  auto document = test::OpenBytes(ScanPdf(), "twice.pdf");
  ASSERT_TRUE(document);
  StandIn reader;
  size_t progressCalls = 0;
  const ScannedScan scan = ReadScannedPages(*document, All(), reader.Factory(), 2,
                                            [&](size_t done, size_t total) {
                                              ++progressCalls;
                                              EXPECT_EQ(total, 2u);
                                              EXPECT_LE(done, total);
                                            });
  EXPECT_EQ(reader.calls, 1);
  EXPECT_EQ(progressCalls, 2u);
  EXPECT_NEAR(reader.dpiSeen, 100, 0.01);
  ASSERT_EQ(scan.images.size(), 2u);
  EXPECT_TRUE(scan.UnsearchedPages().empty());
  for (const ImageReading& image : scan.images) {
    EXPECT_TRUE(image.searched);
    EXPECT_EQ(image.placement.object, test::kImageObject);
    ASSERT_EQ(image.hits.size(), 1u);
    EXPECT_EQ(image.hits[0].text, u"010-2345-6789");
  }
  EXPECT_EQ(scan.images[1].indexOnPage, 1);
  // Pixels 100..230 across and 80..100 down, at 0.72 points each, from the image's top left.
  const std::vector<HostBox> upper = PageRects(scan.images[0], scan.images[0].hits[0]);
  ASSERT_EQ(upper.size(), 1u);
  EXPECT_NEAR(upper[0].x0, 90 + 100 * 0.72, 0.01);
  EXPECT_NEAR(upper[0].x1, 90 + 230 * 0.72, 0.01);
  EXPECT_NEAR(upper[0].y0, 744 - 100 * 0.72, 0.01);
  EXPECT_NEAR(upper[0].y1, 744 - 80 * 0.72, 0.01);
  EXPECT_NEAR(PageRects(scan.images[1], scan.images[1].hits[0])[0].y1, 244 - 80 * 0.72, 0.01);
}

TEST(ScannedPages, TurnedImagesAreReadUpright) {
  // Drawn turned by 90 degrees: the reader gets it as the page shows it (200 x 600 pixels
  // would fail its size check), and the hit's box comes back to the stored pixels.
  auto document = test::OpenBytes(ScanPdf("0 -432 144 0 90 700 cm"), "turned.pdf");
  ASSERT_TRUE(document);
  const docscan::ImagePlacement placement = docscan::ImagesWithoutText(*document).at(0);
  const Orientation o = OrientationOf(placement);
  EXPECT_TRUE(o.transpose);
  const GrayImage stored = test::Pattern(kWidth, kHeight);
  const GrayImage upright = Upright(stored, o);
  ASSERT_EQ(upright.width, kHeight);
  // A pixel of the upright image and its stored place agree, and so do boxes.
  const PixelBox one{7, 11, 8, 12};
  const PixelBox back = ToStored(one, o, kWidth, kHeight);
  EXPECT_EQ(upright.pixels[11 * upright.width + 7], stored.pixels[back.y0 * kWidth + back.x0]);
  EXPECT_EQ(back.x1 - back.x0, 1);
  for (const Orientation& any : {Orientation{false, true, false}, Orientation{false, false, true},
                                 Orientation{true, true, true}, Orientation{true, false, true}}) {
    const GrayImage u = Upright(stored, any);
    const PixelBox b = ToStored(one, any, kWidth, kHeight);
    EXPECT_EQ(u.pixels[11 * u.width + 7], stored.pixels[b.y0 * kWidth + b.x0]);
  }
}

TEST(ScannedPages, DoubtfulReadingsAndUnreadMarksLeaveTheImageNotSearched) {
  auto document = test::OpenBytes(ScanPdf("432 0 0 144 90 600 cm"), "doubtful.pdf");
  ASSERT_TRUE(document);
  StandIn unsure;
  unsure.confidence = 20;
  ScannedScan scan = ReadScannedPages(*document, All(), unsure.Factory(), 1);
  ASSERT_EQ(scan.UnsearchedPages().size(), 1u);
  EXPECT_NE(scan.UnsearchedPages()[0].second.find("low confidence"), std::string::npos);

  StandIn blind;
  blind.readsNothing = true;
  blind.marks = kCountedMarks + 10;
  blind.unreadMarks = kCountedMarks + 10;
  scan = ReadScannedPages(*document, All(), blind.Factory(), 1);
  ASSERT_EQ(scan.UnsearchedPages().size(), 1u);
  EXPECT_NE(scan.UnsearchedPages()[0].second.find("could not be read as text"), std::string::npos);

  // A page without marks that look like letters, read as empty, is searched.
  blind.marks = 3;
  blind.unreadMarks = 3;
  scan = ReadScannedPages(*document, All(), blind.Factory(), 1);
  EXPECT_TRUE(scan.UnsearchedPages().empty());

  const TextReaderFactory broken = [](std::string* error) -> TextReader {
    *error = "no data";
    return nullptr;
  };
  scan = ReadScannedPages(*document, All(), broken, 1);
  ASSERT_EQ(scan.UnsearchedPages().size(), 1u);
  EXPECT_EQ(scan.UnsearchedPages()[0].second, "no data");
}

TEST(ScannedPages, CheckFailsWhenARemovedItemIsStillReadOrPixelsChangedOutsideTheBoxes) {
  const std::string original = test::TempPath("original.pdf");
  const std::string bytes = ScanPdf();
  auto document = test::OpenBytes(bytes, "original.pdf");
  ASSERT_TRUE(document);
  StandIn reader;
  const ScannedScan scan = ReadScannedPages(*document, All(), reader.Factory(), 1);
  vm::PiOptions options;
  options.flags = All();
  const ImageProtection done = ProtectScannedPages(*document, scan, options);
  EXPECT_TRUE(done.failures.empty());
  ASSERT_EQ(done.edited.size(), 1u);  // drawn twice, changed once
  EXPECT_EQ(done.edited[0].removed, std::vector<std::u16string>{u"010-2345-6789"});
  const std::string copy = test::TempPath("protected.pdf");
  std::string error;
  ASSERT_TRUE(standin::pdf::SaveDocument(*document, copy, &error)) << error;

  StandIn nothingLeft;
  nothingLeft.readsNothing = true;
  auto checkOf = [&](const std::vector<EditedImage>& edited, StandIn& reader) {
    ImageCheckInput input;
    input.originalPath = original;
    input.protectedPath = copy;
    input.edited = &edited;
    input.makeReader = reader.Factory();
    return CheckEditedImages(input);
  };
  ImageCheckResult check = checkOf(done.edited, nothingLeft);
  EXPECT_TRUE(check.failures.empty()) << check.failures.front();
  EXPECT_EQ(check.imagesChecked, 1);

  StandIn stillThere;
  check = checkOf(done.edited, stillThere);
  ASSERT_EQ(check.failures.size(), 1u);
  EXPECT_NE(check.failures[0].find("\"010-2345-6789\" is still read"), std::string::npos) << check.failures[0];

  std::vector<EditedImage> claimedNothing = done.edited;
  claimedNothing[0].edit.changed.clear();
  check = checkOf(claimedNothing, nothingLeft);
  ASSERT_FALSE(check.failures.empty());
  EXPECT_NE(check.failures[0].find("pixels changed outside the blacked boxes"), std::string::npos);
}

}  // namespace
}  // namespace scanned
