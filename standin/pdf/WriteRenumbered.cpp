#include "pdf/WriteRenumbered.h"

#include <cstdint>
#include <vector>

#include "pdf/ObjectCache.h"
#include "pdf/WriteInOrder.h"

namespace standin::pdf {

namespace {

enum : unsigned char { kUnseen = 0, kUsed = 1, kUnusable = 2 };

// Whether MuPDF's save would write object `num` as WriteObject does. It writes no object or
// cross-reference stream, bakes a length kept elsewhere into the stream's dictionary, reads the
// filters of the renumbered dictionary, and gives an object that is itself a reference the
// reference to its own new number: none of that is in a copy MuPDF wrote, and all is refused.
bool Supported(fz_context* ctx, pdf_document* doc, int num, pdf_obj* obj) {
  if (pdf_get_xref_entry_no_null(ctx, doc, num)->type != 'n' || pdf_is_indirect(ctx, obj)) return false;
  if (!pdf_is_dict(ctx, obj)) return true;
  pdf_obj* type = pdf_dict_get(ctx, obj, PDF_NAME(Type));
  if (type == PDF_NAME(ObjStm) || type == PDF_NAME(XRef)) return false;
  if (pdf_obj_num_is_stream(ctx, doc, num))
    for (pdf_obj* key : {PDF_NAME(Length), PDF_NAME(Filter), PDF_NAME(DecodeParms)})
      if (pdf_is_indirect(ctx, pdf_dict_get(ctx, obj, key))) return false;
  return true;
}

struct Marking {
  std::vector<unsigned char> state;  // by object number
  bool supported = true;
  bool failed = false;  // MuPDF threw
};

// A dictionary or array being looked through; `num` is the object's number when it is an object
// of the file (kept until it is walked, then let go), 0 for a direct one within.
struct Frame {
  pdf_obj* container;
  int next;
  int count;
  int num;
};

// Below this many objects a document is held whole while it is written, as MuPDF's own save
// holds it, and each object is read once; above, each is read twice (to mark, to write) and
// memory stays flat.
constexpr int kObjectsHeldWhole = 16384;

// Marks what the trailer reaches, depth first as MuPDF does. An object is walked once; in a
// document of more than kObjectsHeldWhole objects it is let go once walked, and what remains in
// memory is the path from the trailer to the object being walked.
// A reference out of range, or to an object that is null or cannot be read, marks nothing: MuPDF
// writes null in its place.
Marking Mark(fz_context* ctx, pdf_document* doc) {
  const int length = pdf_xref_len(ctx, doc);
  Marking marking;
  marking.state.assign(static_cast<size_t>(length), kUnseen);
  std::vector<Frame> stack;
  auto push = [&](pdf_obj* container, int num) {
    if (pdf_is_dict(ctx, container))
      stack.push_back({container, 0, pdf_dict_len(ctx, container), num});
    else if (pdf_is_array(ctx, container))
      stack.push_back({container, 0, pdf_array_len(ctx, container), num});
    else
      return false;
    return true;
  };
  auto letGo = [&](pdf_obj* object, int num) {
    pdf_drop_obj(ctx, object);
    if (length > kObjectsHeldWhole) ReleaseUnchangedObject(ctx, doc, num);
  };
  fz_try(ctx) {
    push(pdf_trailer(ctx, doc), 0);
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next == frame.count) {
        const Frame done = frame;
        stack.pop_back();
        if (done.num > 0) letGo(done.container, done.num);
        continue;
      }
      const int i = frame.next++;
      pdf_obj* value = pdf_is_dict(ctx, frame.container) ? pdf_dict_get_val(ctx, frame.container, i)
                                                         : pdf_array_get(ctx, frame.container, i);
      if (!pdf_is_indirect(ctx, value)) {
        push(value, 0);
        continue;
      }
      const int num = pdf_to_num(ctx, value);
      if (num <= 0 || num >= length || marking.state[static_cast<size_t>(num)] != kUnseen) continue;
      pdf_obj* target = pdf_resolve_indirect(ctx, value);
      if (!target || pdf_is_null(ctx, target)) {
        marking.state[static_cast<size_t>(num)] = kUnusable;
        continue;
      }
      marking.state[static_cast<size_t>(num)] = kUsed;
      if (!Supported(ctx, doc, num, target)) marking.supported = false;
      target = pdf_keep_obj(ctx, target);
      if (!push(target, num)) letGo(target, num);
    }
  }
  fz_always(ctx) {
    for (const Frame& frame : stack)
      if (frame.num > 0) pdf_drop_obj(ctx, frame.container);
  }
  fz_catch(ctx) { marking.failed = true; }
  return marking;
}

// A copy of `obj` with its references renumbered, and null for those that reach nothing written.
pdf_obj* Renumbered(fz_context* ctx, pdf_document* doc, pdf_obj* obj, const std::vector<int>& newNumber) {
  if (pdf_is_indirect(ctx, obj)) {
    const int num = pdf_to_num(ctx, obj);
    if (num <= 0 || num >= static_cast<int>(newNumber.size()) || newNumber[static_cast<size_t>(num)] == 0)
      return PDF_NULL;
    return pdf_new_indirect(ctx, doc, newNumber[static_cast<size_t>(num)], 0);
  }
  const bool dict = pdf_is_dict(ctx, obj);
  if (!dict && !pdf_is_array(ctx, obj)) return pdf_keep_obj(ctx, obj);
  const int n = dict ? pdf_dict_len(ctx, obj) : pdf_array_len(ctx, obj);
  pdf_obj* copy = dict ? pdf_new_dict(ctx, doc, n) : pdf_new_array(ctx, doc, n);
  fz_try(ctx) {
    for (int i = 0; i < n; ++i) {
      if (dict)
        pdf_dict_put_drop(ctx, copy, pdf_dict_get_key(ctx, obj, i),
                          Renumbered(ctx, doc, pdf_dict_get_val(ctx, obj, i), newNumber));
      else
        pdf_array_push_drop(ctx, copy, Renumbered(ctx, doc, pdf_array_get(ctx, obj, i), newNumber));
    }
  }
  fz_catch(ctx) {
    pdf_drop_obj(ctx, copy);
    fz_rethrow(ctx);
  }
  return copy;
}

// How MuPDF's writer tells streams apart (pdf-write.c), asked of the stream as read.

bool IsBitmap(fz_context* ctx, pdf_obj* obj, size_t len, int* w, int* h) {
  if (pdf_dict_get(ctx, obj, PDF_NAME(Subtype)) != PDF_NAME(Image)) return false;
  *w = pdf_dict_get_int(ctx, obj, PDF_NAME(Width));
  *h = pdf_dict_get_int(ctx, obj, PDF_NAME(Height));
  const int stride = (*w + 7) >> 3;
  if (static_cast<size_t>(stride) * static_cast<size_t>(*h) != len) return false;
  if (pdf_dict_get_bool(ctx, obj, PDF_NAME(ImageMask))) return true;
  pdf_obj* bpc = pdf_dict_get(ctx, obj, PDF_NAME(BitsPerComponent));
  if (!pdf_is_int(ctx, bpc) || pdf_to_int(ctx, bpc) != 1) return false;
  return pdf_name_eq(ctx, pdf_dict_get(ctx, obj, PDF_NAME(ColorSpace)), PDF_NAME(DeviceGray));
}

bool IsJpxFilter(fz_context* ctx, pdf_obj* o) {
  if (o == PDF_NAME(JPXDecode)) return true;
  if (pdf_is_array(ctx, o))
    for (int i = 0, n = pdf_array_len(ctx, o); i < n; ++i)
      if (pdf_array_get(ctx, o, i) == PDF_NAME(JPXDecode)) return true;
  return false;
}

bool IsXmlMetadata(fz_context* ctx, pdf_obj* obj) {
  return pdf_name_eq(ctx, pdf_dict_get(ctx, obj, PDF_NAME(Type)), PDF_NAME(Metadata)) &&
         pdf_name_eq(ctx, pdf_dict_get(ctx, obj, PDF_NAME(Subtype)), PDF_NAME(XML));
}

// Takes ASCIIHexDecode off the head of the filters, as MuPDF's writer does before compressing.
bool StripHexFilter(fz_context* ctx, pdf_obj* dict) {
  pdf_obj* f = pdf_dict_get(ctx, dict, PDF_NAME(Filter));
  pdf_obj* dp = pdf_dict_get(ctx, dict, PDF_NAME(DecodeParms));
  bool isHex = false;
  if (pdf_is_array(ctx, f)) {
    if (pdf_array_get(ctx, f, 0) == PDF_NAME(ASCIIHexDecode)) {
      isHex = true;
      pdf_array_delete(ctx, f, 0);
      if (pdf_is_array(ctx, dp)) pdf_array_delete(ctx, dp, 0);
    }
    if (pdf_array_len(ctx, f) == 1) {
      f = pdf_array_get(ctx, f, 0);
      pdf_dict_put(ctx, dict, PDF_NAME(Filter), f);
      if (dp) {
        dp = pdf_array_get(ctx, dp, 0);
        pdf_dict_put(ctx, dict, PDF_NAME(DecodeParms), dp);
      }
    } else if (pdf_array_len(ctx, f) == 0) {
      pdf_dict_del(ctx, dict, PDF_NAME(Filter));
      pdf_dict_del(ctx, dict, PDF_NAME(DecodeParms));
    }
  } else if (f == PDF_NAME(ASCIIHexDecode)) {
    isHex = true;
    pdf_dict_del(ctx, dict, PDF_NAME(Filter));
    pdf_dict_del(ctx, dict, PDF_NAME(DecodeParms));
  }
  return isHex;
}

fz_buffer* Unhex(fz_context* ctx, const unsigned char* p, size_t n) {
  fz_stream* memory = nullptr;
  fz_stream* decoded = nullptr;
  fz_buffer* out = nullptr;
  fz_var(memory);
  fz_var(decoded);
  fz_var(out);
  fz_try(ctx) {
    memory = fz_open_memory(ctx, p, n);
    decoded = fz_open_ahxd(ctx, memory);
    out = fz_read_all(ctx, decoded, n / 2);
  }
  fz_always(ctx) {
    fz_drop_stream(ctx, decoded);
    fz_drop_stream(ctx, memory);
  }
  fz_catch(ctx) { fz_rethrow(ctx); }
  return out;
}

// zlib's compress(), which MuPDF's writer calls, through MuPDF's own copy of it.
fz_buffer* Deflated(fz_context* ctx, const unsigned char* p, size_t n) {
  size_t length = fz_deflate_bound(ctx, n);
  fz_buffer* buffer = fz_new_buffer(ctx, length);
  fz_try(ctx) {
    fz_deflate(ctx, buffer->data, &length, p, n, FZ_DEFLATE_DEFAULT);
    buffer->len = length;
  }
  fz_catch(ctx) {
    fz_drop_buffer(ctx, buffer);
    fz_rethrow(ctx);
  }
  return buffer;
}

// A stream: its data as read, compressed unless it is XML metadata or JPEG 2000 or already
// filtered (a hex filter first taken off), under `dict`, its renumbered dictionary.
void WriteStream(fz_context* ctx, pdf_document* doc, fz_output* out, int old, int num, pdf_obj* original,
                 pdf_obj* dict) {
  const bool deflate = !IsXmlMetadata(ctx, original) && !IsJpxFilter(ctx, pdf_dict_get(ctx, original, PDF_NAME(Filter)));
  fz_buffer* raw = nullptr;
  fz_buffer* unhexed = nullptr;
  fz_buffer* packed = nullptr;
  pdf_obj* copy = nullptr;
  fz_var(raw);
  fz_var(unhexed);
  fz_var(packed);
  fz_var(copy);
  fz_try(ctx) {
    raw = pdf_load_raw_stream_number(ctx, doc, old);
    copy = pdf_copy_dict(ctx, dict);
    unsigned char* data = nullptr;
    size_t length = fz_buffer_storage(ctx, raw, &data);
    if (deflate && StripHexFilter(ctx, copy)) {
      unhexed = Unhex(ctx, data, length);
      length = fz_buffer_storage(ctx, unhexed, &data);
    }
    if (deflate && !pdf_dict_get(ctx, copy, PDF_NAME(Filter))) {
      int w = 0, h = 0;
      if (IsBitmap(ctx, original, length, &w, &h)) {
        packed = fz_compress_ccitt_fax_g4(ctx, data, w, h);
        pdf_dict_put(ctx, copy, PDF_NAME(Filter), PDF_NAME(CCITTFaxDecode));
        pdf_obj* parms = pdf_dict_put_dict(ctx, copy, PDF_NAME(DecodeParms), 1);
        pdf_dict_put_int(ctx, parms, PDF_NAME(K), -1);
        pdf_dict_put_int(ctx, parms, PDF_NAME(Columns), w);
      } else {
        packed = Deflated(ctx, data, length);
        pdf_dict_put(ctx, copy, PDF_NAME(Filter), PDF_NAME(FlateDecode));
      }
      length = fz_buffer_storage(ctx, packed, &data);
    }
    fz_write_printf(ctx, out, "%d %d obj\n", num, 0);
    pdf_dict_put_int(ctx, copy, PDF_NAME(Length), static_cast<int64_t>(length));
    pdf_print_obj(ctx, out, copy, 1, 0);
    fz_write_string(ctx, out, "\nstream\n");
    fz_write_data(ctx, out, data, length);
    fz_write_string(ctx, out, "\nendstream\nendobj\n\n");
  }
  fz_always(ctx) {
    fz_drop_buffer(ctx, packed);
    fz_drop_buffer(ctx, unhexed);
    fz_drop_buffer(ctx, raw);
    pdf_drop_obj(ctx, copy);
  }
  fz_catch(ctx) { fz_rethrow(ctx); }
}

void WriteObject(fz_context* ctx, pdf_document* doc, fz_output* out, int old, int num,
                 const std::vector<int>& newNumber) {
  pdf_obj* original = pdf_load_object(ctx, doc, old);
  pdf_obj* renumbered = nullptr;
  fz_var(renumbered);
  fz_try(ctx) {
    renumbered = Renumbered(ctx, doc, original, newNumber);
    if (pdf_obj_num_is_stream(ctx, doc, old)) {
      WriteStream(ctx, doc, out, old, num, original, renumbered);
    } else {
      fz_write_printf(ctx, out, "%d %d obj\n", num, 0);
      pdf_print_obj(ctx, out, renumbered, 1, 0);
      fz_write_string(ctx, out, "\nendobj\n\n");
    }
  }
  fz_always(ctx) {
    pdf_drop_obj(ctx, renumbered);
    pdf_drop_obj(ctx, original);
  }
  fz_catch(ctx) { fz_rethrow(ctx); }
}

// The trailer with its references renumbered.
void WriteTrailer(fz_context* ctx, pdf_document* doc, fz_output* out, int size, int64_t xrefOffset,
                  const std::vector<int>& newNumber) {
  pdf_obj* renumbered = Renumbered(ctx, doc, pdf_trailer(ctx, doc), newNumber);
  fz_try(ctx) { WriteFileTrailer(ctx, doc, out, renumbered, size, xrefOffset); }
  fz_always(ctx) { pdf_drop_obj(ctx, renumbered); }
  fz_catch(ctx) { fz_rethrow(ctx); }
}

// May throw; holds nothing that a throw would leak.
void WriteAll(fz_context* ctx, pdf_document* doc, fz_output* out, const std::vector<int>& newNumber,
              const std::vector<int>& oldNumber, std::vector<int64_t>& offsets) {
  const int size = static_cast<int>(oldNumber.size());
  const int version = pdf_version(ctx, doc);
  fz_write_printf(ctx, out, "%%PDF-%d.%d\n", version / 10, version % 10);
  fz_write_string(ctx, out, "%\xC2\xB5\xC2\xB6\n\n");
  for (int num = 1; num < size; ++num) {
    const int old = oldNumber[static_cast<size_t>(num)];
    offsets[static_cast<size_t>(num)] = fz_tell_output(ctx, out);
    WriteObject(ctx, doc, out, old, num, newNumber);
    ReleaseUnchangedObject(ctx, doc, old);
  }

  // Object 0 heads the (empty) list of free objects, one generation past the last.
  const int64_t xrefOffset = fz_tell_output(ctx, out);
  fz_write_string(ctx, out, "xref\n");
  fz_write_printf(ctx, out, "%d %d\n", 0, size);
  fz_write_printf(ctx, out, "%010lu %05d f \n", int64_t{0}, 65536);
  for (int num = 1; num < size; ++num)
    fz_write_printf(ctx, out, "%010lu %05d n \n", offsets[static_cast<size_t>(num)], 0);
  fz_write_string(ctx, out, "\n");
  WriteTrailer(ctx, doc, out, size, xrefOffset, newNumber);
}

}  // namespace

bool WriteRenumbered(fz_context* ctx, pdf_document* doc, fz_output* out) {
  if (doc->repair_attempted || doc->crypt || pdf_has_unsaved_sigs(ctx, doc)) return false;
  const Marking marking = Mark(ctx, doc);
  if (marking.failed || !marking.supported || doc->repair_attempted) return false;

  // The objects kept, numbered from 1 in the order of their old numbers.
  std::vector<int> newNumber(marking.state.size(), 0);
  std::vector<int> oldNumber{0};
  for (size_t num = 1; num < marking.state.size(); ++num)
    if (marking.state[num] == kUsed) {
      newNumber[num] = static_cast<int>(oldNumber.size());
      oldNumber.push_back(static_cast<int>(num));
    }
  std::vector<int64_t> offsets(oldNumber.size(), 0);
  bool written = false;
  fz_var(written);
  fz_try(ctx) {
    WriteAll(ctx, doc, out, newNumber, oldNumber, offsets);
    written = true;
  }
  fz_catch(ctx) { written = false; }
  return written;
}

}  // namespace standin::pdf
