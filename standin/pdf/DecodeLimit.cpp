#include "pdf/DecodeLimit.h"

extern "C" {
#include <mupdf/fitz.h>
}

namespace standin::pdf {

namespace {

uint64_t limit = kDefaultDecodeLimit;
uint64_t hits = 0;

struct Counted {
  fz_stream* decoded;
  uint64_t given;
};

// Passes the decoder's buffer on without copying, counting it.
int NextCounted(fz_context* ctx, fz_stream* stream, size_t max) {
  Counted* c = static_cast<Counted*>(stream->state);
  const size_t n = fz_available(ctx, c->decoded, max);
  if (n == 0) return EOF;
  c->given += n;
  if (c->given > limit) {
    ++hits;
    // No C++ temporary here: the error unwinds with longjmp, past its destructor.
    fz_throw(ctx, FZ_ERROR_GENERIC, "a stream decodes to more than %llu MiB (engine limit)",
             static_cast<unsigned long long>(limit >> 20));
  }
  stream->rp = c->decoded->rp;
  stream->wp = c->decoded->rp + n;
  c->decoded->rp += n;
  stream->pos += static_cast<int64_t>(n);
  return *stream->rp++;
}

void DropCounted(fz_context* ctx, void* state) {
  Counted* c = static_cast<Counted*>(state);
  fz_drop_stream(ctx, c->decoded);
  fz_free(ctx, c);
}

fz_stream* Counting(fz_context* ctx, fz_stream* decoded) {
  Counted* c = nullptr;
  fz_var(c);
  fz_try(ctx) { c = fz_malloc_struct(ctx, Counted); }
  fz_catch(ctx) {
    fz_drop_stream(ctx, decoded);
    fz_rethrow(ctx);
  }
  c->decoded = decoded;
  return fz_new_stream(ctx, c, NextCounted, DropCounted);  // drops `c` itself on failure
}

}  // namespace

void SetDecodeLimit(uint64_t bytes) { limit = bytes ? bytes : kDefaultDecodeLimit; }
uint64_t DecodeLimit() { return limit; }
uint64_t DecodeLimitHits() { return hits; }

std::string DecodeLimitReason() {
  return "a stream decodes to more than " + std::to_string(limit >> 20) + " MiB (engine limit)";
}

}  // namespace standin::pdf

// The link-time wrappers of MuPDF's decoders (every build links with --wrap, standin/CMakeLists.txt).
extern "C" {
fz_stream* __real_fz_open_flated(fz_context* ctx, fz_stream* chain, int window_bits);
fz_stream* __real_fz_open_lzwd(fz_context* ctx, fz_stream* chain, int early_change, int min_bits, int reverse_bits,
                               int old_tiff);
fz_stream* __real_fz_open_rld(fz_context* ctx, fz_stream* chain);

fz_stream* __wrap_fz_open_flated(fz_context* ctx, fz_stream* chain, int window_bits) {
  return standin::pdf::Counting(ctx, __real_fz_open_flated(ctx, chain, window_bits));
}
fz_stream* __wrap_fz_open_lzwd(fz_context* ctx, fz_stream* chain, int early_change, int min_bits, int reverse_bits,
                               int old_tiff) {
  return standin::pdf::Counting(ctx, __real_fz_open_lzwd(ctx, chain, early_change, min_bits, reverse_bits, old_tiff));
}
fz_stream* __wrap_fz_open_rld(fz_context* ctx, fz_stream* chain) {
  return standin::pdf::Counting(ctx, __real_fz_open_rld(ctx, chain));
}
}
