// veilmark scan: personal information in PDF files, found by the module through the stand-in host.
#include <cstdio>
#include <string>

#include "Batch.h"
#include "Categories.h"
#include "Commands.h"
#include "HostSession.h"
#include "ImagePages.h"
#include "OutsideReport.h"
#include "InputFiles.h"
#include "Options.h"
#include "Preview.h"
#include "ScannedReport.h"
#include "TextOutput.h"
#include "Utf8.h"
#include "core/Application.h"
#include "pdf/DecodeLimit.h"
#include "detect/Patterns.h"
#include "detect/ScanDocument.h"

namespace cli {

namespace {

// One occurrence as a line; in a batch the line starts with the file's name.
void PrintMatch(const vm::PiMatch& m, bool json, const std::string* file) {
  const std::string head = LineStart(file, json);
  if (json) {
    std::printf("%s\"page\":%d,\"category\":\"%s\",\"start\":%d,\"length\":%d,\"text\":%s,"
                "\"rects\":%s,\"where\":\"page\"}\n",
                head.c_str(), m.pageIndex, kCategoryKeys[m.category], m.charStart, m.charCount,
                JsonString(m.text).c_str(), FormatRects(m.rects, true).c_str());
  } else {
    std::printf("%s%d\t%s\t%d\t%d\t%s\t%s\n", head.c_str(), m.pageIndex, common::Utf16ToUtf8(vm::CategoryLabel(m.category)).c_str(),
                m.charStart, m.charCount, PlainText(m.text).c_str(),
                FormatRects(m.rects, false).c_str());
  }
}

FileResult ScanFile(const Options& options, const InputFile& input, bool batch) {
  FileResult result{1, 0, 0};
  const std::string reason = UnusableInputReason(input.path);
  if (!reason.empty()) {
    std::fprintf(stderr, "veilmark scan: cannot open '%s': %s\n", input.path.c_str(), reason.c_str());
    return result;
  }
  const uint64_t limitHits = standin::pdf::DecodeLimitHits();
  HostHandle document = OpenInHost(input.path, "scan");
  if (!document) return result;

  vm::PiMatchList matches;
  vm::ScanReport report;
  vm::ScanDocument(document, options.pi.flags, matches, &report,
                   [&](int32_t page, size_t) { ReleaseObjectsNowAndThen(document, page); });
  result.pages = DocumentPageCount(document);
  standin::pdf::Document& pdf = *standin::PdfDocumentOf(document);
  const docscan::BetweenPages releaseObjects = [&](int page) { ReleaseObjectsNowAndThen(document, page); };
  const docscan::OutsideScan outside = docscan::ScanOutsideText(pdf, options.pi.flags, releaseObjects);
  std::vector<int> imagePages;
  scanned::ScannedScan images;
  if (options.ocr) images = ReadScannedPages(pdf, options.pi.flags, OcrJobs(options, batch), releaseObjects);
  else imagePages = docscan::PagesWithImagesWithoutText(pdf, releaseObjects);
  CloseInHost(document);
  result.occurrences = static_cast<int>(matches.size() + outside.hits.size()) + ScannedOccurrences(images);

  const std::string* file = batch ? &input.path : nullptr;
  for (const vm::PiMatch& m : matches) PrintMatch(m, options.json, file);
  PrintOutsideHits(outside, options.json, file);
  PrintImagePages(imagePages, options.json, file);
  PrintScannedPages(images, options.json, file);
  if (std::fflush(stdout) != 0) return result;
  result.exit = 0;
  if (!imagePages.empty()) {
    std::fprintf(stderr, "veilmark scan: '%s': %s\n", input.path.c_str(),
                 ImagePagesMessage(imagePages).c_str());
    result.exit = 3;
  }
  if (const std::string unread = UnreadPagesMessage(images); !unread.empty()) {
    std::fprintf(stderr, "veilmark scan: '%s': %s\n", input.path.c_str(), unread.c_str());
    result.exit = 3;
  }
  if (!outside.complete) {
    std::fprintf(stderr, "veilmark scan: '%s': a text outside the pages could not be searched "
                         "completely; occurrences may be missing\n", input.path.c_str());
    result.exit = 3;
  }
  if (!options.previewDir.empty() &&
      !WriteScanPreviews(input.path, WithScannedMatches(matches, images), PreviewStem(options.previewDir, input.relativeName)))
    result.exit = 1;
  if (!report.Complete()) {
    std::string pages;
    for (int32_t p : report.incompletePages) pages += (pages.empty() ? "" : ", ") + std::to_string(p);
    std::fprintf(stderr, "veilmark scan: '%s' could not be searched completely%s%s; "
                 "occurrences may be missing\n", input.path.c_str(),
                 pages.empty() ? "" : " (pages ", pages.empty() ? "" : (pages + ")").c_str());
    result.exit = WorseExit(result.exit, 3);
  }
  if (standin::pdf::DecodeLimitHits() > limitHits) {
    std::fprintf(stderr, "veilmark scan: '%s': %s; what it holds was not searched\n", input.path.c_str(),
                 standin::pdf::DecodeLimitReason().c_str());
    result.exit = WorseExit(result.exit, 3);
  }
  return result;
}

}  // namespace

int RunScanCommand(int argc, char** argv) {
  Options options;
  if (std::optional<int> exit = ParseOptions(Command::Scan, argc, argv, &options)) return *exit;
  const InputList inputs = CollectInputs(options.inputs, options.filesFrom);
  if (!inputs.error.empty()) {
    std::fprintf(stderr, "veilmark scan: %s\n", inputs.error.c_str());
    return 1;
  }
  if (inputs.files.empty()) {
    std::fprintf(stderr, "veilmark scan: no PDF files to scan\n");
    return 1;
  }
  if (!inputs.batch) {
    return ScanFile(options, inputs.files.front(), false).exit;
  }
  return RunBatch(
      inputs.files, options.jobs,
      [&](const InputFile& file) { return ScanFile(options, file, true); },
      [](const InputFile&, int) { return std::string(); });
}

}  // namespace cli
