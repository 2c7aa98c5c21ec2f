#include "mask/Replacements.h"

#include <algorithm>
#include <map>

#include "detect/PiCategory.h"
#include "detect/ScanDocument.h"
#include "host/HostCall.h"
#include "host/PageAccess.h"
#include "mask/DisplayFormat.h"

namespace vm {

namespace {

// Text pages opened during one call, by page index; a null entry means the page could not be
// opened. Every non-null one is released when the call ends.
class TextPageCache {
 public:
  explicit TextPageCache(HostHandle view) : view_(view) {}
  TextPageCache(const TextPageCache&) = delete;
  TextPageCache& operator=(const TextPageCache&) = delete;
  ~TextPageCache() {
    for (auto& [page, textPage] : pages_) {
      if (textPage) Host<120, 1>(textPage);
    }
  }

  HostHandle Get(int32_t pageIndex) {
    auto found = pages_.find(pageIndex);
    if (found != pages_.end()) return found->second;
    HostHandle& slot = pages_[pageIndex];
    slot = Open(pageIndex);
    return slot;
  }

 private:
  HostHandle Open(int32_t pageIndex) {
    HostHandle pageView = Host<31, 2>(view_, pageIndex);
    if (!pageView) return nullptr;
    HostHandle pdfPage = Host<32, 2>(pageView);
    if (!pdfPage) return nullptr;
    return OpenAnalysedTextPage(pdfPage);
  }

  HostHandle view_;
  std::map<int32_t, HostHandle> pages_;
};

void AppendRuns(const PiMatch& match, const PiMask& mask, HostHandle textPage,
                PiMatchList& replacements) {
  const int32_t n = match.charCount;
  for (int32_t s = 0; s < n;) {
    if (!mask[s]) {
      ++s;
      continue;
    }
    int32_t e = s;
    while (e < n && mask[e]) ++e;
    PiMatch record;
    record.pageIndex = match.pageIndex;
    record.charStart = match.charStart + s;
    record.charCount = e - s;
    record.fontSize = match.fontSize;
    record.category = match.category;
    record.text = match.text.substr(s, std::min<std::size_t>(match.text.size() - s, e - s));
    record.rects = CharRangeBoxes(textPage, record.charStart, record.charCount);
    replacements.push_back(std::move(record));
    s = e;
  }
}

}  // namespace

int32_t BuildReplacements(HostHandle document, const PiOptions& options, const PiMatchList& matches,
                          PiMatchList& replacements) {
  replacements.clear();
  if (matches.empty()) return 0;
  HostHandle view = document ? Host<26, 24>(document) : nullptr;
  TextPageCache cache(view);
  PiMask mask;
  for (const PiMatch& match : matches) {
    std::u16string_view format;
    if (match.category >= 0 && match.category < kCategoryCount) format = options.formats[match.category];
    const bool splittable = HasShownLetter(format) && match.charCount > 0 &&
                            match.text.size() == static_cast<std::size_t>(match.charCount) && view;
    if (!splittable) {
      replacements.push_back(match);
      continue;
    }
    ComputeMask(match.category, match.text, format, mask);
    HostHandle textPage = cache.Get(match.pageIndex);
    if (!textPage) {
      replacements.push_back(match);
      continue;
    }
    AppendRuns(match, mask, textPage, replacements);
  }
  return static_cast<int32_t>(replacements.size());
}

}  // namespace vm
