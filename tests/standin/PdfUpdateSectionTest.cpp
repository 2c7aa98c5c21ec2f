// What an edit changed lives in MuPDF's update section until it goes to the spool; spooled, its
// entry moves into the file's section, and the update section is renewed so that it takes memory
// only for what was written since. Nothing of this may change what is read or saved.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "PdfTestUtil.h"
#include "RawPdf.h"
#include "pdf/Document.h"
#include "pdf/LargeBlocks.h"
#include "pdf/ObjectCache.h"
#include "pdf/UpdateSection.h"

namespace standin::pdf {
namespace {

std::string TempFile(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("vm_update_" + std::to_string(getpid()) + "_" + name)).string();
}

std::string Saved(Document& document, const std::string& name) {
  const std::string path = TempFile(name);
  std::string error;
  EXPECT_TRUE(SaveDocument(document, path, &error)) << error;
  const std::string bytes = checker::ReadFile(path);
  std::remove(path.c_str());
  return bytes;
}

// The section MuPDF finds object `num` in first.
int SectionOf(Document& document, int num) {
  for (int s = 0; s < document.doc->num_xref_sections; ++s) {
    const pdf_xref& section = document.doc->xref_sections[s];
    if (num >= section.num_objects) continue;
    for (const pdf_xref_subsec* sub = section.subsec; sub; sub = sub->next)
      if (num >= sub->start && num < sub->start + sub->len && sub->table[num - sub->start].type) return s;
  }
  return -1;
}

// Edits every page (every third character removed) and saves twice: after the first half of the
// pages and at the end, each time with an object made and deleted just before (a number no
// section defines). With `spool`, what may go goes to the spool after every page.
std::pair<std::string, std::string> EditAndSaveTwice(const std::string& source, bool spool) {
  std::string error;
  auto document = OpenDocument(source, &error);
  EXPECT_TRUE(document) << error;
  if (!document) return {};
  document->spoolNewContent = spool;
  const int pages = PageCount(*document);
  auto edit = [&](int from, int to) {
    for (int p = from; p < to; ++p) {
      testing::ExpectRemovalMovesNothingElse(*document, p);
      if (spool) ReleaseUnchangedObjects(*document);
    }
    fz_context* ctx = document->ctx;
    pdf_delete_object(ctx, document->doc, pdf_create_object(ctx, document->doc));
    return Saved(*document, "half.pdf");
  };
  std::pair<std::string, std::string> saved;
  saved.first = edit(0, pages / 2);
  saved.second = edit(pages / 2, pages);
  return saved;
}

TEST(PdfUpdateSection, SavesWithEntriesMovedAndSetAsideWriteWhatTheDocumentInMemoryWrites) {
  for (const char* name : {"prose-libreoffice.pdf", "prose-cidfont.pdf", "rotated-pages.pdf", "form-twice.pdf",
                           "contents-array.pdf"}) {
    const std::string source = std::string(VM_TEST_DATA_DIR) + "/" + name;
    const auto moved = EditAndSaveTwice(source, true);
    const auto inMemory = EditAndSaveTwice(source, false);
    ASSERT_FALSE(moved.first.empty()) << name;
    EXPECT_TRUE(moved.first == inMemory.first) << name << ": the save in the middle";
    EXPECT_TRUE(moved.second == inMemory.second) << name << ": the last save";
  }
}

TEST(PdfUpdateSection, AMovedObjectChangedAgainGoesBackToTheUpdateSectionAndIsSaved) {
  std::string error;
  auto document = OpenDocument(std::string(VM_TEST_DATA_DIR) + "/prose-libreoffice.pdf", &error);
  ASSERT_TRUE(document) << error;
  fz_context* ctx = document->ctx;
  testing::ExpectRemovalMovesNothingElse(*document, 0);
  // The page's new content stream: made by the edit, spooled whole.
  const int content = pdf_to_num(ctx, pdf_dict_get(ctx, PageObjectAt(*document, 0), PDF_NAME(Contents)));
  ASSERT_EQ(SectionOf(*document, content), 0);
  ReleaseUnchangedObjects(*document);
  EXPECT_EQ(SectionOf(*document, content), 1) << "spooled, the new stream moves to the file's section";

  pdf_obj* dict = pdf_load_object(ctx, document->doc, content);
  pdf_dict_puts_drop(ctx, dict, "VmChangedAgain", pdf_new_int(ctx, 7));
  pdf_drop_obj(ctx, dict);
  EXPECT_EQ(SectionOf(*document, content), 0);
  ReleaseUnchangedObjects(*document);
  EXPECT_EQ(SectionOf(*document, content), 0) << "its dictionary no longer the one before its data in the spool";
  // The page dictionary changed by the edit stays in memory (MuPDF has looked pages up): in the
  // update section, before the save and after it, where a later release leaves it alone.
  const int page = pdf_to_num(ctx, PageObjectAt(*document, 0));
  EXPECT_EQ(SectionOf(*document, page), 0);
  const std::string saved = Saved(*document, "again.pdf");
  EXPECT_NE(saved.find("/VmChangedAgain 7"), std::string::npos);
  EXPECT_EQ(SectionOf(*document, page), 0) << "the save puts the update section back as it was";
  EXPECT_EQ(SectionOf(*document, content), 0);
}

// A document with more objects than fit a small table: the update section's table is large enough
// to be mapped, and only the entries written or read since the last release take memory.
TEST(PdfUpdateSection, TheUpdateTableTakesMemoryOnlyForWhatWasWrittenSince) {
  const std::string path = TempFile("many.pdf");
  {
    auto made = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (Call 010-1234-5678 today) Tj ET",
                                     "BT /F1 12 Tf 72 700 Td (Mail kim@example.org now) Tj ET"});
    fz_context* ctx = made->ctx;
    pdf_obj* many = pdf_new_array(ctx, made->doc, 20000);
    for (int i = 0; i < 20000; ++i) pdf_array_push_drop(ctx, many, pdf_add_object_drop(ctx, made->doc, pdf_new_int(ctx, i)));
    pdf_dict_puts_drop(ctx, pdf_dict_get(ctx, pdf_trailer(ctx, made->doc), PDF_NAME(Root)), "VmMany", many);
    std::string error;
    ASSERT_TRUE(SaveDocument(*made, path, &error)) << error;
  }
  std::string error;
  auto document = OpenDocument(path, &error);
  std::remove(path.c_str());
  ASSERT_TRUE(document) << error;
  fz_context* ctx = document->ctx;
  auto written = [&] {
    int n = 0;
    for (bool w : WrittenUpdateEntries(document->doc)) n += w;
    return n;
  };
  testing::ExpectRemovalMovesNothingElse(*document, 0);
  ReleaseUnchangedObjects(*document);
  const int length = pdf_xref_len(ctx, document->doc);
  ASSERT_GT(length, 20000);
  if (MappedLargeBlockBytes() == 0) GTEST_SKIP() << "large blocks are not mapped in this build";
  EXPECT_LT(written(), length / 4) << "after a release";

  // A walk reads every object's entry; the next release renews the table.
  for (int num = 1; num < length; ++num) pdf_drop_obj(ctx, pdf_load_object(ctx, document->doc, num));
  EXPECT_GT(written(), length / 2);
  testing::ExpectRemovalMovesNothingElse(*document, 1);
  ReleaseUnchangedObjects(*document);
  EXPECT_LT(written(), length / 4) << "after the walk and a release";
  EXPECT_FALSE(testing::MuPdfChars(*document, 0).empty());
  const std::string saved = Saved(*document, "many-out.pdf");
  EXPECT_NE(saved.find("/VmMany"), std::string::npos);
}

}  // namespace
}  // namespace standin::pdf
