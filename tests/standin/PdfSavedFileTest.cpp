// After removal and regeneration, a full rewrite with garbage collection leaves nothing of the
// removed text in the file: every stream of the raw file is decoded and searched.
#include <gtest/gtest.h>

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "PdfTestUtil.h"
#include "pdf/Page.h"
#include "pdf/TextEdits.h"

namespace standin::pdf {
namespace {

std::string Inflate(const std::string& data) {
  std::string out(data.size() * 8 + 1024, '\0');
  for (int attempt = 0; attempt < 6; ++attempt) {
    uLongf length = out.size();
    int rc = uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                        reinterpret_cast<const Bytef*>(data.data()), data.size());
    if (rc == Z_OK) return out.substr(0, length);
    if (rc != Z_BUF_ERROR) return data;  // not deflated: the bytes as they are
    out.resize(out.size() * 4);
  }
  return data;
}

// The data of every stream in the file's bytes, decoded where deflated, referenced or not.
std::vector<std::string> RawStreams(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> streams;
  size_t at = 0;
  while ((at = file.find("stream", at)) != std::string::npos) {
    if (at >= 3 && file.compare(at - 3, 3, "end") == 0) {
      at += 6;
      continue;
    }
    size_t start = at + 6;
    if (start < file.size() && file[start] == '\r') ++start;
    if (start < file.size() && file[start] == '\n') ++start;
    size_t end = file.find("endstream", start);
    if (end == std::string::npos) break;
    streams.push_back(Inflate(file.substr(start, end - start)));
    at = end + 9;
  }
  streams.push_back(file);  // and everything outside streams
  return streams;
}

TEST(PdfSavedFile, RemovedTextIsGoneFromEveryStream) {
  auto document = DocumentFromContent({"BT /F1 12 Tf 72 700 Td (Secret 1234567 end) Tj ET"});
  Page* page = GetPage(*document, 0);
  PageObject* text = page->First();
  std::vector<int32_t> codes;
  std::vector<float> adjustments;
  for (const char* c = "Secret "; *c; ++c) {
    codes.push_back(*c);
    adjustments.push_back(0);
  }
  PageObject* clone = page->Adopt(CloneObject(*text));
  SetCharacters(*clone, static_cast<int>(codes.size()), codes.data(), adjustments.data());
  page->InsertBefore(text, clone);
  page->Remove(text);
  ASSERT_TRUE(page->Regenerate());

  std::string path = (std::filesystem::temp_directory_path() / "vm_pdf_saved.pdf").string();
  pdf_write_options options;
  pdf_parse_write_options(document->ctx, &options, "garbage=compact,compress");
  bool saved = true;
  fz_try(document->ctx) { pdf_save_document(document->ctx, document->doc, path.c_str(), &options); }
  fz_catch(document->ctx) { saved = false; }
  ASSERT_TRUE(saved);

  int contentStreams = 0;
  for (const std::string& data : RawStreams(path)) {
    EXPECT_EQ(data.find("1234567"), std::string::npos);
    if (data.find("Secret") != std::string::npos) ++contentStreams;
  }
  EXPECT_EQ(contentStreams, 1);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace standin::pdf
