#pragma once

#include <mupdf/pdf.h>

namespace standin::pdf {

// Writes `doc` whole to `out`, each object as it stands, in number order, decrypted and with no
// garbage collection or compression: byte for byte what MuPDF's full save writes with those
// options off (pdf_write_document with do_incremental, do_garbage, do_compress and do_encrypt
// off, the identifier left as it is). MuPDF's save first loads every object it will write and
// keeps them all; here each object read from the file only for writing it is let go once it
// is written, so a long document is not held whole.
//
// Returns false, having written nothing, for a document this does not write (one with
// signatures waiting to be completed), and false when writing failed (a MuPDF error), leaving
// `out` with part of a file; the document may have been repaired by then.
bool WriteInOrder(fz_context* ctx, pdf_document* doc, fz_output* out);

// The end of a file as MuPDF's full save writes it, after the cross-reference table that starts at
// `xrefOffset`: a trailer with /Size and the /Info, /Root and /ID of `from`. May throw.
void WriteFileTrailer(fz_context* ctx, pdf_document* doc, fz_output* out, pdf_obj* from, int size,
                      int64_t xrefOffset);

}  // namespace standin::pdf
