// After removal and regeneration, a full rewrite with garbage collection leaves nothing of the
// removed text in the file: every stream of the raw file is decoded and searched.
#include <gtest/gtest.h>

#include <filesystem>

#include "PdfTestUtil.h"
#include "RawPdf.h"
#include "pdf/Page.h"
#include "pdf/TextEdits.h"

namespace standin::pdf {
namespace {

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
  for (const checker::RawObject& object : checker::ReadRawObjects(checker::ReadFile(path))) {
    EXPECT_TRUE(object.decoded) << object.number;
    EXPECT_EQ(object.dictionary.find("1234567"), std::string::npos);
    EXPECT_EQ(object.data.find("1234567"), std::string::npos);
    if (object.data.find("Secret") != std::string::npos) ++contentStreams;
  }
  EXPECT_EQ(contentStreams, 1);
  EXPECT_EQ(checker::ReadFile(path).find("1234567"), std::string::npos);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace standin::pdf
