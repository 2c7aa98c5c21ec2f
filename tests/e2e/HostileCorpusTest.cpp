// The damaged and hostile documents of tests/data/hostile (tools/make-hostile-samples.sh): each
// is searched and protected fully, or reported as not fully searched; none is protected while
// its text stays readable.
#include <gtest/gtest.h>

#include <set>

#include "CorpusSupport.h"
#include "ProtectionCheck.h"
#include "RawPdf.h"
#include "Utf8.h"
#include "core/Application.h"
#include "core/StandinHost.h"

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
  p.check = checker::CheckProtectedFile({Hostile(file), p.output, p.run.matches, p.run.replacements, '*'});
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
