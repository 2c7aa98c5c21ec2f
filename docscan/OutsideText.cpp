#include "OutsideText.h"

#include "detect/Detect.h"
#include "detect/Patterns.h"
#include "mask/DisplayFormat.h"

namespace docscan {

std::u16string XmlWithoutMarkup(std::u16string_view xml) {
  std::u16string out(xml);
  size_t i = 0;
  auto blank = [&](size_t from, size_t to) {
    for (size_t k = from; k < to && k < out.size(); ++k)
      if (out[k] != u'\n') out[k] = u' ';
  };
  while (i < xml.size()) {
    if (xml[i] != u'<') {
      ++i;
      continue;
    }
    if (xml.compare(i, 4, u"<!--") == 0 || xml.compare(i, 2, u"<?") == 0) {
      const std::u16string_view close = xml[i + 1] == u'!' ? u"-->" : u"?>";
      const size_t end = xml.find(close, i);
      const size_t stop = end == std::u16string_view::npos ? xml.size() : end + close.size();
      blank(i, stop);
      i = stop;
      continue;
    }
    // A tag: names are blanked, attribute values stay unless they declare a namespace.
    size_t k = i;
    size_t nameStart = i;
    while (k < xml.size() && xml[k] != u'>') {
      if (xml[k] == u'"' || xml[k] == u'\'') {
        const char16_t quote = xml[k];
        const size_t end = xml.find(quote, k + 1);
        const size_t stop = end == std::u16string_view::npos ? xml.size() : end;
        std::u16string_view name = xml.substr(nameStart, k - nameStart);
        const size_t start = name.find_first_not_of(u" \t\r\n=");
        name = start == std::u16string_view::npos ? u"" : name.substr(start);
        blank(nameStart, k + 1);
        if (name.rfind(u"xmlns", 0) == 0) blank(k + 1, stop);
        k = stop + 1;
        nameStart = k;
        continue;
      }
      if (xml[k] == u' ' || xml[k] == u'\t' || xml[k] == u'\n' || xml[k] == u'\r') {
        blank(nameStart, k);
        nameStart = k;
      }
      ++k;
    }
    blank(nameStart, k + 1);
    i = k + 1;
  }
  return out;
}

OutsideScan ScanOutsideText(standin::pdf::Document& document, const vm::PiCategoryFlags& flags) {
  OutsideScan scan;
  scan.sources = CollectTextSources(document);
  vm::PiPatternList patterns;
  vm::BuildPatternSet(flags, patterns);
  if (patterns.empty()) return scan;
  for (size_t s = 0; s < scan.sources.size(); ++s) {
    const std::u16string& text = scan.sources[s].text;
    const bool xml = scan.sources[s].kind == Kind::Metadata;
    const vm::PageDetection detection = vm::DetectInPageText(patterns, xml ? XmlWithoutMarkup(text) : text);
    scan.complete = scan.complete && detection.complete;
    for (const vm::PiCandidate& c : detection.selected)
      scan.hits.push_back({static_cast<int>(s), c.category, c.start, c.length, text.substr(c.start, c.length)});
  }
  return scan;
}

std::u16string MaskedText(const OutsideScan& scan, int source, const vm::PiOptions& options) {
  std::u16string text = scan.sources[source].text;
  const char16_t protection = options.protection.empty() ? u'*' : options.protection[0];
  vm::PiMask mask;
  for (const OutsideHit& hit : scan.hits) {
    if (hit.source != source) continue;
    vm::ComputeMask(hit.category, hit.text, options.formats[hit.category], mask);
    for (size_t i = 0; i < mask.size(); ++i)
      if (mask[i] && text[hit.start + i] != u' ') text[hit.start + i] = protection;
  }
  return text;
}

}  // namespace docscan
