// Letting go of the objects MuPDF has read from the file and keeps: a document read page by
// page otherwise ends up holding every object it ever loaded.
#pragma once

#include "pdf/Document.h"

namespace standin::pdf {

// Drops the objects read from the file that nothing but the document holds and that were not
// changed (a changed object lives in the document's update section and is kept); they are read
// again from the file when next wanted. The page tree's inner nodes stay, and its pages too once
// MuPDF has looked a page up by its index (LoadPage). Returns how many were dropped. Does
// nothing for a document that was repaired when opened (the repair changes objects without
// recording it). With the document's own call, the changed and new objects go to the content
// spool first (SpoolChangedObjects) and are dropped too, and their entries then leave the update
// section (MoveSpooledEntries). Call between pages only, with no
// borrowed pointer into the document's objects held: the objects of the previous pages,
// resolved but not kept, are gone afterwards. (The host's own call also waits while handles of
// direct objects are out.)
int ReleaseUnchangedObjects(Document& document);
int ReleaseUnchangedObjects(fz_context* ctx, pdf_document* doc, bool keepPages);
// The same for the one object `num`, for a walk that reads each object once and lets each go
// after it (pages too: such walks come before any page lookup, or read a document of their
// own), without touching the store. Returns whether it was dropped.
bool ReleaseUnchangedObject(fz_context* ctx, pdf_document* doc, int num);

// Drops object `num`, changed or not, when nothing but the document holds it: for a walk (a save)
// that read it itself, from the file or the content spool, changed nothing and does not come back
// to it. Returns whether it was dropped.
bool ReleaseObjectReadAgain(fz_context* ctx, pdf_document* doc, int num);

// Whether the object an entry holds may be dropped from memory: nothing besides its entry holds
// it or a direct object in it, and it is not a page tree node (nor a page with `keepPages`).
bool MayLetGo(fz_context* ctx, pdf_obj* object, bool keepPages);

// MuPDF's own page, for what needs one (annotations and their appearances, running the content
// through a device). MuPDF finds a page by reading every page dictionary before it in the page
// tree: from then on the document keeps its page dictionaries, or each such lookup would read
// them all again. May throw (MuPDF errors).
pdf_page* LoadPage(Document& document, int index);

// How often a walk through the pages lets go: often enough that the objects of a few dozen pages
// are all that is held, rarely enough that going through the document's objects costs little.
constexpr int kPagesBetweenReleases = 64;

}  // namespace standin::pdf
