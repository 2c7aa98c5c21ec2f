#include "ScannedReport.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "Batch.h"
#include "Categories.h"
#include "OcrModule.h"
#include "TextOutput.h"
#include "Utf8.h"
#include "detect/Patterns.h"

namespace cli {

namespace {

std::string Json(const std::string& utf8) { return JsonString(common::Utf8ToUtf16(utf8).value_or(u"?")); }

}  // namespace

void PrintScannedPages(const scanned::ScannedScan& scan, bool json, const std::string* file) {
  const std::string head = LineStart(file, json);
  for (const scanned::ImageReading& image : scan.images) {
    for (const scanned::RecognisedHit& hit : image.hits) {
      const std::string rects = FormatRects(scanned::PageRects(image, hit), json);
      if (json)
        std::printf("%s\"page\":%d,\"category\":\"%s\",\"text\":%s,\"rects\":%s,\"where\":\"image\",\"object\":%d,"
                    "\"confidence\":%.1f}\n",
                    head.c_str(), image.placement.page, kCategoryKeys[hit.category], JsonString(hit.text).c_str(),
                    rects.c_str(), image.placement.object, hit.confidence);
      else
        std::printf("%s%d\t%s\timage\t%.0f%%\t%s\t%s\n", head.c_str(), image.placement.page,
                    common::Utf16ToUtf8(vm::CategoryLabel(hit.category)).c_str(), hit.confidence,
                    PlainText(hit.text).c_str(), rects.c_str());
    }
  }
  for (const auto& [page, reason] : scan.UnsearchedPages()) {
    if (json)
      std::printf("%s\"where\":\"image\",\"page\":%d,\"searched\":false,\"reason\":%s}\n", head.c_str(), page,
                  Json(reason).c_str());
    else
      std::printf("%s%d\timage\tnot searched: %s\n", head.c_str(), page, reason.c_str());
  }
}

std::string UnreadPagesMessage(const scanned::ScannedScan& scan) {
  std::string message;
  for (const auto& [page, reason] : scan.UnsearchedPages())
    message += (message.empty() ? "" : "; ") + std::string("page ") + std::to_string(page) + ": " + reason;
  if (message.empty()) return message;
  return "pages that are images could not be read by OCR (" + message + "); occurrences on them may be missing";
}

vm::PiMatchList WithScannedMatches(const vm::PiMatchList& records, const scanned::ScannedScan& scan) {
  vm::PiMatchList matches = records;
  for (const scanned::ImageReading& image : scan.images)
    for (const scanned::RecognisedHit& hit : image.hits) {
      vm::PiMatch m;
      m.pageIndex = image.placement.page;
      m.charStart = hit.start;
      m.charCount = static_cast<int32_t>(hit.text.size());
      m.category = hit.category;
      m.text = hit.text;
      m.rects = scanned::PageRects(image, hit);
      matches.push_back(std::move(m));
    }
  return matches;
}

int ScannedOccurrences(const scanned::ScannedScan& scan) {
  int count = 0;
  for (const scanned::ImageReading& image : scan.images) count += static_cast<int>(image.hits.size());
  return count;
}

int OcrJobs(const Options& options, bool batch) {
  if (batch) return 1;
  return options.jobs > 0 ? options.jobs : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

scanned::TextReaderFactory OcrReaders() { return scanned::TesseractReaders(); }

scanned::ScannedScan ReadScannedPages(standin::pdf::Document& document, const vm::PiCategoryFlags& flags, int jobs,
                                      const docscan::BetweenPages& betweenPages) {
  return scanned::ReadScannedPages(document, flags, OcrReaders(), jobs,
                                   [](size_t done, size_t total) { NoteOcrProgress(done, total); }, betweenPages);
}

}  // namespace cli
