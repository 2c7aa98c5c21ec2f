// Characters a font's ToUnicode maps to C0 control characters. Some producers map the space
// glyph to U+0001; the page shows a space there and text extraction must read one.
#pragma once

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace standin::pdf {

// A C0 control character other than tab, line feed and carriage return.
bool IsStrayControl(int ucs);

// What the page text holds for a glyph mapped to such a control character: a space where the
// glyph draws nothing (or, when its outline cannot be had, advances like a space), otherwise the
// character itself, as pdftotext passes it through.
int ReadableControl(fz_context* ctx, pdf_font_desc* font, int cid, int gid, int ucs);

}  // namespace standin::pdf
