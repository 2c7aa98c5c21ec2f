// veilmark scan: personal information in PDF files, found by the module through the stand-in host.
#include <cstddef>
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
void PrintMatch(std::FILE* out, const vm::PiMatch& m, bool json, const std::string* file) {
  const std::string head = LineStart(file, json);
  if (json) {
    std::fprintf(out, "%s\"page\":%d,\"category\":\"%s\",\"start\":%d,\"length\":%d,\"text\":%s,"
                 "\"rects\":%s,\"where\":\"page\"}\n",
                 head.c_str(), m.pageIndex, kCategoryKeys[m.category], m.charStart, m.charCount,
                 JsonString(m.text).c_str(), FormatRects(m.rects, true).c_str());
  } else {
    std::fprintf(out, "%s%d\t%s\t%d\t%d\t%s\t%s\n", head.c_str(), m.pageIndex,
                 common::Utf16ToUtf8(vm::CategoryLabel(m.category)).c_str(), m.charStart, m.charCount,
                 PlainText(m.text).c_str(), FormatRects(m.rects, false).c_str());
  }
}

// The lines of the occurrences on the pages, written to a temporary file as each page is
// scanned so that a long document's occurrences are not all held until the walks end (the
// lines still come out together, before those of the other walks). Without a temporary file
// the occurrences stay in the list and are printed from there.
class PageLines {
 public:
  PageLines() : file_(std::tmpfile()) {}
  ~PageLines() {
    if (file_) std::fclose(file_);
  }
  PageLines(const PageLines&) = delete;
  PageLines& operator=(const PageLines&) = delete;

  // Writes the records from `first` on and, unless `keep`, takes them out of the list.
  void Take(vm::PiMatchList& matches, size_t first, bool json, const std::string* file, bool keep) {
    if (!file_ || first >= matches.size()) return;
    for (size_t i = first; i < matches.size(); ++i) PrintMatch(file_, matches[i], json, file);
    written_ += matches.size() - first;
    if (!keep) matches.erase(matches.begin() + static_cast<std::ptrdiff_t>(first), matches.end());
  }
  size_t Written() const { return written_; }
  // Copies the written lines to standard output; false when the temporary file failed.
  bool CopyToOutput() {
    if (!file_) return true;
    if (std::fflush(file_) != 0 || std::ferror(file_) || std::fseek(file_, 0, SEEK_SET) != 0) return false;
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0)
      if (std::fwrite(buffer, 1, n, stdout) != n) return false;
    return !std::ferror(file_);
  }
  bool Spooled() const { return file_ != nullptr; }

 private:
  std::FILE* file_;
  size_t written_ = 0;
};

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

  const std::string* file = batch ? &input.path : nullptr;
  const bool keepMatches = !options.previewDir.empty();
  PageLines lines;
  vm::PiMatchList matches;
  vm::ScanReport report;
  vm::ScanDocument(document, options.pi.flags, matches, &report, [&](int32_t page, size_t first) {
    lines.Take(matches, first, options.json, file, keepMatches);
    standin::ReleaseObjectsNowAndThen(document, page);
  });
  // Records of a page the scan did not finish (it ended early) are still in the list.
  lines.Take(matches, keepMatches ? lines.Written() : 0, options.json, file, keepMatches);
  result.pages = DocumentPageCount(document);
  standin::pdf::Document& pdf = *standin::PdfDocumentOf(document);
  const docscan::BetweenPages releaseObjects = [&](int page) { standin::ReleaseObjectsNowAndThen(document, page); };
  const docscan::OutsideScan outside = docscan::ScanOutsideText(pdf, options.pi.flags, releaseObjects);
  std::vector<int> imagePages;
  scanned::ScannedScan images;
  if (options.ocr) images = ReadScannedPages(pdf, options.pi.flags, OcrJobs(options, batch), releaseObjects);
  else imagePages = docscan::PagesWithImagesWithoutText(pdf, releaseObjects);
  CloseInHost(document);
  const size_t pageOccurrences = lines.Spooled() ? lines.Written() : matches.size();
  result.occurrences = static_cast<int>(pageOccurrences + outside.hits.size()) + ScannedOccurrences(images);

  if (!lines.CopyToOutput()) {
    std::fprintf(stderr, "veilmark scan: '%s': the occurrences found could not be kept in a temporary file\n",
                 input.path.c_str());
    return result;
  }
  if (!lines.Spooled())
    for (const vm::PiMatch& m : matches) PrintMatch(stdout, m, options.json, file);
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
