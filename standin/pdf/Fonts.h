// Fonts handed to the module (host 34:31) and the font facts it asks for (host 99:36, 99:38),
// and the code arithmetic shared by the text-object edits.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

#include "HostAbi.h"

namespace standin::pdf {

struct Document;

// A font of the document: a font dictionary added as an indirect object and its loaded form.
struct Font {
  fz_context* ctx = nullptr;
  pdf_font_desc* desc = nullptr;  // owned reference
  pdf_obj* dictionary = nullptr;  // owned reference to the indirect font dictionary
  std::string baseName;

  ~Font();
};

// The standard font of that base name (one of the 14), WinAnsiEncoding; made once per
// document. Null for an unknown name or on failure.
Font* StandardFont(Document& document, const char* baseName);

// Glyph width of a one-byte code, in thousandths of the font size.
int32_t GlyphWidth(fz_context* ctx, pdf_font_desc* font, int32_t code);
// Glyph box of a one-byte code, in thousandths of the font size.
HostGlyphBox GlyphBox(fz_context* ctx, pdf_font_desc* font, int32_t code);

// Number of bytes the font's encoding uses for the code (1 for simple fonts).
int CodeLength(fz_context* ctx, pdf_font_desc* font, int32_t code);
// The code's bytes, big-endian, as a content stream shows them.
std::string EncodeCode(int32_t code, int length);

}  // namespace standin::pdf
