#include "pdf/UpdateSection.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "pdf/ContentSpool.h"
#include "pdf/Document.h"
#include "pdf/PdfUtil.h"

#if defined(__linux__) && !defined(_WIN32)
#include <sys/mman.h>
#include <unistd.h>
#define VM_HAVE_MINCORE 1
#endif

namespace standin::pdf {

namespace {

// Empty entries read in the update table (about 100 a page of memory) above which it is renewed.
constexpr int kRenewedAbove = 4096;

// The update section as MuPDF makes it: one subsection from number 0 over the whole section.
pdf_xref_subsec* SolidUpdateTable(pdf_document* doc) {
  if (!doc || doc->num_incremental_sections != 1 || doc->num_xref_sections < 2 || doc->xref_base != 0) return nullptr;
  pdf_xref& update = doc->xref_sections[0];
  pdf_xref_subsec* sub = update.subsec;
  if (!sub || sub->next || sub->start != 0 || sub->len != update.num_objects || (!sub->table && sub->len)) return nullptr;
  return sub;
}

// Whether the document may have its update section rearranged here: edited the usual way, with
// its changed objects going to the spool.
bool Rearrangeable(const Document& document) {
  pdf_document* doc = document.doc;
  return document.spool && SolidUpdateTable(doc) && !doc->local_xref && !doc->journal && !doc->repair_attempted &&
         !doc->save_in_progress && !doc->xref_sections[0].unsaved_sigs;
}

// An update entry that need not stay in the update section: its object is in the spool and not in
// memory, or it was deleted.
bool LivesOutsideMemory(const pdf_xref_entry& entry) {
  if (entry.obj || entry.stm_buf) return false;
  return (entry.type == 'n' && InSpool(entry.ofs)) || entry.type == 'f';
}

// Whether update entry `num` may move into the file's newest section `file`: it lives outside
// memory, and the copy MuPDF left there as read at the change, if any, is held by nothing else
// (it is dropped at the move).
bool MayMove(fz_context* ctx, const pdf_xref_entry& entry, pdf_xref& file, int num) {
  if (!LivesOutsideMemory(entry)) return false;
  const pdf_xref_entry* asRead = EntryIn(file, num);
  return !asRead || (!asRead->stm_buf && (!asRead->obj || pdf_obj_refs(ctx, asRead->obj) <= 1));
}

// Makes `section` one subsection from number 0 of at least `length` entries: its entries kept,
// the others empty (MuPDF then looks in the older sections, as before). Throws (MuPDF) when out
// of memory, the section as it was.
void MakeSolid(fz_context* ctx, pdf_xref& section, int length) {
  length = std::max(length, section.num_objects);
  pdf_xref_subsec* first = section.subsec;
  if (first && !first->next && first->start == 0 && first->len >= length) return;
  if (first && !first->next && first->start == 0) {
    first->table = fz_realloc_array(ctx, first->table, length, pdf_xref_entry);
    std::memset(&first->table[first->len], 0, static_cast<size_t>(length - first->len) * sizeof(pdf_xref_entry));
    first->len = length;
    section.num_objects = length;
    return;
  }
  auto* table = static_cast<pdf_xref_entry*>(fz_calloc(ctx, length, sizeof(pdf_xref_entry)));
  pdf_xref_subsec* solid = nullptr;
  fz_try(ctx) { solid = fz_malloc_struct(ctx, pdf_xref_subsec); }
  fz_catch(ctx) {
    fz_free(ctx, table);
    fz_rethrow(ctx);
  }
  for (pdf_xref_subsec* sub = section.subsec; sub;) {
    for (int i = 0; i < sub->len; ++i) table[sub->start + i] = sub->table[i];
    pdf_xref_subsec* next = sub->next;
    fz_free(ctx, sub->table);
    fz_free(ctx, sub);
    sub = next;
  }
  solid->table = table;
  solid->start = 0;
  solid->len = length;
  solid->next = nullptr;
  section.subsec = solid;
  section.num_objects = length;
}

// A new table for the update section, none of its pages written (a large calloc is mapped pages
// left untouched: pdf/LargeBlocks.h); null when out of memory.
pdf_xref_entry* NewUpdateTable(fz_context* ctx, int length) {
  pdf_xref_entry* table = nullptr;
  fz_var(table);
  fz_try(ctx) { table = static_cast<pdf_xref_entry*>(fz_calloc(ctx, length, sizeof(pdf_xref_entry))); }
  fz_catch(ctx) { table = nullptr; }
  return table;
}

}  // namespace

std::vector<bool> WrittenUpdateEntries(pdf_document* doc) {
  pdf_xref_subsec* sub = SolidUpdateTable(doc);
  if (!sub) return {};
  std::vector<bool> written(static_cast<size_t>(sub->len), true);
#ifdef VM_HAVE_MINCORE
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t begin = reinterpret_cast<uintptr_t>(sub->table) / page * page;
  const uintptr_t end = reinterpret_cast<uintptr_t>(sub->table + sub->len);
  std::vector<unsigned char> resident((end - begin + page - 1) / page);
  if (sub->len == 0 || mincore(reinterpret_cast<void*>(begin), end - begin, resident.data()) != 0) return written;
  for (int i = 0; i < sub->len; ++i) {
    const uintptr_t first = reinterpret_cast<uintptr_t>(&sub->table[i]);
    const uintptr_t last = first + sizeof(pdf_xref_entry) - 1;
    written[static_cast<size_t>(i)] = (resident[(first - begin) / page] & 1) || (resident[(last - begin) / page] & 1);
  }
#endif
  return written;
}

int MoveSpooledEntries(Document& document) {
  if (!Rearrangeable(document)) return 0;
  fz_context* ctx = document.ctx;
  pdf_document* doc = document.doc;
  pdf_xref_subsec* sub = SolidUpdateTable(doc);
  pdf_xref& file = doc->xref_sections[1];
  const std::vector<bool> written = WrittenUpdateEntries(doc);

  int moving = 0, last = -1, readable = 0, staying = 0;
  for (int i = 0; i < sub->len; ++i) {
    if (!written[static_cast<size_t>(i)]) continue;
    ++readable;
    if (MayMove(ctx, sub->table[i], file, i))
      ++moving, last = i;
    else if (sub->table[i].type)
      ++staying;
  }
  // With nothing to move, a new table is still worth its making when the old one took memory for
  // many empty entries (read, not written: a walk through the pages reads the entries of every
  // object it meets).
  if (moving == 0 && readable - staying < kRenewedAbove) return 0;

  // What may fail comes first: the file's section made to hold every number that moves, and the
  // update section's new table.
  pdf_xref_entry* fresh = NewUpdateTable(ctx, sub->len);
  if (!fresh) return 0;
  bool solid = true;
  if (last >= 0) {
    fz_try(ctx) { MakeSolid(ctx, file, last + 1); }
    fz_catch(ctx) { solid = false; }
  }
  if (!solid) {
    fz_free(ctx, fresh);
    return 0;
  }

  pdf_xref_entry* fileTable = last >= 0 ? file.subsec->table : nullptr;
  for (int i = 0; i < sub->len; ++i) {
    if (!written[static_cast<size_t>(i)]) continue;
    pdf_xref_entry& entry = sub->table[i];
    if (!entry.type) continue;
    if (i <= last && MayMove(ctx, entry, file, i)) {
      pdf_drop_obj(ctx, fileTable[i].obj);  // the copy as read, if any
      fileTable[i] = entry;
      if (i < doc->max_xref_len) doc->xref_index[i] = 1;  // where MuPDF's move of a changed object looks first
    } else {
      fresh[i] = entry;
    }
  }
  fz_free(ctx, sub->table);
  sub->table = fresh;
  return moving;
}

void EmptyUpdateSection(fz_context* ctx, pdf_document* doc) {
  pdf_xref_subsec* sub = SolidUpdateTable(doc);
  if (!ctx || !sub) return;
  const std::vector<bool> written = WrittenUpdateEntries(doc);
  for (int i = 0; i < sub->len; ++i) {
    if (!written[static_cast<size_t>(i)]) continue;
    pdf_drop_obj(ctx, sub->table[i].obj);
    fz_drop_buffer(ctx, sub->table[i].stm_buf);
    sub->table[i].obj = nullptr;
    sub->table[i].stm_buf = nullptr;
  }
  sub->len = 0;
  doc->xref_sections[0].num_objects = 0;
}

bool SetUpdatesAside(Document& document, UpdatesSetAside* aside) {
  *aside = UpdatesSetAside{};
  if (!Rearrangeable(document)) return false;
  fz_context* ctx = document.ctx;
  pdf_document* doc = document.doc;
  pdf_xref_subsec* sub = SolidUpdateTable(doc);
  pdf_xref& update = doc->xref_sections[0];
  pdf_xref& file = doc->xref_sections[1];
  const std::vector<bool> written = WrittenUpdateEntries(doc);
  std::vector<std::pair<int, pdf_xref_entry>> replaced;
  for (int i = 0; i < sub->len; ++i)
    if (written[static_cast<size_t>(i)] && sub->table[i].type) replaced.emplace_back(i, pdf_xref_entry{});

  pdf_xref_entry* back = NewUpdateTable(ctx, sub->len);
  if (!back) return false;
  bool solid = true;
  fz_try(ctx) { MakeSolid(ctx, file, sub->len); }
  fz_catch(ctx) { solid = false; }
  if (!solid) {
    fz_free(ctx, back);
    return false;
  }
  pdf_xref_entry* fileTable = file.subsec->table;
  for (auto& [num, kept] : replaced) {
    kept = fileTable[num];
    fileTable[num] = sub->table[num];
    if (num < doc->max_xref_len) doc->xref_index[num] = 1;
  }
  std::vector<int> undefined;
  for (int i = 0; i < sub->len; ++i) {
    if (fileTable[i].type) continue;
    bool defined = false;
    for (int s = 2; s < doc->num_xref_sections && !defined; ++s) {
      const pdf_xref_entry* older = EntryIn(doc->xref_sections[s], i);
      defined = older && older->type;
    }
    if (!defined) {
      fileTable[i].type = 'f';
      undefined.push_back(i);
    }
  }
  aside->undefined = std::move(undefined);
  aside->active = true;
  aside->length = sub->len;
  aside->table = back;
  aside->replaced = std::move(replaced);
  fz_free(ctx, sub->table);
  sub->table = nullptr;
  sub->len = 0;
  update.num_objects = 0;
  return true;
}

void PutUpdatesBack(Document& document, UpdatesSetAside& aside) {
  if (!aside.active) return;
  fz_context* ctx = document.ctx;
  pdf_document* doc = document.doc;
  pdf_xref& update = doc->xref_sections[0];
  pdf_xref_subsec* sub = update.subsec;
  pdf_xref_entry* fileTable = doc->xref_sections[1].subsec->table;
  for (int num : aside.undefined) fileTable[num].type = 0;
  // Had MuPDF made the update section a table meanwhile (it does for a number beyond every
  // section), its entries join the ones put back, in the longer of the two tables.
  pdf_xref_entry* table = aside.table;
  int length = aside.length;
  if (sub->table && sub->len > length) {
    std::swap(table, sub->table);
    std::swap(length, sub->len);
  }
  if (sub->table) {
    for (int i = 0; i < sub->len; ++i)
      if (sub->table[i].type) table[i] = sub->table[i];
    fz_free(ctx, sub->table);
  }
  for (auto& [num, kept] : aside.replaced) {
    table[num] = fileTable[num];
    fileTable[num] = kept;
    if (num < doc->max_xref_len) doc->xref_index[num] = 0;
  }
  sub->table = table;
  sub->len = length;
  update.num_objects = length;
  aside = UpdatesSetAside{};
}

}  // namespace standin::pdf
