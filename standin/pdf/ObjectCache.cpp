#include "pdf/ObjectCache.h"

#include "pdf/ContentSpool.h"
#include "pdf/PdfUtil.h"
#include "pdf/UpdateSection.h"

namespace standin::pdf {

namespace {

// Whether something besides its container holds the object or one of the direct objects in it:
// such an object must stay as it is, or a change made through that holder would be made to an
// object the document no longer has.
bool HeldOutside(fz_context* ctx, pdf_obj* object, int depth) {
  if (pdf_obj_refs(ctx, object) > 1) return true;
  if (depth > 64) return true;  // too deep to look through: keep it
  if (pdf_is_indirect(ctx, object)) return false;
  if (pdf_is_dict(ctx, object)) {
    for (int i = 0, n = pdf_dict_len(ctx, object); i < n; ++i)
      if (HeldOutside(ctx, pdf_dict_get_val(ctx, object, i), depth + 1)) return true;
  } else if (pdf_is_array(ctx, object)) {
    for (int i = 0, n = pdf_array_len(ctx, object); i < n; ++i)
      if (HeldOutside(ctx, pdf_array_get(ctx, object, i), depth + 1)) return true;
  }
  return false;
}

// The page tree's inner nodes stay, and its pages with `keepPages`: finding a page by its index
// (MuPDF's pdf_load_page) reads every node before it, so a released tree would be parsed again
// page after page.
bool PageTreeNode(fz_context* ctx, pdf_obj* object, bool keepPages) {
  pdf_obj* type = pdf_dict_get(ctx, object, PDF_NAME(Type));
  return (keepPages && pdf_name_eq(ctx, type, PDF_NAME(Page))) || pdf_name_eq(ctx, type, PDF_NAME(Pages));
}

// HeldOutside or a page tree node, with what MuPDF throws (a damaged object) taken as held.
bool MustStay(fz_context* ctx, pdf_obj* object, bool keepPages) {
  bool held = true;
  fz_var(held);
  fz_try(ctx) { held = PageTreeNode(ctx, object, keepPages) || HeldOutside(ctx, object, 0); }
  fz_catch(ctx) { held = true; }
  return held;
}

// Whether the document's cache may be thinned at all: not for a document made in memory (there
// is no file to read its objects again from), not while a save or journal needs it, and not
// after a repair changed objects without recording it.
bool Releasable(fz_context* ctx, pdf_document* doc) {
  return ctx && doc && doc->file && !doc->repair_attempted && !doc->local_xref && !doc->journal && !doc->save_in_progress &&
         !doc->disallow_new_increments && doc->xref_base == 0;
}

// The section MuPDF reads object `num` through, the first that defines it, with its entry in
// *entry when given; -1 when none does.
int DefiningSection(pdf_document* doc, int num, pdf_xref_entry** entry = nullptr) {
  for (int s = 0; s < doc->num_xref_sections; ++s)
    if (pdf_xref_entry* found = EntryIn(doc->xref_sections[s], num); found && found->type) {
      if (entry) *entry = found;
      return s;
    }
  return -1;
}

// Drops the object an entry of the file's own sections holds, unless something holds it. An
// object changed since the opening lives in the update section, and MuPDF leaves a copy of it
// as read in the file's section, made at the change, which nothing reads or can hold (its
// numbers, strings and references are shared with the changed object, which keeps them): that
// copy goes, a page tree node's too.
bool ReleaseEntry(fz_context* ctx, pdf_document* doc, int num, int section, pdf_xref_entry& entry, bool keepPages) {
  if (!entry.obj || entry.stm_buf || (entry.type != 'n' && entry.type != 'o')) return false;
  const bool stale = section >= doc->num_incremental_sections && DefiningSection(doc, num) < section;
  if (stale ? pdf_obj_refs(ctx, entry.obj) > 1 : MustStay(ctx, entry.obj, keepPages)) return false;
  pdf_drop_obj(ctx, entry.obj);
  entry.obj = nullptr;
  return true;
}

}  // namespace

bool MayLetGo(fz_context* ctx, pdf_obj* object, bool keepPages) { return !MustStay(ctx, object, keepPages); }

int ReleaseUnchangedObjects(fz_context* ctx, pdf_document* doc, bool keepPages) {
  if (!Releasable(ctx, doc)) return 0;
  // The store holds what was made of objects (fonts above all) and, with it, the objects: a
  // document whose pages each bring fonts of their own would keep every one of them.
  fz_empty_store(ctx);
  int released = 0;
  // The sections before num_incremental_sections hold what was changed or added since the file
  // was opened; the others are the file's own, read on demand.
  for (int s = doc->num_incremental_sections; s < doc->num_xref_sections; ++s) {
    for (pdf_xref_subsec* sub = doc->xref_sections[s].subsec; sub; sub = sub->next) {
      for (int i = 0; i < sub->len; ++i)
        if (ReleaseEntry(ctx, doc, sub->start + i, s, sub->table[i], keepPages)) ++released;
    }
  }
  return released;
}

bool ReleaseUnchangedObject(fz_context* ctx, pdf_document* doc, int num) {
  if (!Releasable(ctx, doc) || num <= 0) return false;
  pdf_xref_entry* entry = nullptr;
  const int section = DefiningSection(doc, num, &entry);
  return section >= doc->num_incremental_sections && ReleaseEntry(ctx, doc, num, section, *entry, false);
}

bool ReleaseObjectReadAgain(fz_context* ctx, pdf_document* doc, int num) {
  pdf_xref_entry* entry = nullptr;
  if (!Releasable(ctx, doc) || num <= 0 || DefiningSection(doc, num, &entry) < 0) return false;
  if (!entry->obj || entry->stm_buf || (entry->type != 'n' && entry->type != 'o')) return false;
  if (MustStay(ctx, entry->obj, false)) return false;
  pdf_drop_obj(ctx, entry->obj);
  entry->obj = nullptr;
  return true;
}

int ReleaseUnchangedObjects(Document& document) {
  if (!Releasable(document.ctx, document.doc)) return 0;
  SpoolChangedObjects(document);
  const int released = ReleaseUnchangedObjects(document.ctx, document.doc, document.pagesLookedUp);
  // Last: letting go reads the update entry of every object it looks at.
  MoveSpooledEntries(document);
  return released;
}

pdf_page* LoadPage(Document& document, int index) {
  document.pagesLookedUp = true;
  return pdf_load_page(document.ctx, document.doc, index);
}

}  // namespace standin::pdf
