// Saving: a full rewrite from which everything no page refers to is gone, written beside the
// target and renamed over it, never over the file the document reads from.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "ObjectsTestSupport.h"
#include "RawPdf.h"
#include "pdf/Document.h"
#include "pdf/Page.h"

namespace {

namespace fs = std::filesystem;
using namespace standin::objects::testing;
using checker::RawFileContains;
using checker::ReadFile;

class ObjectsSaveTest : public testing::Test {
 protected:
  void SetUp() override {
    standin::ResetHost();
    dir_ = fs::temp_directory_path() /
           ("vm-objects-save-" + std::to_string(getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    EXPECT_TRUE(standin::Tracker().Outstanding().empty());
    standin::ResetHost();
    fs::remove_all(dir_);
  }
  HostHandle PageDictionary() { return HOST(73, 22)(standin::pdf::GetPage(*pdf_, 0)); }
  void ReplaceContents(const std::string& content) {
    HostHandle stream = HOST(68, 0)();
    HOST(68, 1)(stream, reinterpret_cast<const uint8_t*>(content.data()),
                static_cast<int32_t>(content.size()), HOST(67, 0)());
    HOST(67, 23)(PageDictionary(), "Contents", pdf_, HOST(34, 42)(pdf_, stream));
  }
  std::string Save(const std::string& name) {
    std::string path = (dir_ / name).string();
    std::string error;
    EXPECT_TRUE(standin::pdf::SaveDocument(*pdf_, path, &error)) << error;
    return path;
  }
  std::vector<std::string> FilesInDir() {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    return names;
  }

  fs::path dir_;
  HostHandle host_ = nullptr;
  standin::pdf::Document* pdf_ = nullptr;
};

TEST_F(ObjectsSaveTest, ReplacedContentIsInNoObjectOfTheSavedFile) {
  host_ = standin::OpenHostDocumentFromContent({"BT /F1 12 Tf 72 700 Td (SECRET-4711) Tj ET"});
  pdf_ = standin::PdfDocumentOf(host_);
  // The scanner finds the text where it is, compressed or not.
  ASSERT_TRUE(RawFileContains(Save("before.pdf"), "SECRET-4711"));

  // An undo copy of the old content stays alive in the open document across the save.
  HostHandle saved = HOST(61, 3)(HOST(67, 2)(PageDictionary(), "Contents"), 1);
  const std::string before = ContentsThroughHost(PageDictionary());
  ReplaceContents("BT /F1 12 Tf 72 700 Td (KEPT-0815) Tj ET");
  std::string after = Save("after.pdf");
  EXPECT_FALSE(RawFileContains(after, "SECRET-4711"));
  EXPECT_TRUE(RawFileContains(after, "KEPT-0815"));
  std::string bytes = ReadFile(after);
  EXPECT_EQ(bytes.find("%%EOF"), bytes.rfind("%%EOF")) << "not a single full revision";

  // Saving did not renumber the open document: the copy still restores the old content.
  HostHandle copy = HOST(61, 3)(saved, 1);
  HOST(67, 23)(PageDictionary(), "Contents", pdf_, HOST(34, 42)(pdf_, copy));
  EXPECT_EQ(ContentsThroughHost(PageDictionary()), before);
  HOST(61, 7)(saved);
}

TEST_F(ObjectsSaveTest, RefusesToWriteOverTheFileItReadsFrom) {
  std::string source = (dir_ / "source.pdf").string();
  fs::copy_file(std::string(VM_TEST_DATA_DIR) + "/tj-kerning.pdf", source);
  const std::string original = ReadFile(source);
  auto document = standin::pdf::OpenDocument(source, nullptr);
  ASSERT_NE(document, nullptr);
  document->path = source;
  for (std::string target : {source, (dir_ / "." / "source.pdf").string()}) {
    std::string error;
    EXPECT_FALSE(standin::pdf::SaveDocument(*document, target, &error)) << target;
    EXPECT_NE(error.find("opened from"), std::string::npos) << error;
  }
  EXPECT_EQ(ReadFile(source), original);
  EXPECT_EQ(FilesInDir(), std::vector<std::string>{"source.pdf"});
}

TEST_F(ObjectsSaveTest, ReplacesAnExistingFileWholeAndLeavesNothingElse) {
  host_ = standin::OpenHostDocumentFromContent({"BT /F1 12 Tf 72 700 Td (Replaced) Tj ET"});
  pdf_ = standin::PdfDocumentOf(host_);
  std::string target = (dir_ / "target.pdf").string();
  {
    std::ofstream old(target);
    old << "an older file, longer than nothing";
  }
  Save("target.pdf");
  EXPECT_TRUE(RawFileContains(target, "Replaced"));
  EXPECT_EQ(ReadFile(target).rfind("%PDF-", 0), 0u);
  EXPECT_EQ(FilesInDir(), std::vector<std::string>{"target.pdf"});

  std::string error;
  EXPECT_FALSE(standin::pdf::SaveDocument(*pdf_, (dir_ / "missing" / "x.pdf").string(), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(standin::pdf::SaveDocument(*pdf_, dir_.string(), &error));
  EXPECT_EQ(FilesInDir(), std::vector<std::string>{"target.pdf"});
}

TEST_F(ObjectsSaveTest, HostSaveClearsTheModifiedMarkOnlyOnSuccess) {
  HostHandle doc = standin::OpenHostDocumentFromContent({"", "", ""});
  HOST(26, 8)(doc);
  std::string error;
  EXPECT_FALSE(standin::SaveHostDocument(doc, (dir_ / "missing" / "x.pdf").string(), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(standin::IsModified(doc));
  int bogus = 0;
  EXPECT_FALSE(standin::SaveHostDocument(&bogus, (dir_ / "y.pdf").string(), &error));

  const std::string path = (dir_ / "saved.pdf").string();
  ASSERT_TRUE(standin::SaveHostDocument(doc, path, &error)) << error;
  EXPECT_FALSE(standin::IsModified(doc));
  HostHandle reopened = standin::OpenHostDocument(path, &error);
  ASSERT_NE(reopened, nullptr) << error;
  EXPECT_EQ(HOST(34, 10)(HOST(26, 4)(reopened)), 3);
}

// The command line closes the document half way through the save: the same file comes out,
// and the document is closed whether the save succeeds or not.
TEST_F(ObjectsSaveTest, SaveAndCloseWritesWhatSaveWritesAndClosesEitherWay) {
  std::string error;
  HostHandle doc = standin::OpenHostDocumentFromContent({"BT /F1 12 Tf 72 700 Td (Kept) Tj ET", ""});
  const std::string saved = (dir_ / "saved.pdf").string();
  ASSERT_TRUE(standin::SaveHostDocument(doc, saved, &error)) << error;
  const std::string closing = (dir_ / "closing.pdf").string();
  ASSERT_TRUE(standin::SaveAndCloseHostDocument(doc, closing, &error)) << error;
  EXPECT_EQ(standin::PdfDocumentOf(doc), nullptr);
  EXPECT_TRUE(ReadFile(saved) == ReadFile(closing)) << "the halves of the save wrote another file";

  HostHandle failing = standin::OpenHostDocumentFromContent({""});
  EXPECT_FALSE(standin::SaveAndCloseHostDocument(failing, (dir_ / "missing" / "x.pdf").string(), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(standin::PdfDocumentOf(failing), nullptr);
  int bogus = 0;
  EXPECT_FALSE(standin::SaveAndCloseHostDocument(&bogus, closing, &error));
  std::vector<std::string> names = FilesInDir();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"closing.pdf", "saved.pdf"})) << "no half-written file is left";
}

// The trailer's /ID array of a saved file, read back: its two strings.
std::pair<std::string, std::string> FileIdentifier(const std::string& path) {
  std::pair<std::string, std::string> id;
  fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
  pdf_document* doc = nullptr;
  fz_var(doc);
  fz_try(ctx) {
    doc = pdf_open_document(ctx, path.c_str());
    pdf_obj* array = pdf_dict_get(ctx, pdf_trailer(ctx, doc), PDF_NAME(ID));
    for (int i = 0; i < 2; ++i) {
      pdf_obj* s = pdf_array_get(ctx, array, i);
      (i == 0 ? id.first : id.second).assign(pdf_to_str_buf(ctx, s), pdf_to_str_len(ctx, s));
    }
  }
  fz_always(ctx) { pdf_drop_document(ctx, doc); }
  fz_catch(ctx) { ADD_FAILURE() << fz_caught_message(ctx); }
  fz_drop_context(ctx);
  return id;
}

TEST_F(ObjectsSaveTest, SavingTwiceGivesTheSameBytesWithAnIdentifierOfTheContent) {
  std::string source = (dir_ / "source.pdf").string();
  fs::copy_file(std::string(VM_TEST_DATA_DIR) + "/form-reportlab.pdf", source);
  const auto input = FileIdentifier(source);
  ASSERT_EQ(input.first.size(), 16u) << "a sample with an identifier of its own";
  std::string error;
  host_ = standin::OpenHostDocument(source, &error);
  ASSERT_NE(host_, nullptr) << error;
  pdf_ = standin::PdfDocumentOf(host_);
  ReplaceContents("BT /F1 12 Tf 72 700 Td (Edited) Tj ET");

  // Saving advances nothing a second save would see: the same open document gives the same file.
  const std::string first = Save("first.pdf");
  const std::string second = Save("second.pdf");
  EXPECT_TRUE(ReadFile(first) == ReadFile(second)) << "two saves of one document differ";

  const auto saved = FileIdentifier(first);
  EXPECT_EQ(saved.second.size(), 16u);
  EXPECT_EQ(saved.first, input.first) << "the document's own identifier is kept";
  EXPECT_NE(saved.second, input.second) << "an edited document is a new version";

  // Another edit is another version of the same document.
  ReplaceContents("BT /F1 12 Tf 72 700 Td (Edited again) Tj ET");
  const auto edited = FileIdentifier(Save("third.pdf"));
  EXPECT_EQ(edited.first, saved.first);
  EXPECT_NE(edited.second, saved.second);
}

TEST_F(ObjectsSaveTest, ADocumentWithoutAnIdentifierGetsOneFromItsContent) {
  host_ = standin::OpenHostDocumentFromContent({"BT /F1 12 Tf 72 700 Td (No identifier) Tj ET"});
  pdf_ = standin::PdfDocumentOf(host_);
  const auto first = FileIdentifier(Save("a.pdf"));
  EXPECT_EQ(first.first.size(), 16u);
  EXPECT_EQ(first.first, first.second);
  EXPECT_TRUE(ReadFile((dir_ / "a.pdf").string()) == ReadFile(Save("b.pdf")));
}

}  // namespace
