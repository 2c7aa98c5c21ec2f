// Frame annotations: added to a page with a rectangle, given an appearance through their
// dictionary, removed through the page view.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "ObjectsTestSupport.h"
#include "RawPdf.h"
#include "pdf/Document.h"

namespace {

class ObjectsAnnotationTest : public testing::Test {
 protected:
  void SetUp() override {
    standin::ResetHost();
    host_ = standin::OpenHostDocumentFromContent({"0 0 m", "0 0 m"});
    pdf_ = standin::PdfDocumentOf(host_);
  }
  void TearDown() override {
    EXPECT_TRUE(standin::Tracker().Outstanding().empty());
    standin::ResetHost();
  }
  pdf_obj* Annots(int page) {
    return pdf_dict_get(pdf_->ctx, pdf_lookup_page_obj(pdf_->ctx, pdf_->doc, page), PDF_NAME(Annots));
  }
  HostHandle PageView(int page) { return HOST(31, 2)(HOST(26, 24)(host_), page); }
  // The appearance, built the way the module builds it; the stream's object number.
  int32_t SetAppearance(HostHandle dictionary, const std::string& body, HostBox bbox) {
    HostHandle s = HOST(67, 0)();
    HOST(67, 19)(s, "Type", "XObject");
    HOST(67, 19)(s, "Subtype", "Form");
    HOST(67, 27)(s, "BBox", bbox);
    HostHandle st = HOST(68, 0)();
    HOST(68, 1)(st, reinterpret_cast<const uint8_t*>(body.data()), static_cast<int32_t>(body.size()), s);
    int32_t n = HOST(34, 42)(pdf_, st);
    HostHandle ap = HOST(67, 0)();
    HOST(67, 23)(ap, "N", pdf_, n);
    HOST(67, 18)(dictionary, "AP", ap, pdf_);
    return n;
  }

  HostHandle host_ = nullptr;
  standin::pdf::Document* pdf_ = nullptr;
};

TEST_F(ObjectsAnnotationTest, SquareWithAppearanceIsOnThePageUntilRemoved) {
  // A rectangle given with its corners swapped is stored normalized.
  HostHandle a = HOST(26, 130)(host_, 1, "Square", HostBox{172, 712, 72, 700});
  ASSERT_NE(a, nullptr);
  HostHandle o = HOST(173, 0)(a);
  HostHandle d = HOST(52, 2)(o);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(HOST(61, 0)(HOST(67, 2)(d, "Subtype")), 4);

  const std::string body = "0.20 0.45 0.95 RG 1.2 w 0.6 0.6 98.80 10.80 re S";
  const int32_t n = SetAppearance(d, body, HostBox{0, 0, 100, 12});

  fz_context* ctx = pdf_->ctx;
  ASSERT_EQ(pdf_array_len(ctx, Annots(1)), 1);
  EXPECT_EQ(pdf_array_len(ctx, Annots(0)), 0);
  pdf_obj* annot = pdf_array_get(ctx, Annots(1), 0);
  EXPECT_TRUE(pdf_name_eq(ctx, pdf_dict_get(ctx, annot, PDF_NAME(Subtype)), PDF_NAME(Square)));
  fz_rect rect = pdf_dict_get_rect(ctx, annot, PDF_NAME(Rect));
  EXPECT_FLOAT_EQ(rect.x0, 72);
  EXPECT_FLOAT_EQ(rect.y0, 700);
  EXPECT_FLOAT_EQ(rect.x1, 172);
  EXPECT_FLOAT_EQ(rect.y1, 712);
  pdf_obj* normal = pdf_dict_getp(ctx, annot, "AP/N");
  ASSERT_TRUE(pdf_is_stream(ctx, normal));
  EXPECT_EQ(pdf_to_num(ctx, normal), n);
  fz_buffer* data = pdf_load_stream(ctx, normal);
  unsigned char* bytes = nullptr;
  size_t length = fz_buffer_storage(ctx, data, &bytes);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), length), body);
  fz_drop_buffer(ctx, data);
  fz_rect bbox = pdf_dict_get_rect(ctx, normal, PDF_NAME(BBox));
  EXPECT_FLOAT_EQ(bbox.x1, 100);
  EXPECT_FLOAT_EQ(bbox.y1, 12);

  // Removal goes through the annotation's own page view only, takes just that frame, and may be
  // repeated.
  HostHandle middle = HOST(26, 130)(host_, 1, "Square", HostBox{10, 0, 50, 10});
  HOST(26, 130)(host_, 1, "Square", HostBox{10, 200, 50, 210});
  HOST(32, 18)(PageView(0), middle);
  EXPECT_EQ(pdf_array_len(ctx, Annots(1)), 3);
  HOST(32, 18)(PageView(1), middle);
  ASSERT_EQ(pdf_array_len(ctx, Annots(1)), 2);
  EXPECT_EQ(HOST(173, 0)(middle), nullptr);
  EXPECT_FLOAT_EQ(pdf_dict_get_rect(ctx, pdf_array_get(ctx, Annots(1), 0), PDF_NAME(Rect)).y0, 700);
  EXPECT_FLOAT_EQ(pdf_dict_get_rect(ctx, pdf_array_get(ctx, Annots(1), 1), PDF_NAME(Rect)).y0, 200);
  HOST(32, 18)(PageView(1), a);
  HOST(32, 18)(PageView(1), a);
  HOST(32, 18)(PageView(1), nullptr);
  ASSERT_EQ(pdf_array_len(ctx, Annots(1)), 1);
  EXPECT_EQ(HOST(173, 0)(a), nullptr);

  EXPECT_EQ(HOST(26, 130)(host_, 2, "Square", HostBox{0, 0, 1, 1}), nullptr);
  EXPECT_EQ(HOST(26, 130)(nullptr, 0, "Square", HostBox{0, 0, 1, 1}), nullptr);
}

// A frame still on its page is saved with its appearance; a removed one leaves no trace in the
// saved file, neither the annotation nor its appearance stream.
TEST_F(ObjectsAnnotationTest, FramesAreSavedWhileOnThePageAndGoneAfterRemoval) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("vm-frames-" + std::to_string(getpid()));
  fs::create_directories(dir);
  auto save = [&](const char* name) {
    std::string path = (dir / name).string(), error;
    EXPECT_TRUE(standin::SaveHostDocument(host_, path, &error)) << error;
    return path;
  };
  HostHandle kept = HOST(26, 130)(host_, 0, "Square", HostBox{72, 700, 172, 712});
  HostHandle gone = HOST(26, 130)(host_, 1, "Square", HostBox{72, 600, 133, 630});
  SetAppearance(HOST(52, 2)(HOST(173, 0)(kept)), "0.20 0.45 0.95 RG 1.2 w 0.6 0.6 98.80 10.80 re S",
                HostBox{0, 0, 100, 12});
  SetAppearance(HOST(52, 2)(HOST(173, 0)(gone)), "0.20 0.45 0.95 RG 1.2 w 0.6 0.6 59.80 28.80 re S",
                HostBox{0, 0, 61, 30});
  const std::string both = save("both.pdf");
  EXPECT_TRUE(checker::RawFileContains(both, "59.80 28.80 re S"));

  HOST(32, 18)(PageView(1), gone);
  const std::string one = save("one.pdf");
  EXPECT_TRUE(checker::RawFileContains(one, "98.80 10.80 re S"));
  EXPECT_FALSE(checker::RawFileContains(one, "59.80 28.80 re S"));
  int squares = 0;
  for (const checker::RawObject& object : checker::ReadRawObjects(checker::ReadFile(one)))
    squares += object.dictionary.find("/Square") != std::string::npos;
  EXPECT_EQ(squares, 1);
  fs::remove_all(dir);
}

}  // namespace
