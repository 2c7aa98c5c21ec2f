#include "pdf/WriteInOrder.h"

#include <cstdint>
#include <vector>

#include "pdf/ObjectCache.h"

namespace standin::pdf {

namespace {

// One object, as MuPDF's writer prints it: a stream's dictionary gets the length of the data as
// read (decrypted, still encoded); object and cross-reference streams are left out.
// Returns whether the object was written.
bool WriteObject(fz_context* ctx, pdf_document* doc, fz_output* out, int num, int gen) {
  pdf_obj* obj = pdf_load_object(ctx, doc, num);
  pdf_obj* copy = nullptr;
  fz_buffer* data = nullptr;
  bool written = false;
  fz_var(copy);
  fz_var(data);
  fz_var(written);
  fz_try(ctx) {
    pdf_obj* type = pdf_is_dict(ctx, obj) ? pdf_dict_get(ctx, obj, PDF_NAME(Type)) : nullptr;
    if (type != PDF_NAME(ObjStm) && type != PDF_NAME(XRef)) {
      if (pdf_obj_num_is_stream(ctx, doc, num)) {
        data = pdf_load_raw_stream_number(ctx, doc, num);
        copy = pdf_copy_dict(ctx, obj);
        unsigned char* bytes = nullptr;
        const size_t length = fz_buffer_storage(ctx, data, &bytes);
        fz_write_printf(ctx, out, "%d %d obj\n", num, gen);
        pdf_dict_put_int(ctx, copy, PDF_NAME(Length), static_cast<int64_t>(length));
        pdf_print_obj(ctx, out, copy, 1, 0);
        fz_write_string(ctx, out, "\nstream\n");
        fz_write_data(ctx, out, bytes, length);
        fz_write_string(ctx, out, "\nendstream\nendobj\n\n");
      } else {
        fz_write_printf(ctx, out, "%d %d obj\n", num, gen);
        pdf_print_obj(ctx, out, obj, 1, 0);
        fz_write_string(ctx, out, "\nendobj\n\n");
      }
      written = true;
    }
  }
  fz_always(ctx) {
    fz_drop_buffer(ctx, data);
    pdf_drop_obj(ctx, copy);
    pdf_drop_obj(ctx, obj);
  }
  fz_catch(ctx) { fz_rethrow(ctx); }
  return written;
}

// Per object: where it was written, its generation, whether it is in use, and whether it was in
// memory before (what was may be held by the document's users: only what is read for the
// writing is let go again).
struct Entries {
  std::vector<int64_t> offsets;
  std::vector<int> generations;
  std::vector<unsigned char> used;
  std::vector<unsigned char> inMemory;
};

// May throw; holds nothing that a throw would leak.
void WriteAll(fz_context* ctx, pdf_document* doc, fz_output* out, Entries& e) {
  const int size = static_cast<int>(e.used.size());
  for (int num = 0; num < size; ++num) e.inMemory[num] = pdf_get_xref_entry_no_null(ctx, doc, num)->obj != nullptr;

  const int version = pdf_version(ctx, doc);
  fz_write_printf(ctx, out, "%%PDF-%d.%d\n", version / 10, version % 10);
  fz_write_string(ctx, out, "%\xC2\xB5\xC2\xB6\n\n");
  for (int num = 0; num < size; ++num) {
    pdf_xref_entry* entry = pdf_get_xref_entry_no_null(ctx, doc, num);
    const char type = entry->type;
    e.generations[num] = (type == 'f' || type == 'n') ? entry->gen : 0;
    if (type != 'n' && type != 'o') {
      e.used[num] = 0;
      continue;
    }
    e.offsets[num] = fz_tell_output(ctx, out);
    if (!WriteObject(ctx, doc, out, num, e.generations[num])) e.used[num] = 0;
    if (!e.inMemory[num]) ReleaseObjectReadAgain(ctx, doc, num);
  }

  // The free entries chain into a list through their offsets, each one generation on.
  int lastFree = 0;
  for (int num = 0; num < size; ++num) {
    if (e.used[num]) continue;
    ++e.generations[num];
    e.offsets[lastFree] = num;
    lastFree = num;
  }

  const int64_t xrefOffset = fz_tell_output(ctx, out);
  fz_write_string(ctx, out, "xref\n");
  fz_write_printf(ctx, out, "%d %d\n", 0, size);
  for (int num = 0; num < size; ++num)
    fz_write_printf(ctx, out, e.used[num] ? "%010lu %05d n \n" : "%010lu %05d f \n", e.offsets[num], e.generations[num]);
  fz_write_string(ctx, out, "\n");
  WriteFileTrailer(ctx, doc, out, pdf_trailer(ctx, doc), size, xrefOffset);
  doc->has_xref_streams = 0;
}

}  // namespace

void WriteFileTrailer(fz_context* ctx, pdf_document* doc, fz_output* out, pdf_obj* from, int size,
                      int64_t xrefOffset) {
  pdf_obj* trailer = pdf_new_dict(ctx, doc, 5);
  fz_try(ctx) {
    pdf_dict_put_drop(ctx, trailer, PDF_NAME(Size), pdf_new_int(ctx, size));
    for (pdf_obj* key : {PDF_NAME(Info), PDF_NAME(Root), PDF_NAME(ID)})
      if (pdf_obj* value = pdf_dict_get(ctx, from, key)) pdf_dict_put(ctx, trailer, key, value);
    fz_write_string(ctx, out, "trailer\n");
    pdf_print_obj(ctx, out, trailer, 1, 0);
    fz_write_string(ctx, out, "\n");
    fz_write_printf(ctx, out, "startxref\n%lu\n%%%%EOF\n", xrefOffset);
  }
  fz_always(ctx) { pdf_drop_obj(ctx, trailer); }
  fz_catch(ctx) { fz_rethrow(ctx); }
}

bool WriteInOrder(fz_context* ctx, pdf_document* doc, fz_output* out) {
  if (pdf_has_unsaved_sigs(ctx, doc)) return false;
  const size_t size = static_cast<size_t>(pdf_xref_len(ctx, doc));
  Entries entries{std::vector<int64_t>(size), std::vector<int>(size), std::vector<unsigned char>(size, 1),
                  std::vector<unsigned char>(size)};
  bool written = false;
  fz_var(written);
  fz_try(ctx) {
    // Written without encryption, the document stops naming its encryption dictionary.
    pdf_dict_del(ctx, pdf_trailer(ctx, doc), PDF_NAME(Encrypt));
    WriteAll(ctx, doc, out, entries);
    written = true;
  }
  fz_catch(ctx) { written = false; }
  return written;
}

}  // namespace standin::pdf
