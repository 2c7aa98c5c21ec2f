#include "TextSources.h"

#include <map>
#include <set>

#include "Utf8.h"
#include "pdf/Document.h"
#include "pdf/ObjectCache.h"

namespace docscan {
namespace {

constexpr int kMaxDepth = 64;             // parent chains, bookmark and name trees
constexpr size_t kMaxTextFile = 16 << 20;  // embedded files searched as text up to this size

std::u16string Latin1(std::string_view bytes) {
  std::u16string out;
  for (unsigned char c : bytes) out += static_cast<char16_t>(c);
  return out;
}

// UTF-16 of UTF-8 text; bytes that are not UTF-8 are read one by one.
std::u16string FromUtf8(std::string_view bytes) {
  if (std::optional<std::u16string> text = common::Utf8ToUtf16(bytes)) return *text;
  return Latin1(bytes);
}

// A text string (PDFDocEncoding or UTF-16 with its byte-order mark). May throw.
std::u16string TextOf(fz_context* ctx, pdf_obj* string) { return FromUtf8(pdf_to_text_string(ctx, string)); }

struct Collector {
  standin::pdf::Document& document;
  fz_context* ctx;
  pdf_document* doc;
  std::vector<TextSource>& out;
  std::set<int> namedFiles;  // file dictionaries in the EmbeddedFiles tree, reported from there

  void Add(TextSource source) {
    if (!source.text.empty()) out.push_back(std::move(source));
  }
  // A text string entry of `holder`. May throw.
  void AddString(const char* where, int page, pdf_obj* holder, const char* key, const std::string& label = {}) {
    pdf_obj* value = pdf_dict_gets(ctx, holder, key);
    if (!pdf_is_string(ctx, value)) return;
    Add({where, Kind::String, page, pdf_to_num(ctx, holder), key, label, TextOf(ctx, value), holder});
  }
};

// The full name of a field (its partial names joined by dots) and the dictionary holding its
// value (the field itself or an ancestor). May throw.
pdf_obj* FieldWithValue(fz_context* ctx, pdf_obj* widget, std::string* name) {
  pdf_obj* withValue = nullptr;
  name->clear();
  pdf_obj* node = widget;
  for (int depth = 0; node && depth < kMaxDepth; ++depth, node = pdf_dict_get(ctx, node, PDF_NAME(Parent))) {
    if (!withValue && pdf_dict_get(ctx, node, PDF_NAME(V))) withValue = node;
    if (pdf_obj* t = pdf_dict_get(ctx, node, PDF_NAME(T)))
      *name = pdf_to_text_string(ctx, t) + (name->empty() ? "" : "." + *name);
  }
  return withValue;
}

// Name, description and, when it is text, the data of an embedded file. May throw.
void AddEmbeddedFile(Collector& c, int page, pdf_obj* fileEntry, const std::u16string& treeName) {
  fz_context* ctx = c.ctx;
  if (!pdf_is_dict(ctx, fileEntry)) return;
  std::string label = common::Utf16ToUtf8(treeName);
  if (label.empty()) label = pdf_to_text_string(ctx, pdf_dict_get(ctx, fileEntry, PDF_NAME(UF)));
  if (label.empty()) label = pdf_to_text_string(ctx, pdf_dict_get(ctx, fileEntry, PDF_NAME(F)));
  const int number = pdf_to_num(ctx, fileEntry);
  if (!treeName.empty()) c.Add({"attachment", Kind::FileName, page, number, "name", label, treeName, fileEntry});
  for (const char* key : {"F", "UF", "Desc"}) c.AddString("attachment", page, fileEntry, key, label);
  if (!pdf_is_embedded_file(ctx, fileEntry)) return;
  fz_buffer* data = nullptr;
  fz_var(data);
  std::string bytes;
  fz_try(ctx) {
    data = pdf_load_embedded_file_contents(ctx, fileEntry);
    unsigned char* d = nullptr;
    const size_t length = fz_buffer_storage(ctx, data, &d);
    if (length <= kMaxTextFile) bytes.assign(reinterpret_cast<const char*>(d), length);
  }
  fz_always(ctx) { fz_drop_buffer(ctx, data); }
  fz_catch(ctx) { bytes.clear(); }
  std::u16string text;
  if (bytes.size() >= 2 && (bytes.compare(0, 2, "\xFE\xFF") == 0 || bytes.compare(0, 2, "\xFF\xFE") == 0)) {
    const bool big = bytes[0] == '\xFE';
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += static_cast<char16_t>(big ? (uint8_t(bytes[i]) << 8 | uint8_t(bytes[i + 1]))
                                        : (uint8_t(bytes[i + 1]) << 8 | uint8_t(bytes[i])));
  } else if (bytes.find('\0') == std::string::npos) {
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    if (std::optional<std::u16string> utf8 = common::Utf8ToUtf16(bytes)) text = *utf8;
  }
  c.Add({"attachment", Kind::FileContents, page, number, "contents", label, text, fileEntry});
}

void CollectPage(Collector& c, int p) {
  fz_context* ctx = c.ctx;
  pdf_page* page = nullptr;
  bool annotated = true;
  fz_var(page);
  fz_var(annotated);
  // Loading a page costs; most pages have no annotations.
  // The document's own page list: MuPDF's lookup reads every page before this one.
  fz_try(ctx) { annotated = pdf_array_len(ctx, pdf_dict_get(ctx, standin::pdf::PageObjectAt(c.document, p), PDF_NAME(Annots))) > 0; }
  fz_catch(ctx) { annotated = true; }
  if (!annotated) return;
  fz_try(ctx) {
    page = standin::pdf::LoadPage(c.document, p);
    std::map<int, pdf_annot*> byNumber;  // MuPDF's annotations and widgets, for their appearances
    for (pdf_annot* a = pdf_first_annot(ctx, page); a; a = pdf_next_annot(ctx, a))
      byNumber[pdf_to_num(ctx, pdf_annot_obj(ctx, a))] = a;
    for (pdf_annot* w = pdf_first_widget(ctx, page); w; w = pdf_next_widget(ctx, w))
      byNumber[pdf_to_num(ctx, pdf_annot_obj(ctx, w))] = w;
    std::set<int> fields;
    pdf_obj* annots = pdf_dict_get(ctx, page->obj, PDF_NAME(Annots));
    for (int i = 0; i < pdf_array_len(ctx, annots); ++i) {
      pdf_obj* annot = pdf_array_get(ctx, annots, i);
      pdf_obj* subtype = pdf_dict_get(ctx, annot, PDF_NAME(Subtype));
      const bool widget = pdf_name_eq(ctx, subtype, PDF_NAME(Widget));
      const char* where = widget ? "field" : pdf_name_eq(ctx, subtype, PDF_NAME(Link)) ? "link" : "annotation";
      if (pdf_name_eq(ctx, subtype, PDF_NAME(Link))) {
        pdf_obj* action = pdf_dict_get(ctx, annot, PDF_NAME(A));
        pdf_obj* uri = pdf_dict_get(ctx, action, PDF_NAME(URI));
        if (pdf_name_eq(ctx, pdf_dict_get(ctx, action, PDF_NAME(S)), PDF_NAME(URI)) && pdf_is_string(ctx, uri))
          c.Add({"link", Kind::Uri, p, pdf_to_num(ctx, annot), "URI", {},
                 Latin1({pdf_to_str_buf(ctx, uri), pdf_to_str_len(ctx, uri)}), action});
      }
      std::string name;
      if (widget) {
        pdf_obj* field = FieldWithValue(ctx, annot, &name);
        if (field && fields.insert(pdf_to_num(ctx, field)).second) {
          pdf_obj* value = pdf_dict_get(ctx, field, PDF_NAME(V));
          if (pdf_is_string(ctx, value))
            c.Add({"field", Kind::FieldValue, p, pdf_to_num(ctx, field), "V", name, TextOf(ctx, value), field});
          c.AddString("field", p, field, "TU", name);
        }
      }
      for (const char* key : {"Contents", "T", "Subj", "RC"})
        if (!(widget && !strcmp(key, "T"))) c.AddString(where, p, annot, key, name);
      pdf_obj* fileEntry = pdf_dict_get(ctx, annot, PDF_NAME(FS));
      if (pdf_name_eq(ctx, subtype, PDF_NAME(FileAttachment)) && !c.namedFiles.count(pdf_to_num(ctx, fileEntry)))
        AddEmbeddedFile(c, p, fileEntry, {});
      auto loaded = byNumber.find(pdf_to_num(ctx, annot));
      if (loaded != byNumber.end() && pdf_dict_get(ctx, annot, PDF_NAME(AP)))
        c.Add({where, Kind::Appearance, p, pdf_to_num(ctx, annot), "appearance", name,
               AppearanceText(ctx, loaded->second), annot});
    }
  }
  fz_always(ctx) { fz_drop_page(ctx, &page->super); }
  fz_catch(ctx) { /* a damaged page's annotations are skipped */ }
}

void CollectOutlines(Collector& c, pdf_obj* root) {
  fz_context* ctx = c.ctx;
  std::set<int> seen;
  std::vector<pdf_obj*> stack{pdf_dict_get(ctx, pdf_dict_get(ctx, root, PDF_NAME(Outlines)), PDF_NAME(First))};
  while (!stack.empty()) {
    pdf_obj* item = stack.back();
    stack.pop_back();
    if (!pdf_is_dict(ctx, item) || !seen.insert(pdf_to_num(ctx, item)).second) continue;
    c.AddString("outline", -1, item, "Title");
    stack.push_back(pdf_dict_get(ctx, item, PDF_NAME(Next)));
    stack.push_back(pdf_dict_get(ctx, item, PDF_NAME(First)));  // children before siblings
  }
}

void CollectEntries(fz_context* ctx, pdf_obj* node, int depth, std::set<int>& seen,
                    std::vector<std::pair<pdf_obj*, pdf_obj*>>& out) {
  if (!pdf_is_dict(ctx, node) || depth > kMaxDepth) return;
  if (pdf_is_indirect(ctx, node) && !seen.insert(pdf_to_num(ctx, node)).second) return;
  pdf_obj* names = pdf_dict_get(ctx, node, PDF_NAME(Names));
  for (int i = 0; i + 1 < pdf_array_len(ctx, names); i += 2)
    out.push_back({pdf_array_get(ctx, names, i), pdf_array_get(ctx, names, i + 1)});
  pdf_obj* kids = pdf_dict_get(ctx, node, PDF_NAME(Kids));
  for (int i = 0; i < pdf_array_len(ctx, kids); ++i) CollectEntries(ctx, pdf_array_get(ctx, kids, i), depth + 1, seen, out);
}

}  // namespace

// What an annotation's appearance draws, as MuPDF's text extraction reads it. May throw.
std::u16string AppearanceText(fz_context* ctx, pdf_annot* annot) {
  fz_stext_page* text = nullptr;
  fz_buffer* buffer = nullptr;
  std::string utf8;
  fz_var(text);
  fz_var(buffer);
  fz_try(ctx) {
    text = pdf_new_stext_page_from_annot(ctx, annot, nullptr);
    buffer = fz_new_buffer_from_stext_page(ctx, text);
    unsigned char* data = nullptr;
    const size_t length = fz_buffer_storage(ctx, buffer, &data);
    utf8.assign(reinterpret_cast<const char*>(data), length);
  }
  fz_always(ctx) {
    fz_drop_buffer(ctx, buffer);
    fz_drop_stext_page(ctx, text);
  }
  fz_catch(ctx) { fz_rethrow(ctx); }
  return FromUtf8(utf8);
}

std::vector<std::pair<pdf_obj*, pdf_obj*>> EmbeddedFileEntries(fz_context* ctx, pdf_obj* root) {
  std::vector<std::pair<pdf_obj*, pdf_obj*>> entries;
  std::set<int> seen;
  CollectEntries(ctx, pdf_dict_getp(ctx, root, "Names/EmbeddedFiles"), 0, seen, entries);
  return entries;
}

std::u16string TextOfString(fz_context* ctx, pdf_obj* string) { return TextOf(ctx, string); }

std::vector<TextSource> CollectTextSources(standin::pdf::Document& document, const BetweenPages& betweenPages) {
  std::vector<TextSource> sources;
  fz_context* ctx = document.ctx;
  Collector c{document, ctx, document.doc, sources, {}};
  fz_try(ctx) {
    for (const auto& entry : EmbeddedFileEntries(ctx, pdf_dict_get(ctx, pdf_trailer(ctx, document.doc), PDF_NAME(Root))))
      c.namedFiles.insert(pdf_to_num(ctx, entry.second));
  }
  fz_catch(ctx) {}
  // The holders of what was collected are kept across betweenPages (a holder may be a dictionary
  // inside another object, which then stays too), so that they still point into the document.
  size_t kept = 0;
  for (int p = 0; p < standin::pdf::PageCount(document); ++p) {
    CollectPage(c, p);
    if (!betweenPages) continue;
    for (; kept < sources.size(); ++kept) pdf_keep_obj(ctx, sources[kept].holder);
    betweenPages(p);
  }
  for (size_t i = 0; i < kept; ++i) pdf_drop_obj(ctx, sources[i].holder);
  fz_try(ctx) {
    pdf_obj* trailer = pdf_trailer(ctx, document.doc);
    pdf_obj* info = pdf_dict_get(ctx, trailer, PDF_NAME(Info));
    for (int i = 0; i < pdf_dict_len(ctx, info); ++i)
      c.AddString("info", -1, info, pdf_to_name(ctx, pdf_dict_get_key(ctx, info, i)));
    pdf_obj* root = pdf_dict_get(ctx, trailer, PDF_NAME(Root));
    pdf_obj* metadata = pdf_dict_get(ctx, root, PDF_NAME(Metadata));
    if (pdf_is_stream(ctx, metadata)) {
      fz_buffer* data = pdf_load_stream(ctx, metadata);
      unsigned char* d = nullptr;
      const size_t length = fz_buffer_storage(ctx, data, &d);
      std::string bytes(reinterpret_cast<const char*>(d), length);
      fz_drop_buffer(ctx, data);
      c.Add({"xmp", Kind::Metadata, -1, pdf_to_num(ctx, metadata), "metadata", {}, FromUtf8(bytes), metadata});
    }
    CollectOutlines(c, root);
    for (const auto& [name, fileEntry] : EmbeddedFileEntries(ctx, root)) AddEmbeddedFile(c, -1, fileEntry, TextOf(ctx, name));
  }
  fz_catch(ctx) { /* what was collected before the damage stays */ }
  return sources;
}

}  // namespace docscan
