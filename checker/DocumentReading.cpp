#include "DocumentReading.h"

#include <vector>

#include "pdf/Document.h"
#include "pdf/ObjectCache.h"

namespace checker {

namespace {

// Marks in `seen` (indexed by object number) the objects the trailer reaches. One object at a
// time: the direct objects inside it are walked, the references found are kept as numbers, and
// the object is let go before the next one is read, so a long file is not held whole. Iterative,
// so deep object graphs cannot exhaust the stack.
void Mark(fz_context* ctx, pdf_document* doc, std::vector<char>& seen) {
  std::vector<int> pending;
  std::vector<pdf_obj*> inside;
  auto walk = [&](pdf_obj* top) {
    inside.push_back(top);
    while (!inside.empty()) {
      pdf_obj* obj = inside.back();
      inside.pop_back();
      if (!obj) continue;
      if (pdf_is_indirect(ctx, obj)) {
        const int num = pdf_to_num(ctx, obj);
        if (num <= 0 || num >= static_cast<int>(seen.size()) || seen[num]) continue;
        seen[num] = 1;
        pending.push_back(num);
      } else if (pdf_is_dict(ctx, obj)) {
        const int n = pdf_dict_len(ctx, obj);
        for (int i = 0; i < n; ++i) inside.push_back(pdf_dict_get_val(ctx, obj, i));
      } else if (pdf_is_array(ctx, obj)) {
        const int n = pdf_array_len(ctx, obj);
        for (int i = 0; i < n; ++i) inside.push_back(pdf_array_get(ctx, obj, i));
      }
    }
  };
  walk(pdf_trailer(ctx, doc));
  while (!pending.empty()) {
    const int num = pending.back();
    pending.pop_back();
    pdf_obj* obj = nullptr;
    fz_var(obj);
    fz_try(ctx) {
      // An object that cannot be read reaches nothing, as MuPDF resolves it (to null).
      obj = pdf_load_object(ctx, doc, num);
      walk(obj);
    }
    fz_always(ctx) { pdf_drop_obj(ctx, obj); }
    fz_catch(ctx) {
      // What MuPDF's own resolving passes on (a repair, data not yet there) ends the marking.
      fz_rethrow_if(ctx, FZ_ERROR_TRYLATER);
      fz_rethrow_if(ctx, FZ_ERROR_REPAIRED);
      inside.clear();
    }
    standin::pdf::ReleaseUnchangedObject(ctx, doc, num);
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

DocumentReading VisitThroughDocument(const std::string& path, FileBytes& bytes,
                                     const std::function<void(const RawObject&)>& visit) {
  DocumentReading reading;
  const auto doneUpTo = [&](size_t offset) { bytes.DoneUpTo(offset); };
  std::unique_ptr<standin::pdf::Document> document = standin::pdf::OpenDocument(path, &reading.error);
  if (!document) {
    ForEachRawObject(bytes.View(), visit, doneUpTo);
    return reading;
  }
  fz_context* ctx = document->ctx;
  std::vector<char> seen;
  bool failed = false;
  fz_try(ctx) {
    seen.assign(pdf_xref_len(ctx, document->doc) + 1, 0);
    Mark(ctx, document->doc, seen);
  }
  fz_catch(ctx) { failed = true; }
  if (failed) {
    reading.error = "the file's objects cannot be read";
    ForEachRawObject(bytes.View(), visit, doneUpTo);
    return reading;
  }
  reading.reachable = std::move(seen);
  const bool encrypted = IsEncrypted(ctx, document->doc);
  ForEachRawObject(
      bytes.View(),
      [&](RawObject& o) {
        Decode(ctx, document->doc, encrypted, o);
        visit(o);
      },
      doneUpTo);
  return reading;
}

}  // namespace checker
