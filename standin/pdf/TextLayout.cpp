#include "pdf/TextLayout.h"

#include <cmath>

namespace standin::pdf {

void DecodeString(pdf_font_desc* font, const unsigned char* bytes, size_t length,
                  std::vector<TextItem>& items) {
  unsigned char* s = const_cast<unsigned char*>(bytes);
  unsigned char* end = s + length;
  while (s < end) {
    unsigned int code = 0;
    int used = 1;
    if (font && font->encoding) {
      used = pdf_decode_cmap(font->encoding, s, end, &code);
      if (used < 1) used = 1;
    } else {
      code = *s;
    }
    TextItem item;
    item.code = static_cast<int32_t>(code);
    item.codeLength = used;
    items.push_back(item);
    s += used;
  }
}

fz_point LayoutText(fz_context* ctx, const TextState& state, std::vector<TextItem>& items,
                    std::vector<GlyphPlacement>* glyphs) {
  pdf_font_desc* font = state.font;
  struct {
    fz_matrix tm;
  } tos = {state.tm};
  fz_point pen = {0, 0};
  int wmode = font ? font->wmode : 0;

  for (size_t i = 0; i < items.size(); ++i) {
    TextItem& item = items[i];
    if (item.code == kSpacingCode) {
      float adjust = -item.x * state.size * 0.001f;
      fz_point move = wmode == 0 ? fz_point{adjust * state.scale, 0} : fz_point{0, adjust};
      tos.tm = fz_pre_translate(tos.tm, move.x, move.y);
      pen.x += move.x;
      pen.y += move.y;
      continue;
    }
    item.x = pen.x;
    item.y = pen.y;
    if (!font) continue;
    int cid = font->encoding ? pdf_lookup_cmap(font->encoding, static_cast<unsigned>(item.code))
                             : item.code;
    if (cid < 0) continue;
    // As MuPDF's text object state places a glyph (without its bounds, which are not needed).
    fz_matrix tsm = fz_make_matrix(state.size * state.scale, 0, 0, state.size, 0, state.rise);
    fz_point move;
    if (wmode == 0) {
      pdf_hmtx h = pdf_lookup_hmtx(ctx, font, cid);
      move = {(h.w * 0.001f * state.size + state.charSpace) * state.scale, 0};
    } else {
      pdf_vmtx v = pdf_lookup_vmtx(ctx, font, cid);
      tsm.e -= v.x * std::fabs(state.size) * 0.001f;
      tsm.f -= v.y * state.size * 0.001f;
      move = {0, v.w * 0.001f * state.size + state.charSpace};
    }
    fz_matrix trm = fz_concat(tsm, tos.tm);
    int gid = pdf_font_cid_to_gid(ctx, font, cid);
    if (glyphs) {
      GlyphPlacement g;
      g.item = static_cast<int>(i);
      g.cid = cid;
      g.gid = gid;
      g.trm = trm;
      g.advance = move;
      glyphs->push_back(g);
    }
    tos.tm = fz_pre_translate(tos.tm, move.x, move.y);
    pen.x += move.x;
    pen.y += move.y;
    if (item.code == 32 && item.codeLength == 1) {
      fz_point space = wmode == 0 ? fz_point{state.wordSpace * state.scale, 0}
                                  : fz_point{0, state.wordSpace};
      tos.tm = fz_pre_translate(tos.tm, space.x, space.y);
      pen.x += space.x;
      pen.y += space.y;
    }
  }
  return pen;
}

fz_rect TextBounds(fz_context* ctx, const TextState& state, const std::vector<GlyphPlacement>& glyphs) {
  fz_rect box = fz_empty_rect;
  if (!state.font) return box;
  for (const GlyphPlacement& g : glyphs) {
    fz_quad q = CharQuad(ctx, state.font, g.cid, g.gid, fz_concat(g.trm, state.ctm));
    box = fz_union_rect(box, fz_rect_from_quad(q));
  }
  return box;
}

int UnicodeOf(pdf_font_desc* font, int cid, int out[8]) {
  int length = 0;
  if (font && font->to_unicode) length = pdf_lookup_cmap_full(font->to_unicode, static_cast<unsigned>(cid), out);
  if (length == 0 && font && cid >= 0 && static_cast<size_t>(cid) < font->cid_to_ucs_len) {
    out[0] = font->cid_to_ucs[cid];
    length = 1;
  }
  if (length <= 0 || (length == 1 && out[0] == 0)) {
    out[0] = FZ_REPLACEMENT_CHARACTER;
    length = 1;
  }
  return length > 8 ? 8 : length;
}

fz_quad CharQuad(fz_context* ctx, pdf_font_desc* desc, int cid, int gid, fz_matrix trm) {
  fz_font* font = desc->font;
  fz_quad quad;
  if (desc->wmode == 0) {
    const float advance = gid >= 0 ? pdf_lookup_hmtx(ctx, desc, cid).w * 0.001f : 0;
    const fz_point p = {trm.e, trm.f};
    const fz_point q = fz_transform_point_xy(advance, 0, trm);
    const fz_point a = fz_transform_vector({0, fz_font_ascender(ctx, font)}, trm);
    const fz_point d = fz_transform_vector({0, fz_font_descender(ctx, font)}, trm);
    quad.ll = {p.x + d.x, p.y + d.y};
    quad.ul = {p.x + a.x, p.y + a.y};
    quad.lr = {q.x + d.x, q.y + d.y};
    quad.ur = {q.x + a.x, q.y + a.y};
    return quad;
  }
  // Vertical writing: trm places the glyph's horizontal origin, which lies the vertical
  // origin's offset (vx, vy) below and left of the pen. The glyph's cell runs from the pen down
  // by the vertical advance, as wide as the horizontal advance: "ll" and "ul" are the cell's
  // left and right at the pen, "lr" and "ur" one advance further down the column.
  const pdf_vmtx v = pdf_lookup_vmtx(ctx, desc, cid);
  const float width = pdf_lookup_hmtx(ctx, desc, cid).w * 0.001f;
  const float top = v.y * 0.001f;
  const float bottom = gid >= 0 ? top + v.w * 0.001f : top;
  quad.ll = fz_transform_point_xy(0, top, trm);
  quad.ul = fz_transform_point_xy(width, top, trm);
  quad.lr = fz_transform_point_xy(0, bottom, trm);
  quad.ur = fz_transform_point_xy(width, bottom, trm);
  return quad;
}

}  // namespace standin::pdf
