// The damaged and hostile documents of tests/data/hostile (tools/make-hostile-samples.sh): each
// is searched and protected fully, or reported as not fully searched; none is protected while
// its text stays readable.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>

#include "CorpusSupport.h"
#include "HostTextPage.h"
#include "OutsideProtect.h"
#include "OutsideText.h"
#include "PageTextStore.h"
#include "ProtectionCheck.h"
#include "RawPdf.h"
#include "TreePageCount.h"
#include "Utf8.h"
#include "core/Application.h"
#include "core/StandinHost.h"
#include "pdf/DecodeLimit.h"
#include "pdf/Document.h"

namespace e2e {
namespace {

std::string Hostile(const std::string& file) { return DataPath("hostile/" + file); }

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += "\n  " + l;
  return out;
}

std::set<std::string> FoundTexts(const ProtectRun& run) {
  std::set<std::string> texts;
  for (const vm::PiMatch& m : run.matches) texts.insert(common::Utf16ToUtf8(m.text));
  return texts;
}

struct Protected {
  ProtectRun run;
  std::string output;
  checker::CheckResult check;
};

Protected ProtectAndCheck(const std::string& file) {
  Protected p;
  p.run = Protect(Hostile(file), AllCategories());
  p.output = TempPath("hostile-" + file);
  std::string error;
  EXPECT_TRUE(p.run.applied) << file;
  EXPECT_TRUE(standin::SaveHostDocument(p.run.document, p.output, &error)) << file << ": " << error;
  p.check = checker::CheckProtectedFile({Hostile(file), p.output, p.run.Found(), '*'});
  return p;
}

class HostileCorpus : public testing::Test {
 protected:
  void TearDown() override { standin::ResetHost(); }
};

// A leaf typed /Pages, a tree that lists itself, a root count of 2^31 - 1 and a count that hides
// a page: every page the tree holds is searched and protected, nothing sized from the count.
TEST_F(HostileCorpus, EveryPageOfALyingPageTreeIsSearchedAndProtected) {
  const std::vector<std::pair<std::string, std::set<std::string>>> cases = {
      {"pages-typed-as-pages.pdf", {"010-1111-2222", "010-3333-4444"}},
      {"page-tree-loop.pdf", {"010-5555-6666", "010-7777-8888"}},
      {"huge-count.pdf", {"010-1212-3434"}},
      {"hidden-page.pdf", {"010-2323-4545", "010-9898-7676"}},
  };
  for (const auto& [file, phones] : cases) {
    const Protected p = ProtectAndCheck(file);
    EXPECT_EQ(FoundTexts(p.run), phones) << file;
    EXPECT_TRUE(p.run.report.Complete()) << file;
    EXPECT_TRUE(p.check.Passed()) << file << Joined(p.check.failures);
    for (const std::string& phone : phones)
      EXPECT_FALSE(checker::RawFileContains(p.output, phone.substr(4))) << file << " keeps " << phone;
    standin::ResetHost();
  }
}

std::string Output(const std::string& command);

// Pages as pdftotext reads them (it ends each with a form feed).
std::vector<std::string> PdftotextPages(const std::string& path) {
  const std::string text = Output("pdftotext -q -enc UTF-8 '" + path + "' - 2>/dev/null");
  std::vector<std::string> pages;
  size_t start = 0;
  for (size_t end = text.find('\f'); end != std::string::npos; end = text.find('\f', start)) {
    pages.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pages;
}

// One page object listed twice in the root's kids, and one page node reached through two
// parents: readers show every listing, so the copy has a page for each, each protected.
TEST_F(HostileCorpus, APageListedTwiceBecomesTwoPagesEachProtected) {
  const std::vector<std::tuple<std::string, long, std::vector<std::string>>> cases = {
      {"repeated-page.pdf", 3, {"Listed twice", "Listed once", "Listed twice"}},
      {"shared-page-node.pdf", 4, {"Shared node ", "Shared node too", "Shared node ", "Shared node too"}},
  };
  for (const auto& [file, pages, lines] : cases) {
    const Protected p = ProtectAndCheck(file);
    EXPECT_EQ(p.run.matches.size(), static_cast<size_t>(pages)) << file;
    EXPECT_TRUE(p.check.Passed()) << file << Joined(p.check.failures);
    EXPECT_EQ(checker::TreePageCount(p.output), pages) << file;
    const std::vector<std::string> text = PdftotextPages(p.output);
    ASSERT_EQ(text.size(), static_cast<size_t>(pages)) << file;
    for (size_t i = 0; i < text.size(); ++i) {
      EXPECT_NE(text[i].find(lines[i]), std::string::npos) << file << " page " << i << ": " << text[i];
      EXPECT_EQ(text[i].find("010-"), std::string::npos) << file << " page " << i << ": " << text[i];
    }
    standin::ResetHost();
  }
}

// The check counts the original's pages with a walk of its own: a copy that lost a page the
// host's reader lost too (the page texts kept while protecting hold two pages, the copy has
// two) fails it.
TEST_F(HostileCorpus, TheCheckCatchesAPageLostByTheHostsReaderToo) {
  const std::string full = TempPath("dropped-full.pdf");
  const std::string dropped = TempPath("dropped-two.pdf");
  ASSERT_EQ(Output("mutool clean '" + Hostile("repeated-page.pdf") + "' '" + full + "' 2>&1"), "");
  ASSERT_EQ(Output("mutool merge -o '" + dropped + "' '" + full + "' 1-2 2>&1"), "");
  ASSERT_EQ(checker::TreePageCount(dropped), 2);
  checker::PageTextStore keptWhileProtecting;
  HostHandle copy = OpenFresh(dropped);
  ASSERT_NE(copy, nullptr);
  for (int page = 0; page < checker::PageCountOf(copy); ++page)
    keptWhileProtecting.Add(page, checker::ReadPageText(copy, page));
  standin::ResetHost();
  checker::CheckInput input{Hostile("repeated-page.pdf"), dropped, nullptr, '*'};
  input.originalPages = &keptWhileProtecting;
  input.categories = {};
  const checker::CheckResult check = checker::CheckProtectedFile(input);
  EXPECT_TRUE(FailsWith(check, "page count: the page count changed: the original shows 3 pages, the copy has 2"))
      << Joined(check.failures);
}

// Pages alike to the byte (one content stream for all) stay apart in the copy, and the copy
// passes the check; before, the writer merged them into one object listed twelve times.
// Forms alike to the byte, named in resources the pages inherit from the tree, are drawn
// in page content and gone from the file with their text.
TEST_F(HostileCorpus, ObjectsAlikeToTheByteKeepTheirIdentity) {
  const Protected pages = ProtectAndCheck("identical-pages.pdf");
  EXPECT_TRUE(pages.check.Passed()) << Joined(pages.check.failures);
  EXPECT_EQ(checker::TreePageCount(pages.output), 12);
  // Twelve page objects, not twelve listings of fewer.
  EXPECT_EQ(Output("mutool show '" + pages.output + "' pages | cut -d= -f2 | sort -u | wc -l"), "12\n");
  standin::ResetHost();

  const Protected forms = ProtectAndCheck("inherited-twin-forms.pdf");
  EXPECT_EQ(forms.run.matches.size(), 2u);
  EXPECT_TRUE(forms.check.Passed()) << Joined(forms.check.failures);
  EXPECT_FALSE(checker::RawFileContains(forms.output, "7171-8181"));
}

// Paths from the form's /Fields to its leaves, counted up to `limit`.
long FieldPaths(fz_context* ctx, pdf_obj* kids, int depth, long limit) {
  long paths = 0;
  for (int i = 0; i < pdf_array_len(ctx, kids) && paths < limit && depth < 64; ++i) {
    pdf_obj* below = pdf_dict_get(ctx, pdf_array_get(ctx, kids, i), PDF_NAME(Kids));
    paths += pdf_is_array(ctx, below) ? FieldPaths(ctx, below, depth + 1, limit - paths) : 1;
  }
  return paths;
}

// Form-field nodes that each name their one kid twice, 25 levels deep (2^25 paths in 3 KB):
// opened, each field is listed once, so that readers walking every path (poppler does) finish
// on the copy, which then passes the check.
TEST_F(HostileCorpus, AFieldListedTwiceIsListedOnce) {
  std::string error;
  const auto document = standin::pdf::OpenDocument(Hostile("field-kids-twice.pdf"), &error);
  ASSERT_NE(document, nullptr) << error;
  pdf_obj* fields = pdf_dict_getp(document->ctx, pdf_trailer(document->ctx, document->doc), "Root/AcroForm/Fields");
  EXPECT_EQ(FieldPaths(document->ctx, fields, 0, 1000), 1);

  Protected p = ProtectAndCheck("field-kids-twice.pdf");
  EXPECT_EQ(FoundTexts(p.run), (std::set<std::string>{"010-4646-5757"}));
  // The field's value and appearance are masked by the command line's protection outside the
  // pages, not run here: pdftotext reads the field's number in the copy.
  EXPECT_TRUE(FailsWith(p.check, "pdftotext: page 0: pdftotext reads \"010-9191-2828\"")) << Joined(p.check.failures);
  EXPECT_EQ(p.check.failures.size(), 1u) << Joined(p.check.failures);
}

// The information dictionary's and the XMP metadata's dates, times and tool names (elements,
// attributes, history events) hold machine values: none is a birth date or an IP address. The
// human fields beside them (title, author, description) are searched as before.
TEST_F(HostileCorpus, DatesAndToolNamesOfTheMetadataAreNoOccurrences) {
  std::string error;
  const auto document = standin::pdf::OpenDocument(Hostile("machine-values.pdf"), &error);
  ASSERT_NE(document, nullptr) << error;
  const docscan::OutsideScan scan =
      docscan::ScanOutsideText(*document, {true, true, true, true, true, true, true, true, true});
  std::set<std::string> found;
  for (const docscan::OutsideHit& hit : scan.hits) found.insert(common::Utf16ToUtf8(hit.text));
  EXPECT_EQ(found, (std::set<std::string>{"010-7878-9898", "1966-06-06", "010-3434-5656", "1977-07-07"}));
}

// A content stream of two Flate filters, 37 KB that decode to 16 GB: decoding stops at the
// limit, the page is reported as not fully searched, and the check stops pdftotext (which has
// no such limit) on a copy that holds the stream, instead of reading for hours.
TEST_F(HostileCorpus, ADecompressionBombStopsAtTheLimit) {
  standin::pdf::SetDecodeLimit(16 << 20);
  const uint64_t hits = standin::pdf::DecodeLimitHits();
  const ProtectRun run = Protect(Hostile("decompression-bomb.pdf"), AllCategories());
  EXPECT_FALSE(run.report.Complete());
  EXPECT_GT(standin::pdf::DecodeLimitHits(), hits);
  standin::ResetHost();

  const std::string copy = TempPath("bomb-copy.pdf");
  std::filesystem::copy_file(Hostile("decompression-bomb.pdf"), copy, std::filesystem::copy_options::overwrite_existing);
  const checker::CheckResult check = checker::CheckProtectedFile({Hostile("decompression-bomb.pdf"), copy, nullptr, '*'});
  standin::pdf::SetDecodeLimit(0);
  EXPECT_TRUE(FailsWith(check, "pdftotext: the copy holds a stream beyond the engine limit (a stream decodes to more than 16 MiB")) << Joined(check.failures);
}

// Files that read but that the writer refused ("Cannot write the document"): an object no
// parser reads is written as the null it reads as, and arrays nested 300 deep are cut at a
// depth no producer reaches; both are protected and pass the check.
TEST_F(HostileCorpus, WhatReadsCanBeWritten) {
  for (const std::string file : {"unparsable-object.pdf", "deep-nesting.pdf"}) {
    const Protected p = ProtectAndCheck(file);
    EXPECT_EQ(FoundTexts(p.run), (std::set<std::string>{"010-1212-3434"})) << file;
    EXPECT_TRUE(p.check.Passed()) << file << Joined(p.check.failures);
    standin::ResetHost();
  }
}

// A page with 32,000 links and a note holding a phone number: the note is masked, the links
// stay as they were, and the check passes although pdftotext refuses the page (more than
// 10,000 annotations) in both files. Before, the writer compared every pair of objects, which
// took minutes here.
TEST_F(HostileCorpus, ThirtyTwoThousandAnnotationsAreKeptAsTheyWere) {
  ProtectRun run = Protect(Hostile("many-annotations.pdf"), AllCategories());
  standin::pdf::Document& pdf = *standin::PdfDocumentOf(run.document);
  const docscan::OutsideScan outside = docscan::ScanOutsideText(pdf, AllCategories().flags);
  const docscan::OutsideProtection done = docscan::ProtectOutsideText(pdf, outside, AllCategories(), false);
  EXPECT_EQ(done.goneTexts, (std::vector<std::u16string>{u"010-8282-9393"}));
  const std::string output = TempPath("hostile-many-annotations.pdf");
  std::string error;
  ASSERT_TRUE(standin::SaveHostDocument(run.document, output, &error)) << error;
  checker::CheckInput input{Hostile("many-annotations.pdf"), output, run.Found(), '*'};
  input.outsideTexts = done.goneTexts;
  const checker::CheckResult check = checker::CheckProtectedFile(input);
  EXPECT_TRUE(check.Passed()) << Joined(check.failures);
  EXPECT_EQ(Output("mutool show '" + output + "' grep | grep -c '/Subtype/Link'"), "32000\n");
  EXPECT_EQ(Output("mutool show '" + output + "' grep | grep '/Subtype/Link' | grep -c '/AP' || true"), "0\n");
  EXPECT_TRUE(checker::RawFileContains(output, "https://example.com/index/31999"));
}

// A page-tree node whose kid cannot be parsed: opening fails with a message naming the file and
// keeps nothing of the partial walk (the sanitizer build checks for leaks).
TEST_F(HostileCorpus, AnUnreadablePageTreeIsRefusedWithAMessage) {
  std::string error;
  EXPECT_EQ(standin::OpenHostDocument(Hostile("garbled-kids.pdf"), &error), nullptr);
  EXPECT_NE(error.find("damaged"), std::string::npos) << error;
  EXPECT_NE(error.find("garbled-kids.pdf"), std::string::npos) << error;
}

// MuPDF recovers from a damaged Flate stream and from a font it cannot load by reading less text
// than pdftotext finds; such a page is reported as not fully searched.
TEST_F(HostileCorpus, AStreamOrFontThatCannotBeReadLeavesThePageNotFullySearched) {
  for (const std::string file : {"damaged-flate.pdf", "bogus-cid-font.pdf"}) {
    const ProtectRun run = Protect(Hostile(file), AllCategories());
    EXPECT_EQ(run.report.incompletePages, (std::vector<int32_t>{0})) << file;
    standin::ResetHost();
  }
  // What the host could not read, pdftotext reads in the copy: the check runs the detection
  // rules on its text and fails.
  const ProtectRun run = Protect(Hostile("bogus-cid-font.pdf"), AllCategories());
  ASSERT_TRUE(run.matches.empty());
  const std::string output = TempPath("hostile-unread-font.pdf");
  std::string error;
  ASSERT_TRUE(standin::SaveHostDocument(run.document, output, &error)) << error;
  const checker::CheckResult check = checker::CheckProtectedFile({Hostile("bogus-cid-font.pdf"), output, nullptr, '*'});
  EXPECT_TRUE(FailsWith(check, "pdftotext: page 0: pdftotext reads \"010-6543-2109\" in the copy")) << Joined(check.failures);
  EXPECT_TRUE(Protect(DataPath("tj-kerning.pdf"), AllCategories()).report.Complete());
}

// The catalog refers to object 10, which /Size 10 leaves undefined; no object written for the
// protection (new content, undo copies) may take that number and become reachable through it.
TEST_F(HostileCorpus, AReferencedButUndefinedNumberIsNeverHandedOut) {
  const Protected p = ProtectAndCheck("dangling-reference.pdf");
  ASSERT_EQ(FoundTexts(p.run), (std::set<std::string>{"010-2468-1357"}));
  EXPECT_TRUE(p.check.Passed()) << Joined(p.check.failures);
  EXPECT_FALSE(checker::RawFileContains(p.output, "2468-1357"));
}

// Marked-content property lists (inline and named in the resources) that repeat the text of
// masked runs lose those entries; the one over untouched text keeps its own.
TEST_F(HostileCorpus, ActualTextAltAndEOverMaskedTextAreRemoved) {
  const Protected p = ProtectAndCheck("marked-content.pdf");
  EXPECT_EQ(FoundTexts(p.run), (std::set<std::string>{"010-1234-5678", "kim.alt@example.com", "192.168.200.7",
                                                      "010-1357-2468"}));
  EXPECT_TRUE(p.check.Passed()) << Joined(p.check.failures);
  for (const std::string kept : {"1234-5678", "alt@example", "200.7", "1357-2468"})
    EXPECT_FALSE(checker::RawFileContains(p.output, kept)) << kept;
  EXPECT_TRUE(checker::RawFileContains(p.output, "/ActualText(Unrelated words)"));
}

// A thousand phone numbers in one string: every one is found and masked.
TEST_F(HostileCorpus, ManyOccurrencesInOneStringAreAllProtected) {
  const Protected p = ProtectAndCheck("crowded-string.pdf");
  EXPECT_EQ(p.run.matches.size(), 1000u);
  EXPECT_TRUE(p.check.Passed()) << Joined(p.check.failures);
}

std::string Output(const std::string& command) {
  std::string out;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  if (pclose(pipe) != 0) out += "\n(failed)";
  return out;
}

std::string EncryptionLine(const std::string& path) {
  const std::string info = Output("pdfinfo '" + path + "' 2>&1");
  const size_t at = info.find("Encrypted:");
  return at == std::string::npos ? info : info.substr(at, info.find('\n', at) - at);
}

// Owner password only: the protected copy opens in other readers, encrypted with the same method
// and the same permissions, and holds none of the masked text.
TEST_F(HostileCorpus, AnOwnerPasswordFileIsEncryptedAgainSoThatReadersOpenIt) {
  for (const std::string file : {"encrypted-aes-256.pdf", "encrypted-aes-128.pdf", "encrypted-rc4-128.pdf",
                                 "encrypted-rc4-40.pdf"}) {
    const Protected p = ProtectAndCheck(file);
    EXPECT_EQ(FoundTexts(p.run), (std::set<std::string>{"010-8642-9753", "kim.enc@example.com"})) << file;
    EXPECT_TRUE(p.check.Passed()) << file << Joined(p.check.failures);
    EXPECT_EQ(EncryptionLine(p.output), EncryptionLine(Hostile(file))) << file;
    const std::string text = Output("pdftotext -q '" + p.output + "' - 2>&1");
    EXPECT_NE(text.find("Encrypted owner only"), std::string::npos) << file << ": " << text;
    EXPECT_EQ(text.find("8642-9753"), std::string::npos) << file;
    standin::ResetHost();
  }
}

}  // namespace
}  // namespace e2e
