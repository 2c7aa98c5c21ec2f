// Small helpers over MuPDF used across the engine. Functions that may throw a MuPDF error say
// so; call them inside fz_try.
#pragma once

#include <string>

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace standin::pdf {

// Parses one object written in PDF syntax; references resolve in `doc`. Throws.
pdf_obj* ParseObject(fz_context* ctx, pdf_document* doc, const char* text);

// The decoded data of a stream object, or empty on failure.
std::string StreamData(fz_context* ctx, pdf_obj* stream);

// Entry `num` of one cross-reference section, whatever its type; null when the section does not
// cover the number.
pdf_xref_entry* EntryIn(pdf_xref& section, int num);

// Page transform from the page's default user space to MuPDF's device space (y down).
fz_matrix PageTransform(fz_context* ctx, pdf_obj* pageDictionary);

}  // namespace standin::pdf
