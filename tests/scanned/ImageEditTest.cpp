// Blacking out boxes in images: only the pixels of the boxes change, and each image stays of
// its kind (a JPEG keeps its blocks and quality, anything else becomes Flate at its depth).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "ImageCheck.h"
#include "ImageEdit.h"
#include "ImagePixels.h"
#include "ImageTestSupport.h"

extern "C" {
#include <jpeglib.h>
}

namespace scanned {
namespace {

using test::kImageObject;

struct Edited {
  std::unique_ptr<standin::pdf::Document> document;
  ImagePixels before;
  ImagePixels after;
  GrayImage grey;
  ImageEdit edit;
};

Edited BlackOut(const std::string& pdf, const std::vector<PixelBox>& boxes, const std::string& name) {
  Edited e;
  e.document = test::OpenBytes(pdf, name);
  EXPECT_TRUE(e.document);
  if (!e.document) return e;
  std::string error;
  EXPECT_TRUE(DecodeImage(e.document->ctx, e.document->doc, kImageObject, &e.before, &error)) << error;
  EXPECT_TRUE(DecodeGray(e.document->ctx, e.document->doc, kImageObject, &e.grey, &error)) << error;
  e.edit = BlackOutImage(e.document->ctx, e.document->doc, kImageObject, boxes, e.grey);
  EXPECT_TRUE(e.edit.error.empty()) << e.edit.error;
  EXPECT_TRUE(DecodeImage(e.document->ctx, e.document->doc, kImageObject, &e.after, &error)) << error;
  return e;
}

std::string FilterOf(standin::pdf::Document& document) {
  pdf_obj* image = pdf_load_object(document.ctx, document.doc, kImageObject);
  pdf_obj* filter = pdf_dict_get(document.ctx, image, PDF_NAME(Filter));
  std::string name = pdf_is_name(document.ctx, filter) ? pdf_to_name(document.ctx, filter) : "";
  pdf_drop_obj(document.ctx, image);
  return name;
}

// The mean grey of a box in the decoded (grey) image.
double MeanInside(standin::pdf::Document& document, const PixelBox& box) {
  GrayImage grey;
  std::string error;
  EXPECT_TRUE(DecodeGray(document.ctx, document.doc, kImageObject, &grey, &error)) << error;
  double sum = 0;
  for (int y = box.y0; y < box.y1; ++y)
    for (int x = box.x0; x < box.x1; ++x) sum += grey.pixels[static_cast<size_t>(y) * grey.width + x];
  return sum / ((box.x1 - box.x0) * (box.y1 - box.y0));
}

TEST(ImageEdit, GreyFlateImageChangesInsideTheBoxesOnly) {
  const GrayImage picture = test::Pattern(64, 48);
  const std::string pdf = test::ImagePdf("/Width 64 /Height 48 /ColorSpace /DeviceGray /BitsPerComponent 8 "
                                         "/Filter /FlateDecode /DecodeParms << /Predictor 1 >>",
                                         test::Deflated(picture.pixels));
  const PixelBox box{10, 12, 30, 20};
  Edited e = BlackOut(pdf, {box}, "grey.pdf");
  ASSERT_TRUE(e.document);
  EXPECT_EQ(e.edit.kind, "Flate");
  EXPECT_EQ(FilterOf(*e.document), "FlateDecode");
  EXPECT_EQ(ChangedOutside(e.before, e.after, {box}), 0);
  EXPECT_GT(ChangedOutside(e.before, e.after, {}), 0);
  EXPECT_LE(MeanInside(*e.document, box), 20);
}

TEST(ImageEdit, OneBitImageStaysOneBitAndPaintsItsInk) {
  // 1 bit per pixel with /Decode [1 0]: a set bit is black; rows are padded to whole bytes.
  const int width = 21;
  const int height = 16;
  std::vector<uint8_t> bits(static_cast<size_t>((width + 7) / 8) * height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if ((x + y) % 5 == 0) bits[static_cast<size_t>(y) * 3 + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  const std::string pdf = test::ImagePdf("/Width 21 /Height 16 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                                         "/Decode [1 0] /Filter /FlateDecode",
                                         test::Deflated(bits));
  const PixelBox box{3, 2, 13, 9};
  Edited e = BlackOut(pdf, {box}, "bits.pdf");
  ASSERT_TRUE(e.document);
  EXPECT_EQ(ChangedOutside(e.before, e.after, {box}), 0);
  EXPECT_EQ(MeanInside(*e.document, box), 0);
  pdf_obj* image = pdf_load_object(e.document->ctx, e.document->doc, kImageObject);
  EXPECT_EQ(pdf_dict_get_int(e.document->ctx, image, PDF_NAME(BitsPerComponent)), 1);
  pdf_drop_obj(e.document->ctx, image);
}

std::vector<int> QuantTable(const std::vector<uint8_t>& jpeg) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
  jpeg_read_header(&cinfo, TRUE);
  std::vector<int> table;
  for (int t = 0; t < NUM_QUANT_TBLS; ++t)
    if (cinfo.quant_tbl_ptrs[t])
      for (int i = 0; i < DCTSIZE2; ++i) table.push_back(cinfo.quant_tbl_ptrs[t]->quantval[i]);
  jpeg_destroy_decompress(&cinfo);
  return table;
}

class JpegEdit : public testing::TestWithParam<int> {};

TEST_P(JpegEdit, StaysJpegAtItsQualityAndKeepsEveryOtherBlock) {
  const int components = GetParam();
  const GrayImage picture = test::Pattern(100, 60);
  const std::vector<uint8_t> jpeg = test::Jpeg(picture, components, 77);
  const std::string pdf = test::ImagePdf(std::string("/Width 100 /Height 60 /ColorSpace ") +
                                             (components == 1 ? "/DeviceGray" : "/DeviceRGB") +
                                             " /BitsPerComponent 8 /Filter /DCTDecode",
                                         jpeg);
  const PixelBox box{21, 19, 43, 30};
  Edited e = BlackOut(pdf, {box}, "picture-" + std::to_string(components) + ".pdf");
  ASSERT_TRUE(e.document);
  EXPECT_EQ(e.edit.kind, "JPEG");
  EXPECT_EQ(FilterOf(*e.document), "DCTDecode");
  const std::vector<uint8_t> written = test::RawStream(*e.document, kImageObject);
  EXPECT_EQ(QuantTable(written), QuantTable(jpeg));
  // Grey: 8 x 8 blocks; YCbCr 4:2:0: 16 x 16 blocks, whose upsampled colours reach one block further.
  const int block = components == 1 ? 8 : 16;
  ASSERT_EQ(e.edit.blacked.size(), 1u);
  const PixelBox& blacked = e.edit.blacked[0];
  EXPECT_EQ(blacked.x0, box.x0 / block * block);
  EXPECT_EQ(blacked.y1, (box.y1 + block - 1) / block * block);
  EXPECT_EQ(ChangedOutside(e.before, e.after, e.edit.changed), 0);
  if (components == 1) {
    EXPECT_EQ(ChangedOutside(e.before, e.after, e.edit.blacked), 0);
  }
  EXPECT_LE(MeanInside(*e.document, blacked), 40);

  // What is written on saving holds nothing of the old image's data.
  const std::string saved = test::TempPath("saved-" + std::to_string(components) + ".pdf");
  std::string error;
  ASSERT_TRUE(standin::pdf::SaveDocument(*e.document, saved, &error)) << error;
  std::ifstream in(saved, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.find(std::string(jpeg.end() - 200, jpeg.end() - 100)), std::string::npos);
  EXPECT_EQ(bytes.find(std::string(written.end() - 200, written.end() - 100)) != std::string::npos, true);
}

INSTANTIATE_TEST_SUITE_P(GreyAndColour, JpegEdit, testing::Values(1, 3));

TEST(ImageEdit, AJpegTheBlockEditorCannotReadIsWrittenFromItsDecodedPixels) {
  std::vector<uint8_t> jpeg = test::Jpeg(test::Pattern(40, 30), 1, 80);
  jpeg.resize(jpeg.size() / 3);  // cut inside the scan: MuPDF shows what is there, libjpeg stops
  const std::string pdf =
      test::ImagePdf("/Width 40 /Height 30 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /DCTDecode", jpeg);
  const PixelBox box{5, 5, 20, 15};
  Edited e = BlackOut(pdf, {box}, "damaged.pdf");
  ASSERT_TRUE(e.document);
  EXPECT_EQ(e.edit.kind, "Flate");
  EXPECT_EQ(FilterOf(*e.document), "FlateDecode");
  EXPECT_EQ(ChangedOutside(e.before, e.after, {box}), 0);
  EXPECT_LE(MeanInside(*e.document, box), 40);
}

TEST(ImageEdit, ChangedOutsideCountsPixelsAndRefusesOtherSizes) {
  ImagePixels a{4, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}};
  ImagePixels b = a;
  b.samples[0] = 9;  // (0, 0)
  b.samples[7] = 9;  // (3, 1)
  EXPECT_EQ(ChangedOutside(a, b, {}), 2);
  EXPECT_EQ(ChangedOutside(a, b, {{0, 0, 1, 1}}), 1);
  EXPECT_EQ(ChangedOutside(a, b, {{0, 0, 1, 1}, {3, 1, 9, 9}}), 0);
  b.width = 8;
  b.height = 1;
  EXPECT_EQ(ChangedOutside(a, b, {}), -1);
}

}  // namespace
}  // namespace scanned
