#pragma once

#include <mupdf/pdf.h>

namespace standin::pdf {

// Writes `doc` to `out` with only the objects the trailer reaches, numbered anew in their order,
// streams compressed where they are not: byte for byte what MuPDF's full save writes with garbage
// collection and renumbering (do_garbage 2), compression of streams, images and fonts, no
// encryption and the identifier left as it is. MuPDF's save holds every object it reaches in
// memory, renumbered; here the objects are walked with each let go once its references are
// marked, then read again one at a time to be written, so a long document is never held whole.
//
// For the copies the stand-in host writes (MuPDF's own full save of a document, read back): a
// document with what that save never writes (object streams, references as objects, lengths or
// filters kept elsewhere, signatures to complete, a repair) is refused, with nothing written, and
// false returned; false too when writing failed (a MuPDF error), leaving `out` with part of a
// file.
bool WriteRenumbered(fz_context* ctx, pdf_document* doc, fz_output* out);

}  // namespace standin::pdf
