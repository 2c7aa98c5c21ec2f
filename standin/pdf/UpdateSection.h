#pragma once

#include <utility>
#include <vector>

#include <mupdf/pdf.h>

namespace standin::pdf {

struct Document;

// MuPDF keeps what an edit changed or added in an update section: one solid table with an entry
// for every object number up to the document's last, beside the file's own table. Reading an
// entry makes its page of the table take memory as writing does, so a table of which little is
// used is kept small only if nothing reads the rest. What follows keeps it so for documents whose
// changed objects go to the content spool (ContentSpool.h).

// Which entries of the update section may hold something, by number: entries on pages of the
// table that never took memory are empty, and need not be read. Empty when there is no update
// section. (Found before any MuPDF call, which may jump past what a callback would hold.)
std::vector<bool> WrittenUpdateEntries(pdf_document* doc);

// After SpoolChangedObjects: the update entries whose objects are in the spool (or deleted) move
// into the file's newest section, and the update section gets a new table holding only what stays
// in memory, whose other pages take none. An object moved is read from the spool as before, let go
// like any object of the file, and, changed again, goes back to the update section (MuPDF's own
// move of a changed object). Returns how many moved; 0, the document as it was, when it cannot
// (no spool, an update section MuPDF made otherwise, out of memory).
int MoveSpooledEntries(Document& document);

// Before the document is dropped: lets go of what the update section's entries hold and empties
// it, so that MuPDF's drop, which reads every entry, does not read the whole table.
void EmptyUpdateSection(fz_context* ctx, pdf_document* doc);

// A save reads every number's entry, of the update section too. Set aside, the update section
// has none for the time of the save: its entries are in the file's newest section, and the file
// section's own entries for those numbers are kept here. PutUpdatesBack restores both.
struct UpdatesSetAside {
  bool active = false;
  int length = 0;                                       // the update section's entries
  pdf_xref_entry* table = nullptr;                      // its table to come back, none written
  std::vector<std::pair<int, pdf_xref_entry>> replaced;  // the file section's entries, by number
  // Numbers no section defines, marked free in the file section meanwhile: MuPDF answers a number
  // no section defines with the update section's entry, made anew if it has none.
  std::vector<int> undefined;
};
// False, the document as it was, when the update section cannot be set aside.
bool SetUpdatesAside(Document& document, UpdatesSetAside* aside);
void PutUpdatesBack(Document& document, UpdatesSetAside& aside);

}  // namespace standin::pdf
