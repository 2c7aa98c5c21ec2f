// A document lets go of the objects it read and did not change: what is read again is what the
// file holds, and nothing changed, or held by a caller, is let go.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "PdfTestUtil.h"
#include "pdf/Document.h"
#include "pdf/ObjectCache.h"

namespace standin::pdf {
namespace {

std::string TempFile(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("vm_objcache_" + std::to_string(getpid()) + "_" + name)).string();
}

// Every object of the document read (and cached by the document).
void ReadAll(Document& document) {
  for (int num = 1; num < pdf_xref_len(document.ctx, document.doc); ++num)
    pdf_drop_obj(document.ctx, pdf_load_object(document.ctx, document.doc, num));
}

pdf_obj* Catalog(Document& document) {
  return pdf_dict_get(document.ctx, pdf_trailer(document.ctx, document.doc), PDF_NAME(Root));
}

bool Cached(Document& document, int num) { return pdf_get_xref_entry(document.ctx, document.doc, num)->obj != nullptr; }

// The object `num` as the file's own section holds it (null when not read, or let go).
pdf_obj* AsRead(Document& document, int num) {
  const pdf_xref& file = document.doc->xref_sections[document.doc->num_xref_sections - 1];
  for (const pdf_xref_subsec* sub = file.subsec; sub; sub = sub->next)
    if (num >= sub->start && num < sub->start + sub->len) return sub->table[num - sub->start].obj;
  return nullptr;
}

// A saved one-page file with three more objects: /Kind /X, /Y and /Z, each with a direct /Inner
// dictionary. Their numbers go to x, y, z.
std::string FileWithThreeObjects(int* x, int* y, int* z) {
  auto document = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (Hello) Tj ET"});
  fz_context* ctx = document->ctx;
  int* numbers[] = {x, y, z};
  const char* kinds[] = {"X", "Y", "Z"};
  pdf_obj* holder = pdf_dict_puts_dict(ctx, Catalog(*document), "VmObjects", 3);
  for (int i = 0; i < 3; ++i) {
    pdf_obj* object = pdf_add_new_dict(ctx, document->doc, 2);
    pdf_dict_put_name(ctx, object, PDF_NAME(Type), kinds[i]);
    pdf_obj* inner = pdf_dict_puts_dict(ctx, object, "Inner", 1);
    pdf_dict_puts(ctx, inner, "A", PDF_TRUE);
    pdf_dict_puts(ctx, holder, kinds[i], object);
    pdf_drop_obj(ctx, object);
  }
  const std::string path = TempFile("three.pdf");
  std::string error;
  EXPECT_TRUE(SaveDocument(*document, path, &error)) << error;
  // Renumbered by the save: read the numbers back.
  auto saved = OpenDocument(path, &error);
  pdf_obj* objects = pdf_dict_gets(saved->ctx, Catalog(*saved), "VmObjects");
  for (int i = 0; i < 3; ++i) *numbers[i] = pdf_to_num(saved->ctx, pdf_dict_gets(saved->ctx, objects, kinds[i]));
  return path;
}

// Reads every object, changes X, and holds Y's inner dictionary as a caller would (returned,
// kept); Z is left alone.
pdf_obj* ReadAllChangeXAndHoldY(Document& document, int x, int y) {
  fz_context* ctx = document.ctx;
  ReadAll(document);
  pdf_obj* objectX = pdf_load_object(ctx, document.doc, x);
  pdf_dict_puts(ctx, objectX, "Changed", PDF_TRUE);
  pdf_drop_obj(ctx, objectX);
  pdf_obj* objectY = pdf_load_object(ctx, document.doc, y);
  pdf_obj* innerY = pdf_keep_obj(ctx, pdf_dict_gets(ctx, objectY, "Inner"));
  pdf_drop_obj(ctx, objectY);
  return innerY;
}

TEST(PdfObjectCache, PagesReadAfterTheReleaseShowWhatTheyShowedBefore) {
  std::string error;
  auto document = OpenDocument(std::string(VM_TEST_DATA_DIR) + "/prose-cidfont.pdf", &error);
  ASSERT_TRUE(document) << error;
  std::vector<std::vector<testing::RefChar>> before;
  for (int p = 0; p < PageCount(*document); ++p) before.push_back(testing::MuPdfChars(*document, p));
  ReadAll(*document);
  EXPECT_GT(ReleaseUnchangedObjects(*document), 0);
  // The page tree stays: finding a page by its index reads the nodes before it.
  for (int p = 0; p < PageCount(*document); ++p)
    EXPECT_TRUE(Cached(*document, pdf_to_num(document->ctx, PageObjectAt(*document, p)))) << p;
  for (int p = 0; p < PageCount(*document); ++p) {
    const std::vector<testing::RefChar> after = testing::MuPdfChars(*document, p);
    ASSERT_EQ(after.size(), before[p].size()) << p;
    for (size_t i = 0; i < after.size(); ++i) {
      EXPECT_EQ(after[i].c, before[p][i].c);
      EXPECT_EQ(after[i].origin.x, before[p][i].origin.x);
      EXPECT_EQ(after[i].origin.y, before[p][i].origin.y);
    }
  }
}

// MuPDF finds a page by its index reading every page before it: the pages stay only once it has.
TEST(PdfObjectCache, PagesStayOnlyOnceMuPdfLooksPagesUp) {
  std::string error;
  auto document = OpenDocument(std::string(VM_TEST_DATA_DIR) + "/prose-cidfont.pdf", &error);
  ASSERT_TRUE(document) << error;
  const int count = PageCount(*document);
  ASSERT_GT(count, 1);
  auto pageCached = [&](int p) { return Cached(*document, pdf_to_num(document->ctx, PageObjectAt(*document, p))); };
  ReadAll(*document);
  ReleaseUnchangedObjects(*document);
  for (int p = 0; p < count; ++p) EXPECT_FALSE(pageCached(p)) << p;

  pdf_page* last = LoadPage(*document, count - 1);
  EXPECT_EQ(pdf_to_num(document->ctx, last->obj), pdf_to_num(document->ctx, PageObjectAt(*document, count - 1)));
  fz_drop_page(document->ctx, &last->super);
  ReleaseUnchangedObjects(*document);
  for (int p = 0; p < count; ++p) EXPECT_TRUE(pageCached(p)) << p;
}

// A document made in memory has no file to read an object again from: it keeps them all.
TEST(PdfObjectCache, ADocumentMadeInMemoryKeepsEverything) {
  auto document = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (Hello) Tj ET"});
  ReadAll(*document);
  EXPECT_EQ(ReleaseUnchangedObjects(*document), 0);
  EXPECT_FALSE(ReleaseUnchangedObject(document->ctx, document->doc, pdf_to_num(document->ctx, PageObjectAt(*document, 0))));
  EXPECT_EQ(testing::Narrow(testing::Utf16(testing::MuPdfChars(*document, 0))), "Hello");
}

// The three-object file opened, every object read, X changed and Y's inner dictionary held.
class PdfObjectCacheAfterChanges : public ::testing::Test {
 protected:
  void SetUp() override {
    path = FileWithThreeObjects(&x, &y, &z);
    document = OpenDocument(path, &error);
    ASSERT_TRUE(document) << error;
    ctx = document->ctx;
    innerY = ReadAllChangeXAndHoldY(*document, x, y);
  }
  void TearDown() override { std::remove(path.c_str()); }

  int x = 0, y = 0, z = 0;
  std::string path;
  std::string error;
  std::unique_ptr<Document> document;
  fz_context* ctx = nullptr;
  pdf_obj* innerY = nullptr;
};

// Changed objects go to the spool and read back as changed; a later change to one brings it back
// to the update section, and is saved.
TEST_F(PdfObjectCacheAfterChanges, ChangedObjectsGoToTheSpoolAndObjectsHeldWithinAreKept) {
  pdf_obj* page = PageObjectAt(*document, 0);
  const int pageNumber = pdf_to_num(ctx, page);
  pdf_dict_puts(ctx, page, "VmChanged", PDF_TRUE);
  ASSERT_NE(AsRead(*document, x), nullptr);
  ASSERT_NE(AsRead(*document, pageNumber), nullptr);

  EXPECT_GT(ReleaseUnchangedObjects(*document), 0);
  EXPECT_FALSE(Cached(*document, x));
  EXPECT_TRUE(Cached(*document, y));
  EXPECT_FALSE(Cached(*document, z));
  EXPECT_FALSE(Cached(*document, pageNumber));
  // MuPDF's copy of a changed object as read, left in the file's section, went too.
  EXPECT_EQ(AsRead(*document, x), nullptr);
  EXPECT_EQ(AsRead(*document, pageNumber), nullptr);
  EXPECT_TRUE(pdf_to_bool(ctx, pdf_dict_gets(ctx, PageObjectAt(*document, 0), "VmChanged")));
  pdf_obj* changed = pdf_load_object(ctx, document->doc, x);
  EXPECT_TRUE(pdf_to_bool(ctx, pdf_dict_gets(ctx, changed, "Changed")));
  pdf_dict_puts(ctx, changed, "Again", PDF_TRUE);
  pdf_drop_obj(ctx, changed);

  // A change made through the held dictionary reaches the document.
  pdf_dict_puts(ctx, innerY, "B", PDF_TRUE);
  pdf_drop_obj(ctx, innerY);
  ReleaseUnchangedObjects(*document);
  EXPECT_FALSE(Cached(*document, x));
  const std::string copy = TempFile("three-copy.pdf");
  ASSERT_TRUE(SaveDocument(*document, copy, &error)) << error;
  document.reset();

  auto reopened = OpenDocument(copy, &error);
  ASSERT_TRUE(reopened) << error;
  ctx = reopened->ctx;
  pdf_obj* objects = pdf_dict_gets(ctx, Catalog(*reopened), "VmObjects");
  EXPECT_TRUE(pdf_to_bool(ctx, pdf_dict_gets(ctx, pdf_dict_gets(ctx, objects, "X"), "Changed")));
  EXPECT_TRUE(pdf_to_bool(ctx, pdf_dict_gets(ctx, pdf_dict_gets(ctx, objects, "X"), "Again")));
  EXPECT_TRUE(pdf_to_bool(ctx, pdf_dict_gets(ctx, pdf_dict_gets(ctx, pdf_dict_gets(ctx, objects, "Y"), "Inner"), "B")));
  EXPECT_TRUE(pdf_to_bool(ctx, pdf_dict_gets(ctx, pdf_dict_gets(ctx, pdf_dict_gets(ctx, objects, "Z"), "Inner"), "A")));
  EXPECT_TRUE(pdf_to_bool(ctx, pdf_dict_gets(ctx, PageObjectAt(*reopened, 0), "VmChanged")));
  std::remove(copy.c_str());
}

// The one-object form, for walks that read each object once: the same objects stay.
TEST_F(PdfObjectCacheAfterChanges, OneObjectIsLetGoOnlyWhenNothingChangedOrHoldsIt) {
  const int page = pdf_to_num(ctx, PageObjectAt(*document, 0));

  EXPECT_FALSE(ReleaseUnchangedObject(ctx, document->doc, x));
  EXPECT_FALSE(ReleaseUnchangedObject(ctx, document->doc, y));
  EXPECT_TRUE(ReleaseUnchangedObject(ctx, document->doc, z));
  EXPECT_FALSE(ReleaseUnchangedObject(ctx, document->doc, z));  // already gone
  EXPECT_FALSE(ReleaseUnchangedObject(ctx, document->doc, pdf_xref_len(ctx, document->doc) + 5));
  // A page goes too: the walks that read each object once look no page up.
  EXPECT_TRUE(ReleaseUnchangedObject(ctx, document->doc, page));
  EXPECT_TRUE(Cached(*document, x));
  EXPECT_TRUE(Cached(*document, y));
  EXPECT_FALSE(Cached(*document, page));
  EXPECT_FALSE(Cached(*document, z));
  pdf_obj* objectZ = pdf_load_object(ctx, document->doc, z);  // read again from the file
  EXPECT_TRUE(pdf_to_bool(ctx, pdf_dict_gets(ctx, pdf_dict_gets(ctx, objectZ, "Inner"), "A")));
  pdf_drop_obj(ctx, objectZ);
  pdf_drop_obj(ctx, innerY);
}

// A document repaired when opened may hold objects the repair changed without recording it.
TEST(PdfObjectCache, ARepairedDocumentKeepsEverything) {
  int x = 0, y = 0, z = 0;
  const std::string path = FileWithThreeObjects(&x, &y, &z);
  std::string bytes;
  {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    bytes = all.str();
  }
  const size_t at = bytes.rfind("startxref");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, std::string::npos, "startxref\n999999\n%%EOF\n");
  const std::string broken = TempFile("broken.pdf");
  std::ofstream(broken, std::ios::binary) << bytes;

  std::string error;
  auto document = OpenDocument(broken, &error);
  ASSERT_TRUE(document) << error;
  ASSERT_TRUE(document->doc->repair_attempted);
  ReadAll(*document);
  EXPECT_EQ(ReleaseUnchangedObjects(*document), 0);
  EXPECT_TRUE(Cached(*document, z));
  std::remove(path.c_str());
  std::remove(broken.c_str());
}

}  // namespace
}  // namespace standin::pdf
