// The protection check fails, saying why, when its pdftotext comparison cannot be made, instead
// of passing without having compared anything.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "CorpusSupport.h"
#include "ProtectionCheck.h"
#include "core/Application.h"
#include "core/StandinHost.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

// Puts a stand-in `pdftotext` (or none at all) first on PATH for the test's duration.
class FakePdftotext {
 public:
  explicit FakePdftotext(const std::string& script) : directory_(TempPath("fake-pdftotext")) {
    fs::remove_all(directory_);
    fs::create_directories(directory_);
    if (!script.empty()) {
      const fs::path tool = directory_ / "pdftotext";
      std::ofstream(tool) << "#!/bin/sh\n" << script << "\n";
      fs::permissions(tool, fs::perms::owner_all);
    }
    const char* path = std::getenv("PATH");
    saved_ = path ? path : "";
    // Without a script, PATH holds only the empty directory: no pdftotext is found.
    const std::string value = script.empty() ? directory_.string() : directory_.string() + ":" + saved_;
    setenv("PATH", value.c_str(), 1);
  }
  ~FakePdftotext() { setenv("PATH", saved_.c_str(), 1); }

 private:
  fs::path directory_;
  std::string saved_;
};

class CheckStrictness : public testing::Test {
 protected:
  void SetUp() override {
    input_ = DataPath("tj-kerning.pdf");
    run_ = Protect(input_, AllCategories());
    ASSERT_TRUE(run_.applied);
    output_ = TempPath("strictness-out.pdf");
    std::string error;
    ASSERT_TRUE(standin::SaveHostDocument(run_.document, output_, &error)) << error;
  }
  void TearDown() override { standin::ResetHost(); }

  checker::CheckResult Check() {
    return checker::CheckProtectedFile({input_, output_, run_.Found(), '*'});
  }

  std::string input_, output_;
  ProtectRun run_;
};

TEST_F(CheckStrictness, PassesWithTheRealPdftotextAndComparesEveryOccurrence) {
  const checker::CheckResult result = Check();
  EXPECT_TRUE(result.Passed());
  EXPECT_GE(result.pdftotextChecks, static_cast<int>(run_.matches.size()));
}

TEST_F(CheckStrictness, FailsWhenPdftotextIsMissingFailsOrReadsNothing) {
  {
    FakePdftotext none("");
    const checker::CheckResult result = Check();
    EXPECT_FALSE(result.Passed());
    EXPECT_TRUE(FailsWith(result, "pdftotext could not read the protected file"));
  }
  {
    FakePdftotext failing("exit 1");
    EXPECT_TRUE(FailsWith(Check(), "pdftotext could not read the protected file"));
  }
  {
    // What pdftotext prints for a page of CID text when poppler-data is missing: nothing, and
    // its complaint.
    FakePdftotext blind("printf '\\f'; echo \"Syntax Error: Missing language pack for 'Adobe-Korea1' mapping\" >&2");
    const checker::CheckResult result = Check();
    EXPECT_FALSE(result.Passed());
    EXPECT_TRUE(FailsWith(result, "pdftotext: page 0: pdftotext reads no text"));
  }
  {
    // Text in the original only: the copy's page went blank.
    FakePdftotext copyBlank("case \"$3\" in *tj-kerning.pdf) printf 'Phone\\f';; *) printf '\\f';; esac");
    EXPECT_TRUE(FailsWith(Check(), "pdftotext: page 0: pdftotext reads no text"));
  }
}

// A page pdftotext cannot read in the original either (poppler refuses, for one, a page with
// more than 10,000 annotations) gives it nothing to get back: no failure.
TEST_F(CheckStrictness, APageBlankToPdftotextInBothFilesPasses) {
  FakePdftotext blank("printf '\\f'");
  const checker::CheckResult result = Check();
  EXPECT_TRUE(result.Passed()) << result.failures.front();
}

}  // namespace
}  // namespace e2e
