// Protecting every sample of the corpus: nothing masked can be got back from the saved file,
// everything else stays where it was, and the step undoes and redoes exactly.
#include <gtest/gtest.h>

#include "CorpusSupport.h"
#include "HostTextPage.h"
#include "ProtectionCheck.h"
#include "RawPdf.h"
#include "pdf/Document.h"
#include "core/Application.h"
#include "core/StandinHost.h"

namespace e2e {
namespace {

struct ProtectCase {
  std::string file;
  bool partial;
};

std::vector<ProtectCase> Cases() {
  std::vector<ProtectCase> cases;
  for (const std::string& file : SampleFiles()) {
    cases.push_back({file, false});
    cases.push_back({file, true});
  }
  return cases;
}

std::string CaseName(const testing::TestParamInfo<ProtectCase>& info) {
  std::string name;
  for (char c : info.param.file.substr(0, info.param.file.size() - 4)) name += std::isalnum(c) ? c : '_';
  return name + (info.param.partial ? "_partial" : "_whole");
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += "\n  " + l;
  return out;
}

class ProtectCorpus : public testing::TestWithParam<ProtectCase> {
 protected:
  void TearDown() override { standin::ResetHost(); }
};

TEST_P(ProtectCorpus, NothingMaskedIsRecoverableFromTheSavedFile) {
  const ProtectCase& c = GetParam();
  const std::string input = DataPath(c.file);
  ProtectRun run = Protect(input, c.partial ? PartialFormats() : AllCategories());
  ASSERT_FALSE(run.matches.empty());
  ASSERT_TRUE(run.applied);
  const std::string output = TempPath(CaseName({c, 0}) + ".pdf");
  std::string error;
  ASSERT_TRUE(standin::SaveHostDocument(run.document, output, &error)) << error;

  checker::CheckInput check{input, output, run.Found(), '*', {}};
  // Only the page text is protected here: the appearances of annotations and fields, which
  // pdftotext reads too, keep their items (the command line masks them).
  if (c.file == std::string("outside-text.pdf")) check.categories = {};
  // pdftotext reads the copy a page at a time, as it reads a long one.
  check.pagesPerPdftotextRun = 1;
  const checker::CheckResult result = checker::CheckProtectedFile(check);
  EXPECT_GT(result.maskedCharactersChecked, 0);
  EXPECT_TRUE(result.Passed()) << Joined(result.failures);
}

INSTANTIATE_TEST_SUITE_P(Samples, ProtectCorpus, testing::ValuesIn(Cases()), CaseName);

std::vector<checker::PageText> AllPages(HostHandle document) {
  std::vector<checker::PageText> pages;
  for (int p = 0; p < checker::PageCountOf(document); ++p) pages.push_back(checker::ReadPageText(document, p));
  return pages;
}

bool SamePages(const std::vector<checker::PageText>& a, const std::vector<checker::PageText>& b) {
  if (a.size() != b.size()) return false;
  for (size_t p = 0; p < a.size(); ++p) {
    if (a[p].text != b[p].text || a[p].boxes.size() != b[p].boxes.size()) return false;
    for (size_t i = 0; i < a[p].boxes.size(); ++i) {
      const HostBox& x = a[p].boxes[i];
      const HostBox& y = b[p].boxes[i];
      if (std::abs(x.x0 - y.x0) > 0.01f || std::abs(x.y0 - y.y0) > 0.01f ||
          std::abs(x.x1 - y.x1) > 0.01f || std::abs(x.y1 - y.y1) > 0.01f)
        return false;
    }
  }
  return true;
}

TEST(ProtectUndo, UndoAndRedoRestoreThePagesExactlyTenTimesOver) {
  const std::string input = DataPath("form-reportlab.pdf");
  HostHandle document = OpenFresh(input);
  ASSERT_NE(document, nullptr);
  const std::vector<checker::PageText> original = AllPages(document);
  standin::ResetHost();

  ProtectRun run = Protect(input, PartialFormats());
  ASSERT_TRUE(run.applied);
  const std::vector<checker::PageText> protectedPages = AllPages(run.document);
  ASSERT_FALSE(SamePages(original, protectedPages));
  ASSERT_EQ(standin::UndoStepCount(run.document), 1);

  for (int round = 0; round < 10; ++round) {
    ASSERT_TRUE(standin::UndoLast(run.document));
    ASSERT_TRUE(SamePages(AllPages(run.document), original)) << "undo, round " << round;
    ASSERT_TRUE(standin::RedoLast(run.document));
    ASSERT_TRUE(SamePages(AllPages(run.document), protectedPages)) << "redo, round " << round;
  }
  standin::CloseHostDocument(run.document);
  EXPECT_TRUE(standin::Tracker().Outstanding().empty()) << Joined(standin::Tracker().Outstanding());
}

// A file encrypted with an owner password only opens without asking; its protected copy stays
// encrypted, and the check reads the encrypted streams through the document.
TEST(ProtectEncrypted, KeepsTheEncryptionAndLeavesNothingRecoverable) {
  const std::string input = TempPath("encrypted-in.pdf");
  {
    std::string error;
    auto document = standin::pdf::OpenDocument(DataPath("tj-kerning.pdf"), &error);
    ASSERT_TRUE(document) << error;
    pdf_write_options options = pdf_default_write_options;
    options.do_encrypt = PDF_ENCRYPT_AES_128;
    options.permissions = ~PDF_PERM_MODIFY;
    std::snprintf(options.opwd_utf8, sizeof options.opwd_utf8, "owner");
    pdf_save_document(document->ctx, document->doc, input.c_str(), &options);
  }
  ProtectRun run = Protect(input, PartialFormats());
  ASSERT_TRUE(run.applied);
  const std::string output = TempPath("encrypted-out.pdf");
  std::string error;
  ASSERT_TRUE(standin::SaveHostDocument(run.document, output, &error)) << error;
  EXPECT_NE(checker::ReadFile(output).find("/Encrypt"), std::string::npos);
  const checker::CheckResult result =
      checker::CheckProtectedFile({input, output, run.Found(), '*', {}});
  EXPECT_TRUE(result.Passed()) << Joined(result.failures);
}

}  // namespace
}  // namespace e2e
