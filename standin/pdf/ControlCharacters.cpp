#include "pdf/ControlCharacters.h"

namespace standin::pdf {

namespace {

// Advances, in thousandths of the font size, of the space glyphs of common fonts.
constexpr int kNarrowestSpace = 150;
constexpr int kWidestSpace = 400;

enum class Ink { kNone, kSome, kUnknown };

Ink GlyphInk(fz_context* ctx, pdf_font_desc* font, int gid) {
  volatile Ink ink = Ink::kUnknown;  // volatile: set inside fz_try
  fz_path* outline = nullptr;
  fz_var(outline);
  fz_try(ctx) {
    if (font->font && gid >= 0) {
      if (font->font->t3procs) {
        ink = fz_is_empty_rect(fz_bound_glyph(ctx, font->font, gid, fz_identity)) ? Ink::kNone : Ink::kSome;
      } else if ((outline = fz_outline_glyph(ctx, font->font, gid, fz_identity)) != nullptr) {
        ink = fz_is_empty_rect(fz_bound_path(ctx, outline, nullptr, fz_identity)) ? Ink::kNone : Ink::kSome;
      }
    }
  }
  fz_always(ctx) { fz_drop_path(ctx, outline); }
  fz_catch(ctx) { ink = Ink::kUnknown; }
  return ink;
}

bool AdvancesLikeSpace(fz_context* ctx, pdf_font_desc* font, int cid) {
  volatile int width = 0;
  fz_try(ctx) { width = pdf_lookup_hmtx(ctx, font, cid).w; }
  fz_catch(ctx) { width = 0; }
  return width >= kNarrowestSpace && width <= kWidestSpace;
}

}  // namespace

bool IsStrayControl(int ucs) {
  return ucs >= 0 && ucs < 0x20 && ucs != '\t' && ucs != '\n' && ucs != '\r';
}

int ReadableControl(fz_context* ctx, pdf_font_desc* font, int cid, int gid, int ucs) {
  if (!IsStrayControl(ucs) || !font) return ucs;
  switch (GlyphInk(ctx, font, gid)) {
    case Ink::kNone: return ' ';
    case Ink::kSome: return ucs;
    case Ink::kUnknown: return AdvancesLikeSpace(ctx, font, cid) ? ' ' : ucs;
  }
  return ucs;
}

}  // namespace standin::pdf
