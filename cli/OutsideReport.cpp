#include "OutsideReport.h"

#include <cstdio>

#include "Categories.h"
#include "TextOutput.h"
#include "Utf8.h"
#include "detect/Patterns.h"

namespace cli {

void PrintOutsideHits(const docscan::OutsideScan& scan, bool json, const std::string* file) {
  const std::string head = LineStart(file, json);
  for (const docscan::OutsideHit& hit : scan.hits) {
    const docscan::TextSource& s = scan.sources[hit.source];
    if (json) {
      std::string place = "\"where\":\"" + s.where + "\"";
      if (s.page >= 0) place += ",\"page\":" + std::to_string(s.page);
      if (s.object > 0) place += ",\"object\":" + std::to_string(s.object);
      place += ",\"key\":" + JsonString(common::Utf8ToUtf16(s.key).value_or(u""));
      if (!s.label.empty()) place += ",\"label\":" + JsonString(common::Utf8ToUtf16(s.label).value_or(u""));
      std::printf("%s%s,\"category\":\"%s\",\"start\":%d,\"length\":%d,\"text\":%s}\n", head.c_str(),
                  place.c_str(), kCategoryKeys[hit.category], hit.start, hit.length, JsonString(hit.text).c_str());
    } else {
      std::string place = s.where + (s.page >= 0 ? " " + std::to_string(s.page) : "") + " " + s.key;
      if (s.object > 0) place += " (object " + std::to_string(s.object) + ")";
      if (!s.label.empty()) place += " " + s.label;
      std::printf("%s%s\t%s\t%d\t%d\t%s\n", head.c_str(),
                  PlainText(common::Utf8ToUtf16(place).value_or(u"")).c_str(),
                  common::Utf16ToUtf8(vm::CategoryLabel(hit.category)).c_str(), hit.start, hit.length,
                  PlainText(hit.text).c_str());
    }
  }
}

void PrintImagePages(const std::vector<int>& pages, bool json, const std::string* file) {
  const std::string head = LineStart(file, json);
  for (int p : pages) {
    if (json) std::printf("%s\"where\":\"image\",\"page\":%d}\n", head.c_str(), p);
    else std::printf("%s%d\timage\n", head.c_str(), p);
  }
}

std::string PageList(const std::vector<int>& pages) {
  std::string out;
  for (int p : pages) out += (out.empty() ? "" : ", ") + std::to_string(p);
  return out;
}

std::string ImagePagesMessage(const std::vector<int>& pages) {
  return "pages " + PageList(pages) + " show images without text (a scan without a text layer?); "
         "they cannot be searched, occurrences on them may be missing";
}

}  // namespace cli
