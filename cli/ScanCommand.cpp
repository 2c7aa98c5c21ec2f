// veilmark scan: personal information in a PDF file, found by the module through the stand-in host.
#include <cstdio>
#include <cstring>
#include <string>

#include "Categories.h"
#include "Commands.h"
#include "FileArguments.h"
#include "HostSession.h"
#include "ImagePages.h"
#include "OutsideReport.h"
#include "TextOutput.h"
#include "Utf8.h"
#include "detect/Patterns.h"
#include "core/Application.h"
#include "detect/ScanDocument.h"

namespace cli {

namespace {

constexpr char kUsage[] =
    "usage: veilmark scan FILE.pdf [--categories LIST] [--json]\n"
    "\n"
    "Finds personal information in a PDF file and prints each occurrence: page (0-based),\n"
    "category, start and length in the page text, text and page rectangles; then those in\n"
    "annotations, links, form fields, the document information, XMP metadata, bookmarks and\n"
    "attachments (where, the object and entry holding it, start and length in that text), and\n"
    "pages that are images without text.\n"
    "\n"
    "  --categories LIST  comma-separated, from phone, rrn, foreign, email, account, card,\n"
    "                     ip, birth, address (default: all)\n"
    "  --json             one JSON object per line: page, category, start, length, text, rects,\n"
    "                     where (page, annotation, link, field, info, xmp, outline, attachment,\n"
    "                     image)\n"
    "\n"
    "Exit status: 0 searched completely, 1 file error, 2 usage, 3 not everything could be\n"
    "searched (engine limits, or pages that are images without text).\n";

std::string FormatRects(const std::vector<HostBox>& rects, bool json) {
  std::string out = json ? "[" : "";
  char buffer[128];
  for (size_t i = 0; i < rects.size(); ++i) {
    const HostBox& r = rects[i];
    std::snprintf(buffer, sizeof buffer, json ? "%s[%.2f,%.2f,%.2f,%.2f]" : "%s%.2f %.2f %.2f %.2f",
                  i == 0 ? "" : (json ? "," : "; "), r.x0, r.y0, r.x1, r.y1);
    out += buffer;
  }
  return json ? out + "]" : out;
}

}  // namespace

int RunScanCommand(int argc, char** argv) {
  FileArguments args;
  if (std::optional<int> exit = ParseFileArguments(argc, argv, "scan", kUsage, &args)) return *exit;
  const std::string& path = args.path;
  const vm::PiCategoryFlags& flags = args.flags;
  const bool json = args.json;

  HostHandle document = OpenInHost(path, "scan");
  if (!document) return 1;

  vm::PiMatchList matches;
  vm::ScanReport report;
  vm::ScanDocument(document, flags, matches, &report);

  for (const vm::PiMatch& m : matches) {
    if (json) {
      std::printf("{\"page\":%d,\"category\":\"%s\",\"start\":%d,\"length\":%d,\"text\":%s,"
                  "\"rects\":%s,\"where\":\"page\"}\n",
                  m.pageIndex, kCategoryKeys[m.category], m.charStart, m.charCount,
                  JsonString(m.text).c_str(), FormatRects(m.rects, true).c_str());
    } else {
      std::printf("%d\t%s\t%d\t%d\t%s\t%s\n", m.pageIndex,
                  common::Utf16ToUtf8(vm::CategoryLabel(m.category)).c_str(), m.charStart, m.charCount,
                  PlainText(m.text).c_str(), FormatRects(m.rects, false).c_str());
    }
  }
  standin::pdf::Document& pdf = *standin::PdfDocumentOf(document);
  const docscan::OutsideScan outside = docscan::ScanOutsideText(pdf, flags);
  PrintOutsideHits(outside, json);
  const std::vector<int> imagePages = docscan::PagesWithImagesWithoutText(pdf);
  PrintImagePages(imagePages, json);
  if (std::fflush(stdout) != 0) return 1;
  int status = 0;
  if (!imagePages.empty()) {
    std::fprintf(stderr, "veilmark scan: %s\n", ImagePagesMessage(imagePages).c_str());
    status = 3;
  }
  if (!outside.complete) {
    std::fprintf(stderr, "veilmark scan: a text outside the pages could not be searched completely; "
                         "occurrences may be missing\n");
    status = 3;
  }
  if (!report.Complete()) {
    std::string pages;
    for (int32_t p : report.incompletePages) pages += (pages.empty() ? "" : ", ") + std::to_string(p);
    std::fprintf(stderr, "veilmark scan: the document could not be searched completely%s%s; "
                 "occurrences may be missing\n",
                 pages.empty() ? "" : " (pages ", pages.empty() ? "" : (pages + ")").c_str());
    return 3;
  }
  return status;
}

}  // namespace cli
