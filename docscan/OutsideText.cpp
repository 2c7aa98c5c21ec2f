#include "OutsideText.h"

#include <algorithm>

#include "detect/Detect.h"
#include "detect/Patterns.h"
#include "mask/DisplayFormat.h"

namespace docscan {

namespace {

// XMP properties whose schema makes them dates, times, tool names or identifiers: values a
// program writes, not a person's text (the creation date is no birth date, and a browser's
// version "138.0.0.0" no IP address).
bool HoldsMachineValue(std::u16string_view qualifiedName) {
  const size_t colon = qualifiedName.rfind(u':');
  const std::u16string_view name = colon == std::u16string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
  static constexpr std::u16string_view kNames[] = {
      u"date",          u"when",         u"DateCreated",        u"DateTime",  u"DateTimeOriginal",
      u"DateTimeDigitized", u"CreatorTool", u"Producer",        u"softwareAgent", u"DocumentID",
      u"InstanceID",    u"OriginalDocumentID", u"VersionID",    u"PDFVersion", u"format"};
  for (std::u16string_view known : kNames)
    if (name == known) return true;
  // CreateDate, ModifyDate, MetadataDate, CreationDate, ModDate and the like.
  return name.size() > 4 && name.substr(name.size() - 4) == u"Date";
}

bool IsXmlSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

}  // namespace

std::u16string XmlWithoutMarkup(std::u16string_view xml) {
  std::u16string out(xml);
  auto blank = [&](size_t from, size_t to) {
    for (size_t k = from; k < to && k < out.size(); ++k)
      if (out[k] != u'\n') out[k] = u' ';
  };
  std::vector<bool> machine{false};  // by open element: its text is a machine value
  size_t i = 0;
  while (i < xml.size()) {
    if (xml[i] != u'<') {
      const size_t end = std::min(xml.find(u'<', i), xml.size());
      if (machine.back()) blank(i, end);
      i = end;
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
    const bool closing = i + 1 < xml.size() && xml[i + 1] == u'/';
    // The element's name, then its attributes: names are blanked, values stay unless they
    // declare a namespace or hold a machine value.
    size_t k = i + 1 + (closing ? 1 : 0);
    const size_t nameStart = k;
    while (k < xml.size() && !IsXmlSpace(xml[k]) && xml[k] != u'>' && xml[k] != u'/') ++k;
    const bool machineElement = machine.back() || HoldsMachineValue(xml.substr(nameStart, k - nameStart));
    size_t markupStart = i;
    bool selfClosing = false;
    while (k < xml.size() && xml[k] != u'>') {
      if (xml[k] == u'"' || xml[k] == u'\'') {
        const char16_t quote = xml[k];
        const size_t end = xml.find(quote, k + 1);
        const size_t stop = end == std::u16string_view::npos ? xml.size() : end;
        std::u16string_view attribute = xml.substr(markupStart, k - markupStart);
        while (!attribute.empty() && (IsXmlSpace(attribute.back()) || attribute.back() == u'=')) attribute.remove_suffix(1);
        const size_t space = attribute.find_last_of(u" \t\r\n");
        if (space != std::u16string_view::npos) attribute.remove_prefix(space + 1);
        blank(markupStart, k + 1);
        if (attribute.rfind(u"xmlns", 0) == 0 || machineElement || HoldsMachineValue(attribute)) blank(k + 1, stop);
        k = stop + 1;
        markupStart = k;
        continue;
      }
      selfClosing = xml[k] == u'/';
      ++k;
    }
    blank(markupStart, k + 1);
    if (closing) {
      if (machine.size() > 1) machine.pop_back();
    } else if (!selfClosing) {
      machine.push_back(machineElement);
    }
    i = k + 1;
  }
  return out;
}

OutsideScan ScanOutsideText(standin::pdf::Document& document, const vm::PiCategoryFlags& flags,
                            const BetweenPages& betweenPages) {
  OutsideScan scan;
  scan.sources = CollectTextSources(document, betweenPages);
  vm::PiPatternList patterns;
  vm::BuildPatternSet(flags, patterns);
  if (patterns.empty()) return scan;
  for (size_t s = 0; s < scan.sources.size(); ++s) {
    const TextSource& source = scan.sources[s];
    // The information dictionary's dates and the names of the programs that made the file.
    if (source.where == "info" && (source.key == "CreationDate" || source.key == "ModDate" ||
                                   source.key == "Creator" || source.key == "Producer"))
      continue;
    const std::u16string& text = source.text;
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
