#include "pdf/FileIdentifier.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace standin::pdf {

namespace {

// Sixteen bytes that no digest-free writer would choose; the library writes them in hexadecimal.
constexpr unsigned char kStandIn[16] = {0x56, 0x4d, 0x2d, 0x49, 0x44, 0x9e, 0x37, 0x79,
                                        0xb9, 0x7f, 0x4a, 0x7c, 0x15, 0xf3, 0x9c, 0xc0};

std::string Hex(const unsigned char* bytes, size_t size) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

// Offsets of `needle` in `hay` (not overlapping).
std::vector<size_t> Find(const std::string& hay, const std::string& needle) {
  std::vector<size_t> at;
  for (size_t i = hay.find(needle); i != std::string::npos; i = hay.find(needle, i + needle.size())) at.push_back(i);
  return at;
}

bool ReadAt(FILE* file, long offset, size_t size, std::string& out) {
  out.assign(size, '\0');
  if (std::fseek(file, offset, SEEK_SET) != 0) return false;
  out.resize(std::fread(out.data(), 1, size, file));
  return !std::ferror(file);
}

}  // namespace

void PrepareIdentifier(fz_context* ctx, pdf_document* copy) {
  pdf_obj* trailer = pdf_trailer(ctx, copy);
  pdf_obj* first = pdf_array_get(ctx, pdf_dict_get(ctx, trailer, PDF_NAME(ID)), 0);
  pdf_obj* id = pdf_new_array(ctx, copy, 2);
  fz_try(ctx) {
    if (pdf_is_string(ctx, first) && pdf_to_str_len(ctx, first) > 0)
      pdf_array_push(ctx, id, first);
    else
      pdf_array_push_drop(ctx, id, pdf_new_string(ctx, reinterpret_cast<const char*>(kStandIn), 16));
    pdf_array_push_drop(ctx, id, pdf_new_string(ctx, reinterpret_cast<const char*>(kStandIn), 16));
    pdf_dict_put(ctx, trailer, PDF_NAME(ID), id);
  }
  fz_always(ctx) { pdf_drop_obj(ctx, id); }
  fz_catch(ctx) { fz_rethrow(ctx); }
}

bool FileDigest(const std::string& path, unsigned char digest[16]) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  fz_md5 state;
  fz_md5_init(&state);
  std::vector<unsigned char> buffer(1 << 16);
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) fz_md5_update(&state, buffer.data(), n);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  fz_md5_final(&state, digest);
  return ok;
}

bool StampIdentifier(const std::string& path, std::string* error) {
  unsigned char digest[16];
  if (!FileDigest(path, digest)) {
    *error = "cannot read back " + path;
    return false;
  }
  FILE* file = std::fopen(path.c_str(), "r+b");
  if (!file) {
    *error = "cannot open " + path + " to set its identifier";
    return false;
  }
  // The identifier stands in the trailer at the end of the file, or in the dictionary of the
  // cross-reference stream that the last "startxref" points to.
  const std::string standIn = "<" + Hex(kStandIn, 16) + ">";
  const std::string stamp = "<" + Hex(digest, 16) + ">";
  constexpr size_t kWindow = 8192;
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  const long tailStart = size > static_cast<long>(kWindow) ? size - static_cast<long>(kWindow) : 0;
  std::string tail;
  bool ok = ReadAt(file, tailStart, kWindow, tail);
  long base = tailStart;
  std::vector<size_t> found = ok ? Find(tail, standIn) : std::vector<size_t>{};
  if (ok && found.empty()) {
    const size_t keyword = tail.rfind("startxref");
    const long xref = keyword == std::string::npos ? -1 : std::strtol(tail.c_str() + keyword + 9, nullptr, 10);
    std::string head;
    if (xref >= 0 && xref < size && ReadAt(file, xref, kWindow, head)) {
      const size_t end = head.find("stream");
      found = Find(head.substr(0, end), standIn);
      base = xref;
    }
  }
  if (ok && found.empty()) {
    *error = "no file identifier to set in " + path;
    ok = false;
  }
  for (size_t at : found) {
    if (!ok) break;
    ok = std::fseek(file, base + static_cast<long>(at), SEEK_SET) == 0 &&
         std::fwrite(stamp.data(), 1, stamp.size(), file) == stamp.size();
    if (!ok) *error = "cannot write the file identifier into " + path;
  }
  if (std::fclose(file) != 0 && ok) {
    *error = "cannot write the file identifier into " + path;
    ok = false;
  }
  return ok;
}

}  // namespace standin::pdf
