// PDF objects through the host functions: kinds, lookups, copies for undo, new dictionaries and
// streams, indirect objects, and who owns which handle.
#include <gtest/gtest.h>

#include "ObjectsTestSupport.h"
#include "objects/ObjectHandles.h"
#include "pdf/Document.h"
#include "pdf/Page.h"

namespace {

using namespace standin::objects::testing;

class ObjectsTest : public testing::Test {
 protected:
  void SetUp() override { standin::ResetHost(); }
  void TearDown() override {
    EXPECT_TRUE(standin::Tracker().Outstanding().empty());
    EXPECT_TRUE(standin::Tracker().Faults().empty());
    standin::ResetHost();
  }

  // Opens a document with these page contents; returns page 0's dictionary handle.
  HostHandle Open(const std::vector<std::string>& pages) {
    host_ = standin::OpenHostDocumentFromContent(pages);
    pdf_ = standin::PdfDocumentOf(host_);
    return PageDictionary(0);
  }
  HostHandle OpenFile(const std::string& name) {
    host_ = standin::OpenHostDocument(std::string(VM_TEST_DATA_DIR) + "/" + name, nullptr);
    pdf_ = standin::PdfDocumentOf(host_);
    return pdf_ ? PageDictionary(0) : nullptr;
  }
  HostHandle PageDictionary(int index) {
    return HOST(73, 22)(standin::pdf::GetPage(*pdf_, index));
  }

  // What the module does to put new content into a page: a new stream made indirect and set
  // as the page's Contents.
  void ReplaceContents(HostHandle page, const std::string& content) {
    HostHandle dictionary = HOST(67, 0)();
    HostHandle stream = HOST(68, 0)();
    HOST(68, 1)(stream, reinterpret_cast<const uint8_t*>(content.data()),
                static_cast<int32_t>(content.size()), dictionary);
    int32_t number = HOST(34, 42)(pdf_, stream);
    ASSERT_GT(number, 0);
    HOST(67, 23)(page, "Contents", pdf_, number);
  }
  // Puts a copy of a saved value back, as an undo does.
  void Restore(HostHandle page, const char* key, HostHandle saved, int32_t deep) {
    HostHandle copy = HOST(61, 3)(saved, deep);
    ASSERT_NE(copy, nullptr);
    int32_t number = HOST(34, 42)(pdf_, copy);
    ASSERT_GT(number, 0);
    HOST(67, 23)(page, key, pdf_, number);
  }

  HostHandle host_ = nullptr;
  standin::pdf::Document* pdf_ = nullptr;
};

TEST_F(ObjectsTest, KindsOfPageEntriesArrayElementsAndNoStream) {
  HostHandle page = Open({"BT /F1 12 Tf 72 700 Td (Hello) Tj ET"});
  ASSERT_NE(page, nullptr);
  struct Case { const char* key; int32_t kind; };
  for (Case c : {Case{"Contents", 7}, Case{"Resources", 6}, Case{"MediaBox", 5}, Case{"Type", 4}}) {
    HostHandle value = HOST(67, 2)(page, c.key);
    ASSERT_NE(value, nullptr) << c.key;
    EXPECT_EQ(HOST(61, 0)(value), c.kind) << c.key;
  }
  EXPECT_EQ(HOST(67, 2)(page, "NoSuchKey"), nullptr);
  HostHandle box = HOST(67, 2)(page, "MediaBox");
  EXPECT_EQ(HOST(66, 1)(box), 4);
  EXPECT_EQ(HOST(61, 0)(HOST(66, 3)(box, 3)), 2);
  EXPECT_EQ(HOST(66, 3)(box, 4), nullptr);
  EXPECT_EQ(HOST(66, 3)(box, -1), nullptr);
  EXPECT_EQ(HOST(61, 0)(nullptr), 0);
  EXPECT_EQ(HOST(66, 1)(nullptr), 0);

  HostHandle accessor = HOST(69, 0)();
  EXPECT_EQ(HOST(69, 2)(accessor, HOST(67, 2)(page, "Resources"), 0, 0, 0), 0);
  EXPECT_EQ(HOST(69, 5)(accessor), nullptr);
  EXPECT_EQ(HOST(69, 6)(accessor), 0u);
  HOST(69, 1)(accessor);
}

// A deep copy of a stream is a new object only its handle knows: released without having been
// given to the document, it leaves the document (undo copies of long documents add up) and its
// number is taken by the next copy, so that page after page of copies does not lengthen the
// document's tables; given, it stays; a shallow copy is the stream itself and stays.
TEST_F(ObjectsTest, AStreamCopyReleasedWithoutBeingGivenLeavesTheDocument) {
  HostHandle page = Open({"BT /F1 12 Tf 72 700 Td (Hello) Tj ET"});
  const std::string before = ContentsThroughHost(page);
  HostHandle contents = HOST(67, 2)(page, "Contents");
  fz_context* ctx = pdf_->ctx;
  auto isStream = [&](int number) { return pdf_obj_num_is_stream(ctx, pdf_->doc, number) != 0; };
  auto numberOf = [](HostHandle handle) { return static_cast<standin::objects::ObjectHandle*>(handle)->number; };

  HostHandle dropped = HOST(61, 3)(contents, 1);
  const int droppedNumber = numberOf(dropped);
  ASSERT_TRUE(isStream(droppedNumber));
  const int length = pdf_xref_len(ctx, pdf_->doc);
  HOST(61, 7)(dropped);
  EXPECT_FALSE(isStream(droppedNumber));

  for (int round = 0; round < 100; ++round) {
    HostHandle again = HOST(61, 3)(contents, 1);
    ASSERT_EQ(numberOf(again), droppedNumber) << round;
    HOST(61, 7)(again);
  }
  EXPECT_EQ(pdf_xref_len(ctx, pdf_->doc), length);

  const int given = HOST(34, 42)(pdf_, HOST(61, 3)(contents, 1));
  ASSERT_GT(given, 0);
  EXPECT_TRUE(isStream(given));
  HOST(67, 23)(page, "Contents", pdf_, given);
  EXPECT_EQ(ContentsThroughHost(page), before) << "a copy under a number given out again holds its own bytes";
  HostHandle next = HOST(61, 3)(HOST(67, 2)(page, "Contents"), 1);
  EXPECT_NE(numberOf(next), given) << "a copy the document refers to keeps its number";
  HOST(61, 7)(next);

  HOST(61, 7)(HOST(61, 3)(contents, 0));
  EXPECT_EQ(ContentsThroughHost(page), before);
}

TEST_F(ObjectsTest, LookedUpHandlesAreStableAndNotTheModulesToRelease) {
  HostHandle page = Open({"BT /F1 12 Tf 72 700 Td (Hello) Tj ET"});
  EXPECT_EQ(page, PageDictionary(0));
  HostHandle contents = HOST(67, 2)(page, "Contents");
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(HOST(67, 2)(page, "Contents"), contents);
  EXPECT_TRUE(standin::Tracker().Outstanding().empty());
  // Releasing a looked-up object is a fault the tracker records, not a crash.
  HOST(61, 7)(contents);
  EXPECT_EQ(standin::Tracker().Faults().size(), 1u);
  EXPECT_EQ(HOST(61, 0)(contents), 7);
  standin::Tracker().Reset();
}

// A walk through a long document lets go of the handles it was lent between pages: they are no
// longer live (a late use is refused, not a crash), looking up again lends new ones, and what
// the module owns stays.
TEST_F(ObjectsTest, BorrowedHandlesLetGoAreNoLongerLiveAndOwnedOnesStay) {
  using standin::objects::FromHost;
  HostHandle page = Open({"BT /F1 12 Tf 72 700 Td (Hello) Tj ET"});
  const std::string before = ContentsThroughHost(page);
  HostHandle contents = HOST(67, 2)(page, "Contents");
  HostHandle mediaBox = HOST(67, 2)(page, "MediaBox");
  HostHandle copy = HOST(61, 3)(contents, 1);
  ASSERT_TRUE(FromHost(mediaBox));
  ASSERT_TRUE(standin::objects::HasDirectObjectHandles(*pdf_));

  standin::objects::ReleaseBorrowedHandles(*pdf_);
  EXPECT_FALSE(FromHost(page));
  EXPECT_FALSE(FromHost(contents));
  EXPECT_FALSE(FromHost(mediaBox));
  EXPECT_FALSE(standin::objects::HasDirectObjectHandles(*pdf_));
  ASSERT_TRUE(FromHost(copy));

  HostHandle again = PageDictionary(0);
  ASSERT_TRUE(FromHost(again));
  EXPECT_EQ(ContentsThroughHost(again), before);
  HOST(61, 7)(copy);
}

TEST_F(ObjectsTest, StreamsReadBackDecodedWhateverTheirFilters) {
  // The sample's Contents is an array of three streams, the second one Flate-compressed; a
  // text object begins in the first and ends in the second.
  HostHandle page = OpenFile("contents-array.pdf");
  ASSERT_NE(page, nullptr);
  HostHandle contents = HOST(67, 2)(page, "Contents");
  ASSERT_EQ(HOST(61, 0)(contents), 5);
  ASSERT_EQ(HOST(66, 1)(contents), 3);
  const std::string text = ContentsThroughHost(page);
  EXPECT_EQ(text.rfind("q BT /F1 12 Tf 72 720 Td\n(Split stream lee@example.org end) Tj ET\nBT 72 690 Td ", 0), 0u)
      << text;
  EXPECT_NE(text.find("<C138> Tj"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 23), "( 031-222-3333) Tj ET Q") << text;
}

// Undo keeps deep copies of Contents, a single stream or an array of them, and a shallow one of
// Resources: a later edit in place of any stream the copy came from, or a font added to the
// resources, must not reach the copy.
TEST_F(ObjectsTest, UndoCopiesRestoreExactlyAndStayIndependentOfLaterEdits) {
  for (bool array : {false, true}) {
    standin::ResetHost();
    HostHandle page = array ? OpenFile("contents-array.pdf")
                            : Open({"BT /F1 12 Tf 72 700 Td (First part) Tj ET\n"
                                    "BT /F1 12 Tf 72 680 Td (Second part) Tj ET"});
    ASSERT_NE(page, nullptr);
    const std::string before = ContentsThroughHost(page);
    HostHandle contentsBefore = HOST(61, 3)(HOST(67, 2)(page, "Contents"), 1);
    HostHandle resourcesBefore = HOST(61, 3)(HOST(67, 2)(page, "Resources"), 0);
    ASSERT_EQ(HOST(61, 0)(contentsBefore), array ? kPdfObjectArray : kPdfObjectStream);
    ASSERT_EQ(HOST(61, 0)(resourcesBefore), 6);

    fz_context* ctx = pdf_->ctx;
    pdf_obj* page0 = pdf_lookup_page_obj(ctx, pdf_->doc, 0);
    pdf_obj* contents = pdf_dict_get(ctx, page0, PDF_NAME(Contents));
    for (int i = 0; i < (array ? pdf_array_len(ctx, contents) : 1); ++i) {
      fz_buffer* changed = fz_new_buffer_from_copied_data(ctx, reinterpret_cast<const unsigned char*>("0 g"), 3);
      pdf_update_stream(ctx, pdf_->doc, array ? pdf_array_get(ctx, contents, i) : contents, changed, 0);
      fz_drop_buffer(ctx, changed);
    }
    pdf_obj* fonts = pdf_dict_get(ctx, pdf_dict_get(ctx, page0, PDF_NAME(Resources)), PDF_NAME(Font));
    pdf_dict_puts_drop(ctx, fonts, "Added", pdf_new_name(ctx, "Helvetica"));
    ReplaceContents(page, "BT /F1 12 Tf 72 700 Td (Protected ******) Tj ET");
    ASSERT_NE(ContentsThroughHost(page), before);

    for (int round = 0; round < 3; ++round) {  // undo, redo and undo again
      Restore(page, "Contents", contentsBefore, 1);
      Restore(page, "Resources", resourcesBefore, 0);
      EXPECT_EQ(ContentsThroughHost(page), before) << round;
      HostHandle restoredFonts = HOST(67, 2)(HOST(67, 2)(page, "Resources"), "Font");
      EXPECT_EQ(HOST(67, 2)(restoredFonts, "Added"), nullptr) << "the Resources copy shares a later edit";
      EXPECT_NE(HOST(67, 2)(restoredFonts, "F1"), nullptr);
      ReplaceContents(page, "0 g");
    }
    HOST(61, 7)(contentsBefore);
    HOST(61, 7)(resourcesBefore);
  }
}

TEST_F(ObjectsTest, ReferencesToMissingObjectsOrOtherDocumentsAreRefused) {
  HostHandle page = Open({"0 0 m"});
  HostHandle contents = HOST(67, 2)(page, "Contents");
  HOST(67, 23)(page, "Contents", pdf_, 1000000);
  EXPECT_EQ(HOST(67, 2)(page, "Contents"), contents);
  int stranger = 0;
  HOST(67, 23)(page, "Contents", &stranger, 1);
  EXPECT_EQ(HOST(67, 2)(page, "Contents"), contents);
  EXPECT_EQ(HOST(34, 42)(&stranger, HOST(67, 2)(page, "MediaBox")), 0);
}

}  // namespace
