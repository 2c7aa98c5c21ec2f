#include "TextOutput.h"

#include <cstdio>

#include "Utf8.h"

namespace cli {

std::string LineStart(const std::string* file, bool json) {
  if (json) return file ? "{\"file\":" + JsonString(common::Utf8ToUtf16(*file).value_or(u"?")) + "," : "{";
  return file ? *file + "\t" : "";
}

std::string JsonString(std::u16string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
                      text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (pair) {
      out += common::Utf16ToUtf8(text.substr(i++, 2));
    } else if (c == u'"' || c == u'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == u'\n') {
      out += "\\n";
    } else if (c == u'\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF)) {
      // Control characters and lone surrogates as escapes, so the exact text survives.
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    } else {
      out += common::Utf16ToUtf8(text.substr(i, 1));
    }
  }
  return out + "\"";
}

std::string PlainText(std::u16string_view text) {
  std::string out;
  for (char c : common::Utf16ToUtf8(text)) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

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

}  // namespace cli
