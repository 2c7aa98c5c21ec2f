#pragma once

#include <mupdf/pdf.h>

namespace standin::pdf {

struct Document;

// A document opened from a file can keep the content streams it makes in a temporary file rather
// than in memory: the document's file is read through a stream that shows the original bytes
// and, far beyond their end, the streams appended since. A new object's xref entry then points
// there like any stream of the file, and the library reads it (to draw, interpret or save) as it
// would one written by a producer. A long document's new content is not held until the save.
//
// Adds `packed` (the whole stream data, already encoded by the filters `dict` names) as a new
// stream object with dictionary `dict`, which gets its /Length. Returns the new indirect object
// (the caller drops it), or null when this document keeps its streams in memory: made in memory,
// encrypted (the library would decrypt what it reads back), journalled, inside a local xref, or
// no temporary file could be written. May throw (MuPDF errors).
pdf_obj* AddSpooledStream(Document& document, const unsigned char* packed, size_t length, pdf_obj* dict);

// Moves the changed and new objects that nothing but the document holds out of memory: each is
// appended to the spool as a file holds it, and its entry in the update section points there.
// MuPDF reads it again when it is wanted; changed again, it goes to the spool again at the next
// call. Page tree nodes stay (and pages, once MuPDF looks pages up), as do fonts, streams with
// data in memory and streams not made by AddSpooledStream. Returns how many went. Call only
// where objects may be let go (see ReleaseUnchangedObjects).
int SpoolChangedObjects(Document& document);

// Whether `offset`, as the document reads its file, lies in the spool.
bool InSpool(int64_t offset);

}  // namespace standin::pdf
