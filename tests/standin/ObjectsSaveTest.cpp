// Saving: a full rewrite from which everything no page refers to is gone, written beside the
// target and renamed over it, never over the file the document reads from.
#include <gtest/gtest.h>
#include <unistd.h>

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

}  // namespace
