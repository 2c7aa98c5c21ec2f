// Placement of a text object's characters, done the way MuPDF's renderer places them, so that
// origins, glyph matrices and text page boxes agree with what is drawn.
#pragma once

#include <vector>

#include "pdf/PageObject.h"

namespace standin::pdf {

// Sets the origins of the character items of `items` drawn with `state` (spacing items keep
// their numbers), fills `glyphs` when given, and returns the pen's end position in text-object
// space. Codes the font cannot encode keep the pen where it is and draw nothing.
// May throw a MuPDF error (font metrics); call inside fz_try.
fz_point LayoutText(fz_context* ctx, const TextState& state, std::vector<TextItem>& items,
                    std::vector<GlyphPlacement>* glyphs);

// The box of a text object's glyphs in page space, as the union of their text page boxes.
fz_rect TextBounds(fz_context* ctx, const TextState& state, const std::vector<GlyphPlacement>& glyphs);

// Decodes the bytes of a shown string into character items (code and code length).
void DecodeString(pdf_font_desc* font, const unsigned char* bytes, size_t length,
                  std::vector<TextItem>& items);

// The Unicode values MuPDF's text extraction gives the character (at least one).
int UnicodeOf(pdf_font_desc* font, int cid, int out[8]);

// The character's box corners: from the origin to the end of the width the PDF declares for it
// (MuPDF's text extraction takes the font program's advance instead, which differs where a
// substitute font stands in), across from the font's descender to its ascender, as MuPDF's text
// extraction makes them. In vertical writing, the cell the PDF's vertical metrics give the glyph:
// from the pen down by its vertical advance, its horizontal width wide. `trm` maps glyph space
// to page space.
fz_quad CharQuad(fz_context* ctx, pdf_font_desc* font, int cid, int gid, fz_matrix trm);

}  // namespace standin::pdf
