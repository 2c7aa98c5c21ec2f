#include "pdf/ContentSpool.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "pdf/Document.h"

namespace standin::pdf {

// Appended streams are read at this offset and beyond: far past the end of any file, so that
// reading the original sequentially (as a repair does) ends where the file ends.
constexpr int64_t kSpoolBase = int64_t{1} << 50;

struct ContentSpool {
  fz_stream* original = nullptr;  // the file the document was opened from
  int64_t originalEnd = 0;
  std::FILE* file = nullptr;  // the appended streams, each followed by "\nendstream\n"
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

// Appends one stream's data; its offset as the document reads it, or -1 when writing failed.
int64_t Append(ContentSpool& spool, const unsigned char* data, size_t length) {
  static const char kEnd[] = "\nendstream\n";
  if (SeekFile(spool.file, spool.length) != 0) return -1;
  if (std::fwrite(data, 1, length, spool.file) != length) return -1;
  if (std::fwrite(kEnd, 1, sizeof kEnd - 1, spool.file) != sizeof kEnd - 1) return -1;
  if (std::fflush(spool.file) != 0) return -1;
  const int64_t at = kSpoolBase + spool.length;
  spool.length += static_cast<int64_t>(length + sizeof kEnd - 1);
  return at;
}

}  // namespace

pdf_obj* AddSpooledStream(Document& document, const unsigned char* packed, size_t length, pdf_obj* dict) {
  if (!CanSpool(document)) return nullptr;
  if (!document.spool) {
    document.spool = StartSpool(document);
    if (!document.spool) {
      document.spoolUnavailable = true;
      return nullptr;
    }
  }
  const int64_t at = Append(*document.spool, packed, length);
  if (at < 0) return nullptr;  // a full disk: this stream stays in memory
  fz_context* ctx = document.ctx;
  pdf_dict_put_int(ctx, dict, PDF_NAME(Length), static_cast<int64_t>(length));
  pdf_obj* ref = pdf_add_object(ctx, document.doc, dict);
  pdf_get_xref_entry_no_null(ctx, document.doc, pdf_to_num(ctx, ref))->stm_ofs = at;
  return ref;
}

}  // namespace standin::pdf
