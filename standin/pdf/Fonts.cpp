#include "pdf/Fonts.h"

#include <cmath>

#include "pdf/Document.h"
#include "pdf/PdfUtil.h"

namespace standin::pdf {

Font::~Font() {
  if (ctx) {
    pdf_drop_font(ctx, desc);
    pdf_drop_obj(ctx, dictionary);
  }
}

Font* StandardFont(Document& document, const char* baseName) {
  if (!baseName) return nullptr;
  auto found = document.standardFonts.find(baseName);
  if (found != document.standardFonts.end()) return found->second.get();
  fz_context* ctx = document.ctx;
  int length = 0;
  const unsigned char* data = nullptr;
  fz_try(ctx) { data = fz_lookup_base14_font(ctx, baseName, &length); }
  fz_catch(ctx) { data = nullptr; }
  if (!data) return nullptr;

  // Symbol and ZapfDingbats have their own built-in encodings.
  bool symbolic = strcmp(baseName, "Symbol") == 0 || strcmp(baseName, "ZapfDingbats") == 0;
  char text[200];
  snprintf(text, sizeof text, "<< /Type /Font /Subtype /Type1 /BaseFont /%s %s >>", baseName,
           symbolic ? "" : "/Encoding /WinAnsiEncoding");
  pdf_obj* dictionary = nullptr;
  pdf_font_desc* desc = nullptr;
  fz_var(dictionary);
  fz_var(desc);
  fz_try(ctx) {
    dictionary = pdf_add_object_drop(ctx, document.doc, ParseObject(ctx, document.doc, text));
    desc = pdf_load_font(ctx, document.doc, nullptr, dictionary);
  }
  fz_catch(ctx) {
    pdf_drop_obj(ctx, dictionary);
    return nullptr;
  }
  auto font = std::make_unique<Font>();
  font->ctx = ctx;
  font->desc = desc;
  font->dictionary = dictionary;
  font->baseName = baseName;
  Font* result = font.get();
  document.standardFonts[baseName] = std::move(font);
  return result;
}

namespace {

int CidOf(pdf_font_desc* font, int32_t code) {
  if (!font->encoding) return code;
  int cid = pdf_lookup_cmap(font->encoding, static_cast<unsigned>(code));
  return cid < 0 ? 0 : cid;
}

}  // namespace

int32_t GlyphWidth(fz_context* ctx, pdf_font_desc* font, int32_t code) {
  if (!font) return 0;
  int32_t width = 0;
  fz_var(width);
  fz_try(ctx) { width = pdf_lookup_hmtx(ctx, font, CidOf(font, code)).w; }
  fz_catch(ctx) { width = 0; }
  return width;
}

HostGlyphBox GlyphBox(fz_context* ctx, pdf_font_desc* font, int32_t code) {
  HostGlyphBox box = {0, 0, 0, 0};
  if (!font) return box;
  fz_rect bounds = fz_empty_rect;
  fz_try(ctx) {
    int gid = pdf_font_cid_to_gid(ctx, font, CidOf(font, code));
    bounds = fz_bound_glyph(ctx, font->font, gid, fz_identity);
  }
  fz_catch(ctx) { bounds = fz_empty_rect; }
  if (fz_is_empty_rect(bounds)) return box;
  box.left = static_cast<int32_t>(std::lround(bounds.x0 * 1000));
  box.bottom = static_cast<int32_t>(std::lround(bounds.y0 * 1000));
  box.right = static_cast<int32_t>(std::lround(bounds.x1 * 1000));
  box.top = static_cast<int32_t>(std::lround(bounds.y1 * 1000));
  return box;
}

int CodeLength(fz_context*, pdf_font_desc* font, int32_t code) {
  if (!font || !font->encoding) return 1;
  pdf_cmap* cmap = font->encoding;
  unsigned value = static_cast<unsigned>(code);
  int shortest = 0;
  for (int i = 0; i < cmap->codespace_len; ++i) {
    const auto& range = cmap->codespace[i];
    if (value >= range.low && value <= range.high) return range.n;
    if (shortest == 0 || range.n < shortest) shortest = range.n;
  }
  // A code outside every range: the fewest bytes that hold it.
  int needed = value > 0xFFFFFF ? 4 : value > 0xFFFF ? 3 : value > 0xFF ? 2 : 1;
  return std::max(needed, shortest > 0 ? shortest : 1);
}

std::string EncodeCode(int32_t code, int length) {
  std::string bytes;
  for (int i = length - 1; i >= 0; --i)
    bytes.push_back(static_cast<char>((static_cast<uint32_t>(code) >> (8 * i)) & 0xFF));
  return bytes;
}

}  // namespace standin::pdf
