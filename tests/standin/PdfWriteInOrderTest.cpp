// Writing a document object by object gives the library's own bytes for the same options, and
// lets go of what it read only for the writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "PdfTestUtil.h"
#include "pdf/Document.h"
#include "pdf/WriteInOrder.h"

namespace standin::pdf {
namespace {

enum class Writer { kLibrary, kInOrder };

// The document at `path` as `writer` writes it (after removing characters from every page with
// `edit`), or what went wrong.
std::string Written(const std::string& path, Writer writer, bool edit = false, bool spool = false) {
  std::string error;
  auto document = OpenDocument(path, &error);
  if (!document) return "cannot open: " + error;
  document->spoolNewContent = spool;
  if (edit)
    for (int p = 0; p < PageCount(*document); ++p) testing::ExpectRemovalMovesNothingElse(*document, p);
  fz_context* ctx = document->ctx;
  fz_buffer* buffer = fz_new_buffer(ctx, 4096);
  fz_output* out = nullptr;
  std::string result;
  fz_var(out);
  fz_try(ctx) {
    out = fz_new_output_with_buffer(ctx, buffer);
    if (writer == Writer::kLibrary) {
      pdf_write_options options = pdf_default_write_options;
      options.do_encrypt = PDF_ENCRYPT_NONE;
      options.dont_regenerate_id = 1;
      pdf_write_document(ctx, document->doc, out, &options);
    } else if (!WriteInOrder(ctx, document->doc, out)) {
      fz_throw(ctx, FZ_ERROR_GENERIC, "not written");
    }
    fz_close_output(ctx, out);
    unsigned char* data = nullptr;
    const size_t length = fz_buffer_storage(ctx, buffer, &data);
    result.assign(reinterpret_cast<const char*>(data), length);
  }
  fz_always(ctx) {
    fz_drop_output(ctx, out);
    fz_drop_buffer(ctx, buffer);
  }
  fz_catch(ctx) { result = std::string("error: ") + fz_caught_message(ctx); }
  return result;
}

std::string Data(const std::string& name) { return std::string(VM_TEST_DATA_DIR) + "/" + name; }

TEST(PdfWriteInOrder, WritesTheLibrarysBytesForEveryTestDocument) {
  const std::vector<std::string> files = testing::AllTestDocuments();
  ASSERT_GT(files.size(), 40u);
  for (const std::string& file : files) {
    const std::string library = Written(file, Writer::kLibrary);
    const std::string inOrder = Written(file, Writer::kInOrder);
    EXPECT_GT(library.size(), 100u) << file << ": " << library.substr(0, 200);
    EXPECT_TRUE(library == inOrder) << file << ": " << inOrder.substr(0, 200);
  }
}

// Changed objects live in the document's update section; new content streams are in memory or
// in the temporary spool file.
TEST(PdfWriteInOrder, WritesTheLibrarysBytesForEditedDocuments) {
  for (const char* name : {"prose-cidfont.pdf", "prose-libreoffice.pdf", "form-twice.pdf", "rotated-pages.pdf",
                           "contents-array.pdf", "hostile/encrypted-aes-128.pdf"}) {
    for (bool spool : {false, true}) {
      const std::string library = Written(Data(name), Writer::kLibrary, true, spool);
      const std::string inOrder = Written(Data(name), Writer::kInOrder, true, spool);
      EXPECT_GT(library.size(), 100u) << name << ": " << library.substr(0, 200);
      EXPECT_TRUE(library == inOrder) << name << (spool ? " spooled" : "");
    }
  }
}

TEST(PdfWriteInOrder, LetsGoOfWhatItReadAndKeepsWhatWasInMemory) {
  std::string error;
  auto document = OpenDocument(Data("prose-libreoffice.pdf"), &error);
  ASSERT_TRUE(document) << error;
  fz_context* ctx = document->ctx;
  pdf_document* doc = document->doc;
  pdf_obj* contents = pdf_dict_get(ctx, PageObjectAt(*document, 0), PDF_NAME(Contents));
  const int held = pdf_to_num(ctx, contents);
  pdf_obj* heldObject = pdf_resolve_indirect(ctx, contents);  // borrowed, as a caller may hold it
  ASSERT_TRUE(heldObject);
  std::vector<int> notRead;
  for (int num = 1; num < pdf_xref_len(ctx, doc); ++num)
    if (pdf_get_xref_entry_no_null(ctx, doc, num)->type == 'n' && !pdf_get_xref_entry_no_null(ctx, doc, num)->obj)
      notRead.push_back(num);
  ASSERT_GT(notRead.size(), 5u);

  fz_buffer* buffer = fz_new_buffer(ctx, 4096);
  fz_output* out = fz_new_output_with_buffer(ctx, buffer);
  ASSERT_TRUE(WriteInOrder(ctx, doc, out));
  fz_close_output(ctx, out);
  fz_drop_output(ctx, out);
  fz_drop_buffer(ctx, buffer);

  EXPECT_EQ(pdf_get_xref_entry_no_null(ctx, doc, held)->obj, heldObject);
  for (int num : notRead) EXPECT_FALSE(pdf_get_xref_entry_no_null(ctx, doc, num)->obj) << num;
  // What was let go reads again.
  EXPECT_FALSE(testing::MuPdfChars(*document, 0).empty());
}

}  // namespace
}  // namespace standin::pdf
