#include "pdf/ContentSpool.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "pdf/Document.h"
#include "pdf/ObjectCache.h"
#include "pdf/PdfUtil.h"
#include "pdf/UpdateSection.h"

namespace standin::pdf {

// Appended streams are read at this offset and beyond: far past the end of any file, so that
// reading the original sequentially (as a repair does) ends where the file ends.
constexpr int64_t kSpoolBase = int64_t{1} << 50;

struct ContentSpool {
  fz_stream* original = nullptr;  // the file the document was opened from
  int64_t originalEnd = 0;
  std::FILE* file = nullptr;  // the appended objects, as a file writes them
  int64_t length = 0;
  unsigned char buffer[8192];
};

namespace {

int SeekFile(std::FILE* file, int64_t offset) {
#if defined(__MINGW32__) || defined(_MSC_VER)
  return _fseeki64(file, offset, SEEK_SET);
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET);
#endif
}

int NextSpooled(fz_context* ctx, fz_stream* stm, size_t) {
  auto* spool = static_cast<ContentSpool*>(stm->state);
  const int64_t pos = stm->pos;
  size_t n = 0;
  if (pos < spool->originalEnd) {
    if (fz_tell(ctx, spool->original) != pos) fz_seek(ctx, spool->original, pos, SEEK_SET);
    const int64_t left = spool->originalEnd - pos;
    n = fz_read(ctx, spool->original, spool->buffer,
                left < static_cast<int64_t>(sizeof spool->buffer) ? static_cast<size_t>(left) : sizeof spool->buffer);
  } else if (pos >= kSpoolBase && pos < kSpoolBase + spool->length) {
    const int64_t left = kSpoolBase + spool->length - pos;
    if (SeekFile(spool->file, pos - kSpoolBase) != 0)
      fz_throw(ctx, FZ_ERROR_GENERIC, "cannot seek in the content spool: %s", strerror(errno));
    n = std::fread(spool->buffer, 1,
                   left < static_cast<int64_t>(sizeof spool->buffer) ? static_cast<size_t>(left) : sizeof spool->buffer,
                   spool->file);
    if (n == 0 && std::ferror(spool->file))
      fz_throw(ctx, FZ_ERROR_GENERIC, "cannot read the content spool: %s", strerror(errno));
  }
  stm->rp = spool->buffer;
  stm->wp = spool->buffer + n;
  stm->pos += static_cast<int64_t>(n);
  if (n == 0) return EOF;
  return *stm->rp++;
}

void SeekSpooled(fz_context* ctx, fz_stream* stm, int64_t offset, int whence) {
  auto* spool = static_cast<ContentSpool*>(stm->state);
  // The file ends where the original ends: what was appended is found only through its entries.
  const int64_t target = whence == SEEK_END ? spool->originalEnd + offset : whence == SEEK_CUR ? stm->pos + offset : offset;
  if (target < 0) fz_throw(ctx, FZ_ERROR_GENERIC, "cannot seek before the start of the file");
  stm->pos = target;
  stm->rp = stm->wp = spool->buffer;
}

void DropSpooled(fz_context* ctx, void* state) {
  auto* spool = static_cast<ContentSpool*>(state);
  fz_drop_stream(ctx, spool->original);
  if (spool->file) std::fclose(spool->file);
  delete spool;
}

bool CanSpool(const Document& document) {
  const pdf_document* doc = document.doc;
  return document.spoolNewContent && !document.spoolUnavailable && doc && doc->file && !doc->crypt && !doc->journal &&
         !doc->local_xref;
}

// Puts the spool between the document and its file. Null when no temporary file can be made.
ContentSpool* StartSpool(Document& document) {
  fz_context* ctx = document.ctx;
  pdf_document* doc = document.doc;
  std::FILE* file = std::tmpfile();
  if (!file) return nullptr;
  auto* spool = new ContentSpool;
  spool->file = file;
  spool->original = doc->file;
  fz_try(ctx) {
    fz_seek(ctx, spool->original, 0, SEEK_END);
    spool->originalEnd = fz_tell(ctx, spool->original);
    fz_stream* stream = fz_new_stream(ctx, spool, NextSpooled, DropSpooled);
    stream->seek = SeekSpooled;
    doc->file = stream;  // takes over the document's reference to the original
  }
  fz_catch(ctx) {
    std::fclose(file);
    delete spool;
    return nullptr;
  }
  return spool;
}

// Appends `parts`, one after the other; the offset of the first as the document reads it, or -1
// when writing failed.
int64_t Append(ContentSpool& spool, std::initializer_list<std::string_view> parts) {
  if (SeekFile(spool.file, spool.length) != 0) return -1;
  size_t total = 0;
  for (std::string_view part : parts) {
    if (std::fwrite(part.data(), 1, part.size(), spool.file) != part.size()) return -1;
    total += part.size();
  }
  if (std::fflush(spool.file) != 0) return -1;
  const int64_t at = kSpoolBase + spool.length;
  spool.length += static_cast<int64_t>(total);
  return at;
}

// Whether the spool holds `text` at `at` (an offset as the document reads it).
bool Holds(ContentSpool& spool, int64_t at, const std::string& text) {
  if (at < kSpoolBase || at - kSpoolBase + static_cast<int64_t>(text.size()) > spool.length) return false;
  if (SeekFile(spool.file, at - kSpoolBase) != 0) return false;
  std::string read(text.size(), '\0');
  return std::fread(read.data(), 1, read.size(), spool.file) == read.size() && read == text;
}

// "num gen obj" and the object, printed as a file holds it; false when MuPDF could not print it.
bool ObjectText(fz_context* ctx, int num, int gen, pdf_obj* object, std::string* text) {
  char* printed = nullptr;
  size_t length = 0;
  fz_var(printed);
  fz_try(ctx) { printed = pdf_sprint_obj(ctx, nullptr, 0, &length, object, 1, 0); }
  fz_catch(ctx) { return false; }
  *text = std::to_string(num) + " " + std::to_string(gen) + " obj\n";
  text->append(printed, length);
  fz_free(ctx, printed);
  return true;
}

bool EnsureSpool(Document& document) {
  if (document.spool) return true;
  if (!CanSpool(document)) return false;
  document.spool = StartSpool(document);
  if (!document.spool) document.spoolUnavailable = true;
  return document.spool != nullptr;
}

// The copy MuPDF left of object `num` as read, in the first of the file's own sections that
// defines it, when it was changed; null when it is new.
pdf_xref_entry* AsRead(pdf_document* doc, int num) {
  for (int s = doc->num_incremental_sections; s < doc->num_xref_sections; ++s)
    if (pdf_xref_entry* entry = EntryIn(doc->xref_sections[s], num); entry && entry->type) return entry;
  return nullptr;
}

// Moves one object of the update section out of memory: its entry stays there, pointing into the
// spool, where MuPDF reads it again when it is wanted. Read again, it may be changed again in
// memory like any changed object, and goes to the spool again (at its new end) at the next call.
bool SpoolEntry(Document& document, int num, pdf_xref_entry& entry) {
  fz_context* ctx = document.ctx;
  ContentSpool& spool = *document.spool;
  if (entry.type != 'n' || !entry.obj || entry.stm_buf) return false;
  // Fonts stay: what is made of a font (its glyphs, its encoding) is known by its dictionary, and
  // the text written with it is compared by what was made.
  if (pdf_name_eq(ctx, pdf_dict_get(ctx, entry.obj, PDF_NAME(Type)), PDF_NAME(Font))) return false;
  // The copy as read that MuPDF leaves in the file's section at a change: nothing reads it, and
  // it shares the changed object's numbers, names and references.
  if (pdf_xref_entry* asRead = AsRead(document.doc, num); asRead && asRead->obj) {
    if (pdf_obj_refs(ctx, asRead->obj) > 1) return false;
    pdf_drop_obj(ctx, asRead->obj);
    asRead->obj = nullptr;
  }
  if (!MayLetGo(ctx, entry.obj, document.pagesLookedUp)) return false;
  std::string text;
  if (!ObjectText(ctx, num, entry.gen, entry.obj, &text)) return false;
  int64_t at;
  if (entry.stm_ofs) {
    // A stream stays in memory unless its data follow its dictionary, unchanged, in the spool
    // (AddSpooledStream writes them so).
    text += "\nstream\n";
    at = entry.stm_ofs - static_cast<int64_t>(text.size());
    if (!Holds(spool, at, text)) return false;
  } else {
    at = Append(spool, {text, "\nendobj\n"});
    if (at < 0) return false;
  }
  pdf_drop_obj(ctx, entry.obj);
  entry.obj = nullptr;
  entry.ofs = at;
  return true;
}

}  // namespace

pdf_obj* AddSpooledStream(Document& document, const unsigned char* packed, size_t length, pdf_obj* dict) {
  if (!EnsureSpool(document)) return nullptr;
  fz_context* ctx = document.ctx;
  pdf_dict_put_int(ctx, dict, PDF_NAME(Length), static_cast<int64_t>(length));
  // The dictionary goes before the data, under the number the object will get, so that the
  // object can later be read from the spool whole (SpoolChangedObjects).
  int64_t dataAt = 0;
  {
    std::string header;
    if (!ObjectText(ctx, pdf_xref_len(ctx, document.doc), 0, dict, &header)) return nullptr;
    header += "\nstream\n";
    const int64_t at = Append(*document.spool, {header, std::string_view(reinterpret_cast<const char*>(packed), length),
                                                "\nendstream\nendobj\n"});
    if (at < 0) return nullptr;  // a full disk: this stream stays in memory
    dataAt = at + static_cast<int64_t>(header.size());
  }
  pdf_obj* ref = pdf_add_object(ctx, document.doc, dict);
  pdf_get_xref_entry_no_null(ctx, document.doc, pdf_to_num(ctx, ref))->stm_ofs = dataAt;
  return ref;
}

bool InSpool(int64_t offset) { return offset >= kSpoolBase; }

int SpoolChangedObjects(Document& document) {
  pdf_document* doc = document.doc;
  if (!doc || doc->num_incremental_sections != 1 || doc->num_xref_sections < 2 || doc->xref_base != 0 ||
      doc->repair_attempted || doc->save_in_progress || !EnsureSpool(document))
    return 0;
  fz_context* ctx = document.ctx;
  int moved = 0;
  fz_var(moved);
  const std::vector<bool> written = WrittenUpdateEntries(doc);
  pdf_xref_subsec* sub = doc->xref_sections[0].subsec;
  fz_try(ctx) {
    for (int i = 0; sub && i < sub->len && i < static_cast<int>(written.size()); ++i)
      if (written[i] && SpoolEntry(document, i, sub->table[i])) ++moved;
  }
  fz_catch(ctx) {}  // what went stays gone (it reads back); the rest stays in memory
  return moved;
}

}  // namespace standin::pdf
