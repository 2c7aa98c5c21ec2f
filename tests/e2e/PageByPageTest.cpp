// The command line protects each page as soon as it was scanned and keeps the original's page
// texts for the check: it must write the same file as the module protecting the whole document
// at once, and its check must compare exactly what a check reading the original again compares.
#include <gtest/gtest.h>

#include <set>

#include "CorpusSupport.h"
#include "HostTextPage.h"
#include "PageComparison.h"
#include "PageTextStore.h"
#include "ProtectPages.h"
#include "ProtectionCheck.h"
#include "RawPdf.h"
#include "Utf8.h"
#include "core/Application.h"
#include "pdf/Document.h"
#include "pdf/FlattenForms.h"

namespace e2e {
namespace {

std::string Listed(const vm::PiMatchList& list) {
  std::string out;
  for (const vm::PiMatch& m : list)
    out += std::to_string(m.pageIndex) + ":" + std::to_string(m.charStart) + "+" + std::to_string(m.charCount) +
           " " + common::Utf16ToUtf8(m.text) + " (" + std::to_string(m.rects.size()) + " boxes)\n";
  return out;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

class PageByPage : public testing::TestWithParam<std::string> {
 protected:
  void TearDown() override { standin::ResetHost(); }
};

TEST_P(PageByPage, WritesTheSameFileAndItsCheckComparesTheSameCharacters) {
  const std::string input = DataPath(GetParam());
  const vm::PiOptions options = PartialFormats();
  const std::string stem = TempPath(GetParam().substr(0, GetParam().size() - 4));
  std::string error;

  const ProtectRun whole = Protect(input, options);
  ASSERT_TRUE(standin::SaveHostDocument(whole.document, stem + "-whole.pdf", &error)) << error;

  HostHandle document = OpenFresh(input);
  ASSERT_NE(document, nullptr);
  standin::pdf::FlattenTextForms(*standin::PdfDocumentOf(document));
  checker::PageTextStore originalPages;
  const cli::ProtectedPages pages = cli::ScanAndProtect(document, options, &originalPages);
  const std::string output = stem + "-pages.pdf";
  ASSERT_TRUE(standin::SaveHostDocument(document, output, &error)) << error;
  EXPECT_EQ(originalPages.PageCount(), checker::PageCountOf(document));

  vm::PiMatchList matches, replacements;
  ASSERT_TRUE(pages.found->All(&matches, &replacements));
  EXPECT_EQ(Listed(matches), Listed(whole.matches));
  EXPECT_EQ(Listed(replacements), Listed(whole.replacements));
  EXPECT_EQ(pages.applied, whole.applied);
  EXPECT_TRUE(checker::ReadFile(output) == checker::ReadFile(stem + "-whole.pdf")) << "the files differ";
  if (matches.empty()) return;

  checker::CheckInput check{input, output, pages.found, '*', {}, &originalPages};
  // Only the page text is protected here: the appearances of annotations and fields, which
  // pdftotext reads too, keep their items (the command line masks them).
  if (GetParam() == "outside-text.pdf") check.categories = {};
  const checker::CheckResult stored = checker::CheckProtectedFile(check);
  check.originalPages = nullptr;
  const checker::CheckResult reread = checker::CheckProtectedFile(check);
  EXPECT_TRUE(stored.Passed()) << Joined(stored.failures);
  EXPECT_EQ(Joined(stored.failures), Joined(reread.failures));
  EXPECT_GT(stored.maskedCharactersChecked, 0);
  EXPECT_EQ(stored.maskedCharactersChecked, reread.maskedCharactersChecked);
  EXPECT_EQ(stored.keptCharactersChecked, reread.keptCharactersChecked);
}

INSTANTIATE_TEST_SUITE_P(Samples, PageByPage, testing::ValuesIn(SampleFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name;
                           for (char c : info.param.substr(0, info.param.size() - 4))
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

// A document of `copies` times the sample's pages, written with MuPDF.
std::string Repeated(const std::string& file, int copies) {
  const std::string path = TempPath("repeated-" + std::to_string(copies) + "-" + file);
  fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
  pdf_document* source = nullptr;
  pdf_document* target = nullptr;
  fz_try(ctx) {
    source = pdf_open_document(ctx, DataPath(file).c_str());
    target = pdf_create_document(ctx);
    for (int copy = 0; copy < copies; ++copy)
      for (int p = 0; p < pdf_count_pages(ctx, source); ++p) pdf_graft_page(ctx, target, -1, source, p);
    pdf_save_document(ctx, target, path.c_str(), nullptr);
  }
  fz_always(ctx) {
    pdf_drop_document(ctx, target);
    pdf_drop_document(ctx, source);
  }
  fz_catch(ctx) { ADD_FAILURE() << fz_caught_message(ctx); }
  fz_drop_context(ctx);
  return path;
}

// Long documents are compared in two processes; together they compare what one process does.
TEST(PageByPageCheck, ALongDocumentComparedInTwoProcessesComparesEveryPage) {
  const std::string input = Repeated("prose-cairo.pdf", 10);
  HostHandle document = OpenFresh(input);
  ASSERT_NE(document, nullptr);
  checker::PageTextStore originalPages;
  const cli::ProtectedPages pages = cli::ScanAndProtect(document, PartialFormats(), &originalPages);
  ASSERT_GE(originalPages.PageCount(), 16);
  ASSERT_GT(pages.found->MatchCount(), 0u);
  const std::string output = TempPath("repeated-protected.pdf");
  std::string error;
  ASSERT_TRUE(standin::SaveHostDocument(document, output, &error)) << error;
  standin::ResetHost();

  const checker::CheckResult split = checker::CheckProtectedFile(
      {input, output, pages.found, '*', {}, &originalPages});
  const checker::CheckResult single =
      checker::CheckProtectedFile({input, output, pages.found, '*', {}});
  EXPECT_TRUE(split.Passed()) << Joined(split.failures);
  EXPECT_EQ(split.maskedCharactersChecked, single.maskedCharactersChecked);
  EXPECT_EQ(split.keptCharactersChecked, single.keptCharactersChecked);

  // The original passed off as its protected copy: the masked characters of every page with
  // replacements, in both halves, are found still in place.
  const checker::CheckResult unprotected = checker::CheckProtectedFile(
      {input, input, pages.found, '*', {}, &originalPages});
  const std::vector<int> masked = pages.found->MaskedPages();
  const std::set<int> pagesMasked(masked.begin(), masked.end());
  int pagesFound = 0;
  for (const std::string& failure : unprotected.failures)
    if (failure.find("masked characters are still in the text at their place") != std::string::npos) ++pagesFound;
  EXPECT_GT(*pagesMasked.rbegin(), originalPages.PageCount() / 2);
  EXPECT_EQ(pagesFound, static_cast<int>(pagesMasked.size())) << Joined(unprotected.failures);
}

TEST(PageByPageCheck, AProcessThatEndsWithoutReportingLeavesAFailure) {
  auto compare = [](int first, int last) {
    if (first > 0) std::_Exit(3);  // only the child compares from the middle on
    checker::PageComparison c;
    c.keptCharacters = last - first;
    return c;
  };
  checker::ComparisonInChild failing(5, 10, compare);
  checker::PageComparison result = compare(0, 5);
  result.Add(failing.Finish());
  EXPECT_EQ(result.keptCharacters, 5);
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0], "pages 5 to 9 could not be compared (the process comparing them failed)");

  auto both = [](int first, int last) {
    checker::PageComparison c;
    c.hostChars.assign(static_cast<size_t>(last), 0);
    for (int p = first; p < last; ++p) c.hostChars[static_cast<size_t>(p)] = 1;
    c.failures.push_back("from " + std::to_string(first) + "\nto " + std::to_string(last));
    c.boxesWanted.emplace_back("0 0 " + std::to_string(first) + " 1 re f", "box\n" + std::to_string(last));
    c.maskedCharacters = 1;
    return c;
  };
  checker::ComparisonInChild second(3, 7, both);
  checker::PageComparison merged = both(0, 3);
  merged.Add(second.Finish());
  EXPECT_EQ(merged.hostChars, std::vector<int>(7, 1));
  EXPECT_EQ(merged.maskedCharacters, 2);
  EXPECT_EQ(Joined(merged.failures), "from 0\nto 3\nfrom 3\nto 7\n");
  using Box = std::pair<std::string, std::string>;
  EXPECT_EQ(merged.boxesWanted, (std::vector<Box>{{"0 0 0 1 re f", "box\n3"}, {"0 0 3 1 re f", "box\n7"}}));
}

checker::PageText SomeText(const std::u16string& text) {
  checker::PageText page;
  page.text = text;
  for (size_t i = 0; i < text.size(); ++i) {
    const float x = static_cast<float>(i);
    page.boxes.push_back({x, 2 * x, x + 1, 2 * x + 10});
    page.inTextObject.push_back(i % 2 == 0);
  }
  page.readable = true;
  return page;
}

TEST(PageTextStore, GivesBackEachPageAsAddedAndNothingOnceSpoiled) {
  checker::PageTextStore store;
  const checker::PageText first = SomeText(u"주민 900101");
  store.Add(0, first);
  store.Add(1, checker::PageText{});
  store.Add(2, SomeText(u"x"));
  ASSERT_EQ(store.PageCount(), 3);
  const std::optional<checker::PageText> again = store.Read(0);
  ASSERT_TRUE(again.has_value());
  EXPECT_TRUE(again->readable);
  EXPECT_EQ(again->text, first.text);
  EXPECT_EQ(again->inTextObject, first.inTextObject);
  ASSERT_EQ(again->boxes.size(), first.boxes.size());
  EXPECT_EQ(again->boxes[3].y1, first.boxes[3].y1);
  EXPECT_FALSE(store.Read(1)->readable);
  EXPECT_EQ(store.Read(2)->text, u"x");
  EXPECT_FALSE(store.Read(3).has_value());

  store.Add(4, first);  // a page left out
  EXPECT_EQ(store.PageCount(), -1);
  EXPECT_FALSE(store.Read(0).has_value());
}

// The check never takes a store it cannot trust for the original: a spoiled one is replaced by
// reading the original, and one of another document does not match the copy's pages.
TEST(PageTextStore, TheCheckReadsTheOriginalWhenTheStoreCannotBeUsed) {
  const std::string input = DataPath("tj-kerning.pdf");
  ProtectRun run = Protect(input, AllCategories());
  ASSERT_TRUE(run.applied);
  const std::string output = TempPath("store-check.pdf");
  std::string error;
  ASSERT_TRUE(standin::SaveHostDocument(run.document, output, &error)) << error;
  const checker::CheckResult reread =
      checker::CheckProtectedFile({input, output, run.Found(), '*', {}});
  ASSERT_TRUE(reread.Passed()) << Joined(reread.failures);

  checker::PageTextStore spoiled;
  spoiled.Add(1, SomeText(u"x"));
  const checker::CheckResult fallback =
      checker::CheckProtectedFile({input, output, run.Found(), '*', {}, &spoiled});
  EXPECT_TRUE(fallback.Passed()) << Joined(fallback.failures);
  EXPECT_EQ(fallback.keptCharactersChecked, reread.keptCharactersChecked);

  checker::PageTextStore other;
  for (int p = 0; p < 3; ++p) other.Add(p, SomeText(u"x"));
  const checker::CheckResult mismatched =
      checker::CheckProtectedFile({input, output, run.Found(), '*', {}, &other});
  EXPECT_FALSE(mismatched.Passed());
}

}  // namespace
}  // namespace e2e
