// Saving a host document clears its modified mark; the saved file opens again.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "core/Application.h"
#include "core/StandinHost.h"

namespace {

template <int C, int S>
typename HostFn<C, S>::type Find() {
  return reinterpret_cast<typename HostFn<C, S>::type>(
      standin::TableRecord()->lookup(C, S, standin::kStandinPluginId));
}
#define HOST(C, S) (Find<C, S>())

class CoreSaveTest : public testing::Test {
 protected:
  void SetUp() override { standin::ResetHost(); }
  void TearDown() override {
    standin::ResetHost();
    std::remove(path_.c_str());
  }
  std::string path_ = (std::filesystem::temp_directory_path() / "vm-core-save.pdf").string();
};

TEST_F(CoreSaveTest, SaveClearsTheModifiedMark) {
  HostHandle doc = standin::OpenHostDocumentFromContent({"", "", ""});
  HOST(26, 8)(doc);
  ASSERT_TRUE(standin::IsModified(doc));
  std::string error;
  ASSERT_TRUE(standin::SaveHostDocument(doc, path_, &error)) << error;
  EXPECT_FALSE(standin::IsModified(doc));

  HostHandle reopened = standin::OpenHostDocument(path_, &error);
  ASSERT_NE(reopened, nullptr) << error;
  EXPECT_EQ(HOST(34, 10)(HOST(26, 4)(reopened)), 3);
}

TEST_F(CoreSaveTest, FailedSaveKeepsTheMarkAndSaysWhy) {
  HostHandle doc = standin::OpenHostDocumentFromContent({""});
  HOST(26, 8)(doc);
  std::string error;
  EXPECT_FALSE(standin::SaveHostDocument(doc, "/nonexistent/dir/out.pdf", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(standin::IsModified(doc));
  int bogus = 0;
  EXPECT_FALSE(standin::SaveHostDocument(&bogus, path_, &error));
}

}  // namespace
