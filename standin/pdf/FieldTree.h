// The form-field tree of a document with every field listed once. A /Kids array that names a
// field twice, or two fields that name the same kid, makes the number of paths through the
// tree grow with the power of its depth (a few kilobytes can hold 2^25 of them), and readers
// that walk every path never finish; a field keeps its first place in the tree.
#pragma once

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace standin::pdf {

// Removes every listing of a field after its first from the catalog's AcroForm /Fields and the
// fields' /Kids (a listing below itself, a loop, too); returns how many. May throw a MuPDF
// error; call inside fz_try.
int RemoveRepeatedFields(fz_context* ctx, pdf_document* doc);

}  // namespace standin::pdf
