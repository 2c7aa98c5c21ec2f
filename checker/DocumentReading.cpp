#include "DocumentReading.h"

#include <vector>

#include "pdf/Document.h"

namespace checker {

namespace {

// Marks what `root` reaches in `seen` (indexed by object number). Iterative, so deep object
// graphs cannot exhaust the stack; MuPDF calls stay inside the caller's fz_try.
void Mark(fz_context* ctx, pdf_obj* root, std::vector<char>& seen, std::vector<pdf_obj*>& stack) {
  stack.push_back(root);
  while (!stack.empty()) {
    pdf_obj* obj = stack.back();
    stack.pop_back();
    if (!obj) continue;
    if (pdf_is_indirect(ctx, obj)) {
      const int num = pdf_to_num(ctx, obj);
      if (num <= 0 || num >= static_cast<int>(seen.size()) || seen[num]) continue;
      seen[num] = 1;
      obj = pdf_resolve_indirect(ctx, obj);
      if (!obj) continue;
    }
    if (pdf_is_dict(ctx, obj)) {
      const int n = pdf_dict_len(ctx, obj);
      for (int i = 0; i < n; ++i) stack.push_back(pdf_dict_get_val(ctx, obj, i));
    } else if (pdf_is_array(ctx, obj)) {
      const int n = pdf_array_len(ctx, obj);
      for (int i = 0; i < n; ++i) stack.push_back(pdf_array_get(ctx, obj, i));
    }
  }
}

bool IsEncrypted(fz_context* ctx, pdf_document* doc) {
  bool encrypted = false;
  fz_var(encrypted);
  fz_try(ctx) { encrypted = pdf_dict_get(ctx, pdf_trailer(ctx, doc), PDF_NAME(Encrypt)) != nullptr; }
  fz_catch(ctx) { encrypted = false; }
  return encrypted;
}

void Decode(fz_context* ctx, pdf_document* doc, bool encrypted, RawObject& o) {
  // In an encrypted file even an unfiltered stream's bytes are ciphertext.
  if (!o.isStream || (o.decoded && !encrypted)) return;
  fz_buffer* buffer = nullptr;
  fz_var(buffer);
  fz_try(ctx) { buffer = pdf_load_stream_number(ctx, doc, o.number); }
  fz_catch(ctx) { buffer = nullptr; }
  if (!buffer) return;
  unsigned char* data = nullptr;
  const size_t length = fz_buffer_storage(ctx, buffer, &data);
  o.data.assign(reinterpret_cast<const char*>(data), length);
  o.decoded = true;
  fz_drop_buffer(ctx, buffer);
}

}  // namespace

DocumentReading VisitThroughDocument(const std::string& path, const std::string& bytes,
                                     const std::function<void(const RawObject&)>& visit) {
  DocumentReading reading;
  std::unique_ptr<standin::pdf::Document> document = standin::pdf::OpenDocument(path, &reading.error);
  if (!document) {
    ForEachRawObject(bytes, visit);
    return reading;
  }
  fz_context* ctx = document->ctx;
  std::vector<char> seen;
  std::vector<pdf_obj*> stack;
  bool failed = false;
  fz_try(ctx) {
    seen.assign(pdf_xref_len(ctx, document->doc) + 1, 0);
    Mark(ctx, pdf_trailer(ctx, document->doc), seen, stack);
  }
  fz_catch(ctx) { failed = true; }
  if (failed) {
    reading.error = "the file's objects cannot be read";
    ForEachRawObject(bytes, visit);
    return reading;
  }
  for (size_t i = 0; i < seen.size(); ++i)
    if (seen[i]) reading.reachable.insert(static_cast<int>(i));
  const bool encrypted = IsEncrypted(ctx, document->doc);
  ForEachRawObject(bytes, [&](RawObject& o) {
    Decode(ctx, document->doc, encrypted, o);
    visit(o);
  });
  return reading;
}

}  // namespace checker
