// Occurrences removed from an annotation's appearance where they are drawn: the appearance
// stream (and the forms it draws) is run through MuPDF's content filter, which takes out the
// glyphs of the occurrences and keeps every other glyph at its place. A signature's appearance
// (signer, date) cannot be drawn again from a value, so it is masked this way and never removed.
#pragma once

#include <string>
#include <vector>

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace docscan {

// Removes the non-space characters of each of `texts` (white space in them and between the
// glyphs ignored) from the normal appearance of `annotation` (a stream, or each state of it);
// returns how many glyphs were removed. May throw.
int MaskAppearanceInPlace(fz_context* ctx, pdf_document* doc, pdf_obj* annotation,
                          const std::vector<std::u16string>& texts);

// The signature fields of the document that hold a signature (a /V dictionary); 0 when the
// form cannot be read.
int SignedFieldCount(fz_context* ctx, pdf_document* doc);

// True for a widget of a signature field (its /FT, inherited, is /Sig). May throw.
bool IsSignatureWidget(fz_context* ctx, pdf_obj* annotation);

}  // namespace docscan
