// Writing the kept objects renumbered, one at a time, gives the library's own bytes for the same
// options, on the copies the host writes and on files as they come; what it cannot write so, it
// refuses before writing anything.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "PdfTestUtil.h"
#include "pdf/Document.h"
#include "pdf/WriteInOrder.h"
#include "pdf/WriteRenumbered.h"

namespace standin::pdf {
namespace {

std::string TempFile(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("vm_renumbered_" + std::to_string(getpid()) + "_" + name)).string();
}


enum class Writer { kLibrary, kRenumbered };

struct Written {
  bool refused = false;
  std::string bytes;  // or what went wrong
};

// The file at `path` opened by the library and written by `writer`.
Written Write(const std::string& path, Writer writer, int* inMemoryAfter = nullptr) {
  Written result;
  fz_context* ctx = NewContext();
  pdf_document* doc = nullptr;
  fz_buffer* buffer = nullptr;
  fz_output* out = nullptr;
  fz_var(doc);
  fz_var(buffer);
  fz_var(out);
  fz_try(ctx) {
    doc = pdf_open_document(ctx, path.c_str());
    buffer = fz_new_buffer(ctx, 4096);
    out = fz_new_output_with_buffer(ctx, buffer);
    if (writer == Writer::kLibrary) {
      pdf_write_options options = pdf_default_write_options;
      options.do_garbage = 2;
      options.do_compress = 1;
      options.do_compress_images = 1;
      options.do_compress_fonts = 1;
      options.dont_regenerate_id = 1;
      pdf_write_document(ctx, doc, out, &options);
    } else {
      result.refused = !WriteRenumbered(ctx, doc, out);
    }
    fz_close_output(ctx, out);
    unsigned char* data = nullptr;
    const size_t length = fz_buffer_storage(ctx, buffer, &data);
    result.bytes.assign(reinterpret_cast<const char*>(data), length);
    if (inMemoryAfter) {
      *inMemoryAfter = 0;
      for (int num = 1; num < pdf_xref_len(ctx, doc); ++num)
        *inMemoryAfter += pdf_get_xref_entry_no_null(ctx, doc, num)->obj != nullptr;
    }
  }
  fz_always(ctx) {
    fz_drop_output(ctx, out);
    fz_drop_buffer(ctx, buffer);
    pdf_drop_document(ctx, doc);
  }
  fz_catch(ctx) { result.bytes = std::string("error: ") + fz_caught_message(ctx); }
  fz_drop_context(ctx);
  return result;
}

// The host's first copy of the file: every object as it stands, decrypted.
std::string FirstCopy(const std::string& path, const std::string& name) {
  std::string error;
  auto document = OpenDocument(path, &error);
  if (!document) return {};
  const std::string copy = TempFile(name);
  fz_context* ctx = document->ctx;
  fz_output* out = nullptr;
  bool written = false;
  fz_var(out);
  fz_var(written);
  fz_try(ctx) {
    out = fz_new_output_with_path(ctx, copy.c_str(), 0);
    written = WriteInOrder(ctx, document->doc, out);
    fz_close_output(ctx, out);
  }
  fz_always(ctx) { fz_drop_output(ctx, out); }
  fz_catch(ctx) { written = false; }
  if (!written) std::remove(copy.c_str());
  return written ? copy : std::string();
}

TEST(PdfWriteRenumbered, WritesTheLibrarysBytesForTheHostsCopies) {
  int copies = 0;
  for (const std::string& file : testing::AllTestDocuments()) {
    const std::string copy = FirstCopy(file, "first.pdf");
    if (copy.empty()) continue;  // a file the host does not open
    ++copies;
    const Written library = Write(copy, Writer::kLibrary);
    const Written renumbered = Write(copy, Writer::kRenumbered);
    std::remove(copy.c_str());
    EXPECT_FALSE(renumbered.refused) << file;
    EXPECT_GT(library.bytes.size(), 100u) << file << ": " << library.bytes.substr(0, 200);
    EXPECT_TRUE(library.bytes == renumbered.bytes) << file << ": " << renumbered.bytes.substr(0, 200);
  }
  EXPECT_GT(copies, 40);
}

// Files as producers wrote them hold object streams, lengths kept in objects of their own and
// references to nothing: what is written is the library's bytes, and what is refused is refused
// before anything is written.
TEST(PdfWriteRenumbered, WritesTheLibrarysBytesOrRefusesFilesAsTheyCome) {
  int written = 0;
  for (const std::string& file : testing::AllTestDocuments()) {
    const Written renumbered = Write(file, Writer::kRenumbered);
    if (renumbered.bytes.rfind("error: ", 0) == 0) continue;  // encrypted, damaged beyond reading
    if (renumbered.refused) {
      EXPECT_TRUE(renumbered.bytes.empty()) << file;
      continue;
    }
    ++written;
    EXPECT_TRUE(Write(file, Writer::kLibrary).bytes == renumbered.bytes) << file;
  }
  EXPECT_GT(written, 5);
}

TEST(PdfWriteRenumbered, HoldsNoObjectOnceWritten) {
  const std::string copy = FirstCopy(std::string(VM_TEST_DATA_DIR) + "/bench-200.pdf", "bench.pdf");
  ASSERT_FALSE(copy.empty());
  int inMemory = -1;
  const Written renumbered = Write(copy, Writer::kRenumbered, &inMemory);
  std::remove(copy.c_str());
  ASSERT_FALSE(renumbered.refused);
  // The page tree's inner nodes stay; the 200 pages' objects, some 800, are gone.
  EXPECT_LE(inMemory, 5);
}

}  // namespace
}  // namespace standin::pdf
