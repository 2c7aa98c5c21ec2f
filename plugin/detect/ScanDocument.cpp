#include "detect/ScanDocument.h"

#include <cmath>
#include <string>

#include "detect/Detect.h"
#include "detect/Patterns.h"
#include "host/HostCall.h"
#include "host/PageAccess.h"

namespace vm {

namespace {

// Runs a release on every way out of a scope.
template <class Release>
class ScopeExit {
 public:
  explicit ScopeExit(Release release) : release_(release) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ~ScopeExit() { release_(); }

 private:
  Release release_;
};

std::u16string FetchPageText(HostHandle textPage, int32_t count) {
  HostHandle string = Host<18, 0>();
  ScopeExit release([&] { Host<18, 3>(string); });
  Host<120, 16>(textPage, 0, count, &string);
  // Cut at the first zero code unit, which ends the host's buffer.
  const char16_t* buffer = Host<18, 42>(string);
  return buffer ? std::u16string(buffer) : std::u16string();
}

// Appends the page's records; false when the page could not be searched whole (its parsing
// never finished, or the engine gave up part-way).
bool ScanPage(const PiPatternList& patterns, HostHandle view, int32_t pageIndex, PiMatchList& list) {
  // A page the host cannot show or read was not searched.
  HostHandle pageView = Host<31, 2>(view, pageIndex);
  if (!pageView) return false;
  HostHandle pdfPage = Host<32, 2>(pageView);
  if (!pdfPage) return false;
  bool parsed = true;
  HostHandle textPage = OpenAnalysedTextPage(pdfPage, &parsed);
  if (!textPage) return false;
  ScopeExit release([&] { Host<120, 1>(textPage); });

  // A page whose parsing never finished is searched as far as its text goes and reported as not
  // completely searched.
  int32_t count = Host<120, 4>(textPage);
  if (count < 1) return parsed;

  const std::u16string text = FetchPageText(textPage, count);
  PageDetection detection = DetectInPageText(patterns, text);
  for (const PiCandidate& candidate : detection.selected) {
    PiMatch record;
    record.pageIndex = pageIndex;
    record.charStart = candidate.start;
    record.charCount = candidate.length;
    record.category = candidate.category;
    record.text = text.substr(candidate.start, candidate.length);

    HostCharInfo info;
    QueryCharInfo(textPage, candidate.start, &info);
    record.fontSize = EffectiveFontSize(info);

    record.rects = CharRangeBoxes(textPage, candidate.start, candidate.length);
    if (!record.rects.empty()) list.push_back(std::move(record));
  }
  return parsed && detection.complete;
}

}  // namespace

std::vector<HostBox> CharRangeBoxes(HostHandle textPage, int32_t first, int32_t count) {
  std::vector<HostBox> boxes;
  HostHandle array = Host<11, 0>();
  ScopeExit release([&] { Host<11, 1>(array); });
  Host<120, 6>(textPage, first, count, &array);
  int32_t size = Host<11, 2>(array);
  for (int32_t i = 0; i < size; ++i) boxes.push_back(Host<11, 6>(array, i));
  return boxes;
}

float EffectiveFontSize(const HostCharInfo& info) {
  const float ad = info.a * info.d;
  const float bc = info.b * info.c;
  const float determinant = ad - bc;
  float scale = static_cast<float>(std::sqrt(static_cast<double>(std::fabs(determinant))));
  if (!(scale > 0.01)) scale = 1;
  return scale * info.fontSize;
}

int32_t ScanDocument(HostHandle document, const PiCategoryFlags& flags, PiMatchList& list,
                     ScanReport* report, const PageScanned& pageScanned) {
  list.clear();
  if (report) *report = ScanReport{};
  if (!document) return 0;
  bool anyFlag = false;
  for (bool flag : flags) anyFlag = anyFlag || flag;
  if (!anyFlag) return 0;

  try {
    HostHandle pdfDocument = Host<26, 4>(document);
    HostHandle view = Host<26, 24>(document);
    if (!pdfDocument || !view) return 0;

    PiPatternList patterns;
    BuildPatternSet(flags, patterns);
    if (patterns.empty()) return 0;

    const int32_t pageCount = Host<34, 10>(pdfDocument);
    for (int32_t p = 0; p < pageCount; ++p) {
      const std::size_t first = list.size();
      if (!ScanPage(patterns, view, p, list) && report) report->incompletePages.push_back(p);
      if (pageScanned) pageScanned(p, first);
    }
  } catch (...) {
    // Runs inside the host's window procedure: report the early end instead of unwinding
    // through the host.
    if (report) report->aborted = true;
  }
  return static_cast<int32_t>(list.size());
}

}  // namespace vm
