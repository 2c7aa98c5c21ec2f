#include "pdf/PdfUtil.h"

#include <cstring>

namespace standin::pdf {

pdf_obj* ParseObject(fz_context* ctx, pdf_document* doc, const char* text) {
  fz_stream* stream = fz_open_memory(ctx, reinterpret_cast<const unsigned char*>(text), strlen(text));
  pdf_lexbuf lexbuf;
  pdf_lexbuf_init(ctx, &lexbuf, PDF_LEXBUF_SMALL);
  pdf_obj* result = nullptr;
  fz_try(ctx) { result = pdf_parse_stm_obj(ctx, doc, stream, &lexbuf); }
  fz_always(ctx) {
    pdf_lexbuf_fin(ctx, &lexbuf);
    fz_drop_stream(ctx, stream);
  }
  fz_catch(ctx) { fz_rethrow(ctx); }
  return result;
}

std::string StreamData(fz_context* ctx, pdf_obj* stream) {
  fz_buffer* buffer = nullptr;
  fz_var(buffer);
  unsigned char* data = nullptr;
  size_t length = 0;
  fz_try(ctx) {
    buffer = pdf_load_stream(ctx, stream);
    length = fz_buffer_storage(ctx, buffer, &data);
  }
  fz_catch(ctx) { length = 0; }
  std::string result(reinterpret_cast<const char*>(data), data ? length : 0);
  fz_drop_buffer(ctx, buffer);
  return result;
}

fz_matrix PageTransform(fz_context* ctx, pdf_obj* pageDictionary) {
  fz_rect mediabox;
  fz_matrix transform = fz_identity;
  fz_try(ctx) { pdf_page_obj_transform(ctx, pageDictionary, &mediabox, &transform); }
  fz_catch(ctx) { transform = fz_identity; }
  return transform;
}

pdf_xref_entry* EntryIn(pdf_xref& section, int num) {
  if (num < 0 || num >= section.num_objects) return nullptr;
  for (pdf_xref_subsec* sub = section.subsec; sub; sub = sub->next)
    if (num >= sub->start && num < sub->start + sub->len) return &sub->table[num - sub->start];
  return nullptr;
}

}  // namespace standin::pdf
