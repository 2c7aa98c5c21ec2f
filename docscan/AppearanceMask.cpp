#include "AppearanceMask.h"

#include <cstring>
#include <set>

namespace docscan {
namespace {

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0xA0 || c == 0x3000; }

// The glyphs of one stream's filtering, in drawing order: first recorded, then removed by index.
struct Glyphs {
  bool recording = true;
  std::u16string squeezed;         // the non-space characters, one glyph's first character each
  std::vector<size_t> glyphOf;     // glyph index of each character of `squeezed`
  size_t count = 0;                // glyphs met
  std::vector<bool> remove;        // by glyph index
  int removed = 0;
};

int FilterGlyph(fz_context*, void* opaque, int* ucs, int length, fz_matrix, fz_matrix, fz_rect) {
  Glyphs* g = static_cast<Glyphs*>(opaque);
  const size_t index = g->count++;
  if (g->recording) {
    for (int i = 0; i < length; ++i) {
      if (IsSpace(ucs[i]) || ucs[i] <= 0 || ucs[i] > 0xFFFF) continue;
      g->squeezed += static_cast<char16_t>(ucs[i]);
      g->glyphOf.push_back(index);
    }
    return 0;
  }
  const bool drop = index < g->remove.size() && g->remove[index];
  g->removed += drop;
  return drop;
}

// One run of MuPDF's filter over the stream; the filtered content and the resources it uses.
// May throw.
void Filter(fz_context* ctx, pdf_document* doc, pdf_obj* stream, Glyphs& glyphs, fz_buffer* buffer,
            pdf_obj* newResources) {
  pdf_processor* writer = nullptr;
  pdf_processor* filter = nullptr;
  fz_var(writer);
  fz_var(filter);
  pdf_filter_options options;
  std::memset(&options, 0, sizeof options);
  options.opaque = &glyphs;
  options.text_filter = FilterGlyph;
  options.recurse = 1;
  options.instance_forms = 1;
  options.sanitize = 1;
  pdf_obj* resources = pdf_xobject_resources(ctx, stream);
  fz_try(ctx) {
    writer = pdf_new_buffer_processor(ctx, buffer, 0);
    filter = pdf_new_filter_processor(ctx, doc, writer, resources, newResources, -1, fz_identity, &options);
    pdf_process_contents(ctx, filter, doc, resources, stream, nullptr);
    pdf_close_processor(ctx, filter);
    pdf_close_processor(ctx, writer);
  }
  fz_always(ctx) {
    pdf_drop_processor(ctx, filter);
    pdf_drop_processor(ctx, writer);
  }
  fz_catch(ctx) { fz_rethrow(ctx); }
}

std::u16string Squeezed(const std::u16string& text) {
  std::u16string out;
  for (char16_t c : text)
    if (!IsSpace(c)) out += c;
  return out;
}

int MaskStream(fz_context* ctx, pdf_document* doc, pdf_obj* stream, const std::vector<std::u16string>& texts) {
  Glyphs glyphs;
  fz_buffer* buffer = nullptr;
  pdf_obj* resources = nullptr;
  fz_var(buffer);
  fz_var(resources);
  int removed = 0;
  fz_try(ctx) {
    // First the glyphs as drawn; the forms' instances this run makes are referred to by nothing.
    buffer = fz_new_buffer(ctx, 1024);
    resources = pdf_new_dict(ctx, doc, 4);
    Filter(ctx, doc, stream, glyphs, buffer, resources);
    glyphs.remove.assign(glyphs.count, false);
    bool any = false;
    for (const std::u16string& text : texts) {
      const std::u16string needle = Squeezed(text);
      if (needle.empty()) continue;
      for (size_t at = glyphs.squeezed.find(needle); at != std::u16string::npos;
           at = glyphs.squeezed.find(needle, at + needle.size())) {
        for (size_t k = at; k < at + needle.size(); ++k) glyphs.remove[glyphs.glyphOf[k]] = true;
        any = true;
      }
    }
    if (any) {
      glyphs.recording = false;
      glyphs.count = 0;
      fz_clear_buffer(ctx, buffer);
      pdf_drop_obj(ctx, resources);
      resources = nullptr;
      resources = pdf_new_dict(ctx, doc, 4);
      Filter(ctx, doc, stream, glyphs, buffer, resources);
      pdf_update_stream(ctx, doc, stream, buffer, 0);
      pdf_dict_put(ctx, stream, PDF_NAME(Resources), resources);
      removed = glyphs.removed;
    }
  }
  fz_always(ctx) {
    pdf_drop_obj(ctx, resources);
    fz_drop_buffer(ctx, buffer);
  }
  fz_catch(ctx) { fz_rethrow(ctx); }
  return removed;
}

}  // namespace

int MaskAppearanceInPlace(fz_context* ctx, pdf_document* doc, pdf_obj* annotation,
                          const std::vector<std::u16string>& texts) {
  pdf_obj* normal = pdf_dict_getp(ctx, annotation, "AP/N");
  if (pdf_is_stream(ctx, normal)) return MaskStream(ctx, doc, normal, texts);
  int removed = 0;
  for (int i = 0; i < pdf_dict_len(ctx, normal); ++i) {
    pdf_obj* state = pdf_dict_get_val(ctx, normal, i);
    if (pdf_is_stream(ctx, state)) removed += MaskStream(ctx, doc, state, texts);
  }
  return removed;
}

int SignedFieldCount(fz_context* ctx, pdf_document* doc) {
  int signedFields = 0;
  fz_var(signedFields);
  std::set<int> seen;
  std::vector<pdf_obj*> pending;
  fz_try(ctx) {
    pdf_obj* fields = pdf_dict_getp(ctx, pdf_trailer(ctx, doc), "Root/AcroForm/Fields");
    for (int i = 0; i < pdf_array_len(ctx, fields); ++i) pending.push_back(pdf_array_get(ctx, fields, i));
    while (!pending.empty()) {
      pdf_obj* field = pending.back();
      pending.pop_back();
      if (!pdf_is_dict(ctx, field) || (pdf_is_indirect(ctx, field) && !seen.insert(pdf_to_num(ctx, field)).second))
        continue;
      if (pdf_name_eq(ctx, pdf_dict_get_inheritable(ctx, field, PDF_NAME(FT)), PDF_NAME(Sig)) &&
          pdf_is_dict(ctx, pdf_dict_get(ctx, field, PDF_NAME(V))))
        ++signedFields;
      pdf_obj* kids = pdf_dict_get(ctx, field, PDF_NAME(Kids));
      for (int i = 0; i < pdf_array_len(ctx, kids); ++i) pending.push_back(pdf_array_get(ctx, kids, i));
    }
  }
  fz_catch(ctx) { signedFields = 0; }
  return signedFields;
}

bool IsSignatureWidget(fz_context* ctx, pdf_obj* annotation) {
  return pdf_name_eq(ctx, pdf_dict_get(ctx, annotation, PDF_NAME(Subtype)), PDF_NAME(Widget)) &&
         pdf_name_eq(ctx, pdf_dict_get_inheritable(ctx, annotation, PDF_NAME(FT)), PDF_NAME(Sig));
}

}  // namespace docscan
