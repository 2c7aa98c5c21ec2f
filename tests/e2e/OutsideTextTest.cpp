// Personal information outside the page content (links, annotations, fields, metadata,
// bookmarks, attachments) and pages that are images: found, protected as the command line
// protects it, and checked in the saved file.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include "CorpusSupport.h"
#include "ImagePages.h"
#include "OutsideCheck.h"
#include "OutsideProtect.h"
#include "ProtectionCheck.h"
#include "Utf8.h"
#include "core/Application.h"
#include "pdf/Document.h"
#include "pdf/ObjectCache.h"

namespace e2e {
namespace {

using Found = std::set<std::tuple<std::string, std::string, std::string>>;  // where, category, text

constexpr const char* kKeys[] = {"phone", "rrn", "foreign", "email", "account", "card", "ip", "birth", "address"};

Found Expected(const std::string& file) {
  Found expected;
  std::ifstream in(DataPath("expected-outside.tsv"));
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream fields(line);
    std::string name, where, category, text;
    std::getline(fields, name, '\t');
    std::getline(fields, where, '\t');
    std::getline(fields, category, '\t');
    std::getline(fields, text);
    if (name == file) expected.insert({where, category, SqueezedUtf8(*common::Utf8ToUtf16(text))});
  }
  return expected;
}

Found FoundIn(const docscan::OutsideScan& scan) {
  Found found;
  for (const docscan::OutsideHit& h : scan.hits)
    found.insert({scan.sources[h.source].where, kKeys[h.category], SqueezedUtf8(h.text)});
  return found;
}

vm::PiCategoryFlags AllFlags() {
  vm::PiCategoryFlags flags;
  flags.fill(true);
  return flags;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += "\n  " + l;
  return out;
}

TEST(OutsideText, EverySampleGivesExactlyTheListedOccurrences) {
  for (const std::string& file : SampleFiles()) {
    std::string error;
    auto document = standin::pdf::OpenDocument(DataPath(file), &error);
    ASSERT_TRUE(document) << error;
    const docscan::OutsideScan scan = docscan::ScanOutsideText(*document, AllFlags());
    EXPECT_TRUE(scan.complete) << file;
    // Namespace URIs of XMP packets ("1999/02/22") and producer dates are not birth dates.
    EXPECT_EQ(FoundIn(scan), Expected(file)) << file;
  }
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// Two pages; the first has a link whose action (an object of its own, which nothing changes
// when the file is opened or its annotations loaded) calls a telephone number.
std::string FileWithALinkOnTheFirstPage() {
  auto document = standin::pdf::DocumentFromContent({"BT /F1 12 Tf 72 700 Td (One) Tj ET", "BT /F1 12 Tf 72 700 Td (Two) Tj ET"});
  fz_context* ctx = document->ctx;
  pdf_obj* action = pdf_add_new_dict(ctx, document->doc, 2);
  pdf_dict_put(ctx, action, PDF_NAME(S), PDF_NAME(URI));
  pdf_dict_put_string(ctx, action, PDF_NAME(URI), "tel:010-2345-6789", 17);
  pdf_obj* link = pdf_add_new_dict(ctx, document->doc, 4);
  pdf_dict_put(ctx, link, PDF_NAME(Type), PDF_NAME(Annot));
  pdf_dict_put(ctx, link, PDF_NAME(Subtype), PDF_NAME(Link));
  pdf_dict_put_rect(ctx, link, PDF_NAME(Rect), fz_make_rect(72, 600, 200, 620));
  pdf_dict_put(ctx, link, PDF_NAME(A), action);
  pdf_array_push(ctx, pdf_dict_put_array(ctx, standin::pdf::PageObjectAt(*document, 0), PDF_NAME(Annots), 1), link);
  pdf_drop_obj(ctx, link);
  pdf_drop_obj(ctx, action);
  const std::string path = TempPath("link-first-page.pdf");
  std::string error;
  EXPECT_TRUE(standin::pdf::SaveDocument(*document, path, &error)) << error;
  return path;
}

// The walks let the document drop what it read between pages (as the command line does every
// few dozen pages; here after every page): what they find and what protection writes stay the same.
TEST(OutsideText, ReleasingObjectsBetweenPagesChangesNothing) {
  const vm::PiOptions options = PartialFormats();
  std::vector<std::string> files;
  for (const std::string& file : SampleFiles()) files.push_back(DataPath(file));
  files.push_back(FileWithALinkOnTheFirstPage());
  int released = 0;
  for (const std::string& file : files) {
    std::string saved[2];
    Found found[2];
    for (const bool releasing : {false, true}) {
      std::string error;
      auto document = standin::pdf::OpenDocument(file, &error);
      ASSERT_TRUE(document) << error;
      int calls = 0;
      docscan::BetweenPages release;
      if (releasing) release = [&](int) { ++calls, released += standin::pdf::ReleaseUnchangedObjects(*document); };
      const docscan::OutsideScan scan = docscan::ScanOutsideText(*document, AllFlags(), release);
      found[releasing] = FoundIn(scan);
      docscan::ProtectOutsideText(*document, scan, options, false);
      EXPECT_EQ(docscan::PagesWithImagesWithoutText(*document, release),
                docscan::PagesWithImagesWithoutText(*document)) << file;
      if (releasing) {
        EXPECT_EQ(calls, 2 * standin::pdf::PageCount(*document) - 1) << file;
      }
      saved[releasing] = TempPath("released-" + std::to_string(releasing) + ".pdf");
      ASSERT_TRUE(standin::pdf::SaveDocument(*document, saved[releasing], &error)) << error;
    }
    EXPECT_EQ(found[0], found[1]) << file;
    EXPECT_EQ(ReadBytes(saved[0]), ReadBytes(saved[1])) << file;
  }
  EXPECT_EQ(Found({{"link", "phone", "010-2345-6789"}}),
            FoundIn(docscan::ScanOutsideText(*standin::pdf::OpenDocument(files.back(), nullptr), AllFlags())));
  EXPECT_GT(released, 0);
}

struct Protected {
  std::string output;
  std::shared_ptr<const docscan::OccurrenceStore> found;
  docscan::OutsideProtection outside;
};

// The whole protect command in-process: forms flattened, page text protected by the module,
// then everything outside the pages, and the document saved.
Protected ProtectAll(const std::string& input, const std::string& name, bool keepAttachments) {
  Protected result;
  const vm::PiOptions options = PartialFormats();
  ProtectRun run = Protect(input, options);
  EXPECT_TRUE(run.applied);
  result.found = run.Found();
  standin::pdf::Document& pdf = *standin::PdfDocumentOf(run.document);
  const docscan::OutsideScan scan = docscan::ScanOutsideText(pdf, options.flags);
  result.outside = docscan::ProtectOutsideText(pdf, scan, options, keepAttachments);
  result.output = TempPath(name);
  std::string error;
  EXPECT_TRUE(standin::SaveHostDocument(run.document, result.output, &error)) << error;
  standin::ResetHost();
  return result;
}

TEST(OutsideText, ProtectedCopyPassesTheCheckAndTheOriginalFailsIt) {
  const std::string input = DataPath("outside-text.pdf");
  const Protected run = ProtectAll(input, "outside-protected.pdf", false);
  ASSERT_FALSE(run.outside.goneTexts.empty());
  EXPECT_EQ(run.outside.removedAttachments, std::vector<std::string>{"회원명단.csv"});

  checker::CheckInput check{input, run.output, run.found, '*', run.outside.goneTexts};
  const checker::CheckResult result = checker::CheckProtectedFile(check);
  EXPECT_TRUE(result.Passed()) << Joined(result.failures);

  // The original holds every text still: each kind of place is named.
  const std::vector<std::string> failures = checker::CheckOutsideTexts(input, run.outside.goneTexts);
  for (const char* where : {"link", "annotation", "field", "info", "xmp", "outline", "attachment", "object"}) {
    bool named = false;
    for (const std::string& f : failures) named = named || f.rfind(where, 0) == 0;
    EXPECT_TRUE(named) << where << Joined(failures);
  }

  // What stays readable is what the display formats show, and a second scan finds nothing.
  std::string error;
  auto saved = standin::pdf::OpenDocument(run.output, &error);
  ASSERT_TRUE(saved) << error;
  const docscan::OutsideScan again = docscan::ScanOutsideText(*saved, AllFlags());
  EXPECT_TRUE(FoundIn(again).empty());
  std::set<std::string> texts;
  for (const docscan::TextSource& s : again.sources) texts.insert(s.where + " " + s.key + " " + common::Utf16ToUtf8(s.text));
  EXPECT_TRUE(texts.count("field V 010-****-4545")) << "field value";
  EXPECT_TRUE(texts.count("link URI tel:010-****-9876")) << "telephone link";
  EXPECT_TRUE(texts.count("info Subject 상담 전화 02-****-7000")) << "information dictionary";
  bool fieldDrawn = false;
  for (const docscan::TextSource& s : again.sources)
    fieldDrawn = fieldDrawn || (s.where == "field" && s.key == "appearance" &&
                                common::Utf16ToUtf8(s.text).find("010-****-4545") != std::string::npos);
  EXPECT_TRUE(fieldDrawn) << "the field's appearance is drawn from its masked value";
  for (const docscan::TextSource& s : again.sources) EXPECT_NE(s.where, "attachment");
}

TEST(OutsideText, KeptAttachmentsKeepTheirContentsAndTheRestIsChecked) {
  const std::string input = DataPath("outside-text.pdf");
  const Protected run = ProtectAll(input, "outside-kept.pdf", true);
  EXPECT_TRUE(run.outside.removedAttachments.empty());
  EXPECT_FALSE(run.outside.keptHits.empty());
  checker::CheckInput check{input, run.output, run.found, '*', run.outside.goneTexts};
  const checker::CheckResult result = checker::CheckProtectedFile(check);
  EXPECT_TRUE(result.Passed()) << Joined(result.failures);
  std::string error;
  auto saved = standin::pdf::OpenDocument(run.output, &error);
  ASSERT_TRUE(saved) << error;
  bool contentsKept = false;
  for (const docscan::TextSource& s : docscan::CollectTextSources(*saved))
    contentsKept = contentsKept || (s.key == "contents" && common::Utf16ToUtf8(s.text).find("900101-1234567") != std::string::npos);
  EXPECT_TRUE(contentsKept);
}

TEST(ImagePages, OnlyTheScannedPageIsListed) {
  for (const std::string& file : SampleFiles()) {
    std::string error;
    auto document = standin::pdf::OpenDocument(DataPath(file), &error);
    ASSERT_TRUE(document) << error;
    const std::vector<int> pages = docscan::PagesWithImagesWithoutText(*document);
    EXPECT_EQ(pages, file == "scanned-page.pdf" ? std::vector<int>{1} : std::vector<int>{}) << file;
  }
  // An OCR layer (invisible text) over the scan makes it searchable; a small logo is no scan.
  const struct {
    const char* content;
    bool listed;
  } cases[] = {
      {"q 500 0 0 700 50 50 cm /Im1 Do Q", true},
      {"q 500 0 0 700 50 50 cm /Im1 Do Q BT 3 Tr /F1 12 Tf 100 400 Td (OCR 010-1234-5678) Tj ET", false},
      {"q 60 0 0 40 50 700 cm /Im1 Do Q", false},
      {"q 500 0 0 700 50 50 cm BI /W 2 /H 2 /CS /G /BPC 8 ID \x10\x80\xff\x40 EI Q", true},
      {"BT /F1 12 Tf 72 700 Td (Text far away) Tj ET q 300 0 0 300 250 50 cm /Im1 Do Q", true},
  };
  for (const auto& c : cases) {
    auto document = standin::pdf::DocumentFromContent({c.content});
    ASSERT_TRUE(document);
    EXPECT_EQ(docscan::PagesWithImagesWithoutText(*document).size(), c.listed ? 1u : 0u) << c.content;
  }
}

}  // namespace
}  // namespace e2e
