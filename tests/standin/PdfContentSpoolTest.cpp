// A document opened from a file keeps the content streams it makes in a temporary file: they read
// back, draw and save as they would from memory, and the file as the library sees it still ends
// where it ended.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "PdfTestUtil.h"
#include "RawPdf.h"
#include "pdf/Document.h"
#include "pdf/ObjectCache.h"
#include "pdf/Page.h"

namespace standin::pdf {
namespace {

std::string TempFile(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("vm_spool_" + std::to_string(getpid()) + "_" + name)).string();
}

pdf_xref_entry* ContentsEntry(Document& document, int p) {
  pdf_obj* contents = pdf_dict_get(document.ctx, PageObjectAt(document, p), PDF_NAME(Contents));
  return pdf_get_xref_entry_no_null(document.ctx, document.doc, pdf_to_num(document.ctx, contents));
}

// How many changed or new objects are held in memory.
int ChangedInMemory(Document& document) {
  int held = 0;
  for (pdf_xref_subsec* sub = document.doc->xref_sections[0].subsec; sub; sub = sub->next)
    for (int i = 0; i < sub->len; ++i) held += sub->table[i].obj != nullptr;
  return held;
}

// Removes every third character of every page, checking each page as it goes, and saves. With
// `release`, what may be let go is let go after every page, changed objects to the spool.
std::string EditEveryPageAndSave(const std::string& source, bool spool, const std::string& name, bool release = false) {
  std::string error;
  auto document = OpenDocument(source, &error);
  EXPECT_TRUE(document) << error;
  if (!document) return {};
  document->spoolNewContent = spool;
  for (int p = 0; p < PageCount(*document); ++p) {
    EXPECT_GT(testing::ExpectRemovalMovesNothingElse(*document, p), 0u) << p;
    pdf_xref_entry* entry = ContentsEntry(*document, p);
    EXPECT_EQ(entry->stm_buf == nullptr, spool) << p;
    if (release) ReleaseUnchangedObjects(*document);
  }
  if (release) {
    // The pages' changes went to the spool, and read back; what stays is what the last page's
    // model holds and the fonts added for the new text.
    EXPECT_LE(ChangedInMemory(*document), 2) << source;
    for (int p = 0; p < PageCount(*document); ++p) EXPECT_FALSE(testing::MuPdfChars(*document, p).empty());
  }
  if (spool) {
    // The library finds the file's end (and a repair stops) where the original ends.
    fz_seek(document->ctx, document->doc->file, 0, SEEK_END);
    EXPECT_EQ(fz_tell(document->ctx, document->doc->file), static_cast<int64_t>(std::filesystem::file_size(source)));
  }
  const std::string path = TempFile(name);
  EXPECT_TRUE(SaveDocument(*document, path, &error)) << error;
  const std::string bytes = checker::ReadFile(path);
  std::remove(path.c_str());
  return bytes;
}

TEST(PdfContentSpool, SpooledContentReadsBackAndSavesAsContentInMemory) {
  for (const char* name : {"prose-cidfont.pdf", "prose-libreoffice.pdf", "prose-cairo.pdf", "rotated-pages.pdf"}) {
    const std::string source = std::string(VM_TEST_DATA_DIR) + "/" + name;
    const std::string spooled = EditEveryPageAndSave(source, true, "spooled.pdf");
    const std::string inMemory = EditEveryPageAndSave(source, false, "memory.pdf");
    ASSERT_FALSE(spooled.empty()) << name;
    EXPECT_TRUE(spooled == inMemory) << name;
  }
}

// Changed and new objects written to the spool and read back save as they would from memory.
TEST(PdfContentSpool, ChangedObjectsSpooledAndReadBackSaveAsInMemory) {
  for (const char* name : {"prose-cidfont.pdf", "prose-libreoffice.pdf", "rotated-pages.pdf", "contents-array.pdf",
                           "form-twice.pdf", "tj-kerning.pdf"}) {
    const std::string source = std::string(VM_TEST_DATA_DIR) + "/" + name;
    const std::string released = EditEveryPageAndSave(source, true, "released.pdf", true);
    const std::string inMemory = EditEveryPageAndSave(source, false, "memory.pdf");
    ASSERT_FALSE(released.empty()) << name;
    EXPECT_TRUE(released == inMemory) << name;
  }
}

TEST(PdfContentSpool, EncryptedAndInMemoryDocumentsKeepNewContentInMemory) {
  std::string error;
  auto encrypted = OpenDocument(std::string(VM_TEST_DATA_DIR) + "/hostile/encrypted-aes-128.pdf", &error);
  ASSERT_TRUE(encrypted) << error;
  auto made = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (Hello 1234) Tj ET"});
  for (Document* document : {encrypted.get(), made.get()}) {
    EXPECT_GT(testing::ExpectRemovalMovesNothingElse(*document, 0), 0u);
    EXPECT_NE(ContentsEntry(*document, 0)->stm_buf, nullptr);
    EXPECT_EQ(document->spool, nullptr);
  }
}

}  // namespace
}  // namespace standin::pdf
