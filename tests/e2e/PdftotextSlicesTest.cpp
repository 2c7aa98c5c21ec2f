// pdftotext reads the corpus's documents a slice of pages at a time as it reads them whole: the
// same text page by page, wherever a document's page tree is sliced at all.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CorpusSupport.h"
#include "Pdftotext.h"
#include "TreePageCount.h"

namespace e2e {
namespace {

std::vector<std::string> PagesRead(checker::Pdftotext& tool) {
  std::vector<std::string> pages;
  EXPECT_TRUE(tool.ForEachPage([&](std::string_view page) { pages.emplace_back(page); }));
  return pages;
}

TEST(PdftotextSlices, EveryPageReadsAsInTheWholeFile) {
  std::vector<std::string> files;
  for (const std::string& file : SampleFiles()) files.push_back(DataPath(file));
  files.push_back(DataPath("bench-200.pdf"));
  for (const auto& entry : std::filesystem::directory_iterator(DataPath("hostile")))
    if (entry.path().extension() == ".pdf") files.push_back(entry.path().string());

  int sliced = 0;
  for (const std::string& path : files) {
    checker::PageTreeReading reading = checker::ReadPageTree(path, 1);
    if (reading.sliceUpdates.empty()) continue;
    ++sliced;
    EXPECT_GT(reading.sliceUpdates.size(), 1u) << path;
    EXPECT_LE(reading.sliceUpdates.size(), 32u) << path;
    checker::Pdftotext whole(path);
    checker::Pdftotext slices(path, reading.fileSize, std::move(reading.sliceUpdates));
    const std::vector<std::string> expected = PagesRead(whole);
    EXPECT_EQ(static_cast<long>(expected.size()), reading.pages) << path;
    EXPECT_EQ(PagesRead(slices), expected) << path;
    EXPECT_EQ(slices.LacksLanguageData(), whole.LacksLanguageData()) << path;
  }
  // The two-page samples of several producers, the 200-page one, and the hostile files whose
  // trees are plain.
  EXPECT_GE(sliced, 10);
}

// Whether a process runs whose command line holds `text`.
bool Running(const std::string& text) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    const std::string line{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

bool WaitUntil(const std::function<bool()>& condition) {
  for (int i = 0; i < 500; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The environment variable set for the scope.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* previous = std::getenv(name)) previous_ = previous;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (previous_) setenv(name_, previous_->c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

// A pdftotext that reads for seconds: stopped, the slices' reading must stop it, not leave it
// running on its own.
TEST(PdftotextSlices, AStoppedReadingLeavesNoPdftotextRunningAndNoFiles) {
  const std::string temporary = TempPath("vm-slices-stopped");
  std::filesystem::remove_all(temporary);
  std::filesystem::create_directories(temporary + "/bin");
  const std::string slow = temporary + "/bin/pdftotext";
  std::ofstream(slow) << "#!/bin/sh\nsleep 10\n";
  std::filesystem::permissions(slow, std::filesystem::perms::owner_all);
  {
    const ScopedVariable path("PATH", temporary + "/bin:" + std::getenv("PATH"));
    const ScopedVariable directory("TMPDIR", temporary);
    const std::string file = DataPath("bench-200.pdf");
    checker::PageTreeReading reading = checker::ReadPageTree(file, 1);
    ASSERT_GT(reading.sliceUpdates.size(), 10u);
    checker::Pdftotext slices(file, reading.fileSize, std::move(reading.sliceUpdates));
    EXPECT_TRUE(WaitUntil([&] { return Running(slow); }));
    slices.Stop();
    EXPECT_FALSE(slices.ForEachPage([](std::string_view) {}));
    EXPECT_TRUE(WaitUntil([&] { return !Running(slow); }));
  }
  std::filesystem::remove(slow);
  EXPECT_TRUE(std::filesystem::is_empty(temporary + "/bin"));
  std::filesystem::remove(temporary + "/bin");
  EXPECT_TRUE(std::filesystem::is_empty(temporary));
  std::filesystem::remove_all(temporary);
}

}  // namespace
}  // namespace e2e
