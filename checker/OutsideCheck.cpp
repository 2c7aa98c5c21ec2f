#include "OutsideCheck.h"

#include <set>

#include "TextSources.h"
#include "Utf8.h"
#include "pdf/Document.h"

namespace checker {
namespace {

std::string Utf16Bytes(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    out += static_cast<char>(c >> 8);
    out += static_cast<char>(c & 0xFF);
  }
  return out;
}

size_t Letters(std::u16string_view text) {
  size_t n = 0;
  for (char16_t c : text) n += c != u' ' && c != u'\n' && c != u'\t' && c != u'\r';
  return n;
}

struct Needle {
  std::u16string text;
  std::string utf8;
  std::string utf16;
};

// Every string inside one object (not following references) as text. May throw.
void Strings(fz_context* ctx, pdf_obj* obj, std::vector<std::u16string>& out, int depth = 0) {
  if (depth > 32 || pdf_is_indirect(ctx, obj)) return;
  if (pdf_is_string(ctx, obj)) {
    out.push_back(docscan::TextOfString(ctx, obj));
  } else if (pdf_is_array(ctx, obj)) {
    for (int i = 0; i < pdf_array_len(ctx, obj); ++i) Strings(ctx, pdf_array_get(ctx, obj, i), out, depth + 1);
  } else if (pdf_is_dict(ctx, obj)) {
    for (int i = 0; i < pdf_dict_len(ctx, obj); ++i) Strings(ctx, pdf_dict_get_val(ctx, obj, i), out, depth + 1);
  }
}

// The strings of object `num` and, unless it is an image, its decoded stream data.
bool ReadObject(fz_context* ctx, pdf_document* doc, int num, std::vector<std::u16string>& strings, std::string& data) {
  bool ok = true;
  pdf_obj* obj = nullptr;
  fz_buffer* buffer = nullptr;
  fz_var(ok);
  fz_var(obj);
  fz_var(buffer);
  fz_try(ctx) {
    obj = pdf_load_object(ctx, doc, num);
    Strings(ctx, obj, strings);
    const bool image = pdf_name_eq(ctx, pdf_dict_get(ctx, obj, PDF_NAME(Subtype)), PDF_NAME(Image));
    if (pdf_is_stream(ctx, obj) && !image) {
      buffer = pdf_load_stream_number(ctx, doc, num);
      unsigned char* d = nullptr;
      const size_t length = fz_buffer_storage(ctx, buffer, &d);
      data.assign(reinterpret_cast<const char*>(d), length);
    }
  }
  fz_always(ctx) {
    fz_drop_buffer(ctx, buffer);
    pdf_drop_obj(ctx, obj);
  }
  fz_catch(ctx) { ok = false; }
  return ok;
}

int ObjectCount(fz_context* ctx, pdf_document* doc) {
  int count = 0;
  fz_var(count);
  fz_try(ctx) { count = pdf_xref_len(ctx, doc); }
  fz_catch(ctx) { count = 0; }
  return count;
}

void CheckObjects(standin::pdf::Document& document, const std::vector<Needle>& needles,
                  std::vector<std::string>& failures) {
  std::vector<std::u16string> strings;
  std::string data;
  const int count = ObjectCount(document.ctx, document.doc);
  for (int num = 1; num < count; ++num) {
    strings.clear();
    data.clear();
    if (!ReadObject(document.ctx, document.doc, num, strings, data)) continue;
    for (const Needle& n : needles) {
      bool found = data.find(n.utf8) != std::string::npos || data.find(n.utf16) != std::string::npos;
      for (const std::u16string& s : strings) found = found || s.find(n.text) != std::u16string::npos;
      if (found) failures.push_back("object " + std::to_string(num) + " still holds \"" + n.utf8 + "\"");
    }
  }
}

}  // namespace

std::vector<std::string> CheckOutsideTexts(const std::string& path, const std::vector<std::u16string>& texts) {
  std::vector<std::string> failures;
  if (texts.empty()) return failures;
  std::string error;
  std::unique_ptr<standin::pdf::Document> document = standin::pdf::OpenDocument(path, &error);
  if (!document) return {"cannot open " + path + " to look for texts outside the pages: " + error};
  std::set<std::u16string> unique(texts.begin(), texts.end());
  for (const docscan::TextSource& source : docscan::CollectTextSources(*document))
    for (const std::u16string& t : unique)
      if (source.text.find(t) != std::u16string::npos)
        failures.push_back(source.where + (source.page >= 0 ? " on page " + std::to_string(source.page) : "") +
                           " (" + source.key + (source.label.empty() ? "" : ", " + source.label) +
                           ") still holds \"" + common::Utf16ToUtf8(t) + "\"");
  std::vector<Needle> needles;
  for (const std::u16string& t : unique)
    if (Letters(t) >= 4) needles.push_back({t, common::Utf16ToUtf8(t), Utf16Bytes(t)});
  CheckObjects(*document, needles, failures);
  return failures;
}

}  // namespace checker
