#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "pdf/Document.h"
#include "pdf/Page.h"

namespace standin::pdf {
namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("vm_pdfdoc_" + name)).string();
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

bool SaveRaw(Document& document, const std::string& path, const char* options) {
  pdf_write_options opts;
  pdf_parse_write_options(document.ctx, &opts, options);
  bool ok = true;
  fz_try(document.ctx) { pdf_save_document(document.ctx, document.doc, path.c_str(), &opts); }
  fz_catch(document.ctx) { ok = false; }
  return ok;
}

struct BadFile {
  const char* name;
  const char* content;  // null: the file does not exist
  const char* expected;
};

class PdfDocumentErrors : public ::testing::TestWithParam<BadFile> {};

TEST_P(PdfDocumentErrors, ReportsWhyItCannotOpen) {
  const BadFile& bad = GetParam();
  std::string path = TempPath(bad.name);
  std::remove(path.c_str());
  if (bad.content) WriteFile(path, bad.content);
  std::string error;
  EXPECT_EQ(OpenDocument(path, &error), nullptr);
  EXPECT_NE(error.find(bad.expected), std::string::npos) << error;
  std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Files, PdfDocumentErrors, ::testing::Values(
    BadFile{"missing.pdf", nullptr, "not found"},
    BadFile{"text.pdf", "hello, this is plain text\n", "Not a PDF"},
    BadFile{"broken.pdf", "%PDF-1.7\n1 0 obj << /Type /Catalog >> garbage garbage\n", "damaged"}),
    [](const auto& info) { return std::string(info.param.name).substr(0, std::string(info.param.name).find('.')); });

TEST(PdfDocument, EncryptedFileNeedsPassword) {
  auto made = DocumentFromContent({"BT /F1 12 Tf (secret) Tj ET"});
  ASSERT_TRUE(made);
  std::string path = TempPath("locked.pdf");
  ASSERT_TRUE(SaveRaw(*made, path, "encrypt=aes-128,user-password=u,owner-password=o"));
  std::string error;
  EXPECT_EQ(OpenDocument(path, &error), nullptr);
  EXPECT_NE(error.find("password"), std::string::npos) << error;
  std::remove(path.c_str());
}

}  // namespace
}  // namespace standin::pdf
