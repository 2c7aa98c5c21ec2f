#include "pdf/Page.h"

#include <map>

#include "pdf/Interpret.h"
#include "pdf/Regenerate.h"

namespace standin::pdf {

Page::Page(Document& doc, int pageIndex, pdf_obj* dict)
    : document(doc), index(pageIndex), dictionary(dict) {}

namespace {
std::map<const Page*, int>& OpenTextPages() {
  static auto* counts = new std::map<const Page*, int>;
  return *counts;
}
}  // namespace

Page::~Page() { OpenTextPages().erase(this); }

void NoteTextPageOpened(const Page* page) { ++OpenTextPages()[page]; }

void NoteTextPageReleased(const Page* page) {
  auto it = OpenTextPages().find(page);
  if (it != OpenTextPages().end() && --it->second <= 0) OpenTextPages().erase(it);
}

bool HasOpenTextPage(const Page* page) { return OpenTextPages().count(page) != 0; }

Document& PageDocument(Page& page) { return page.document; }
int PageIndex(Page& page) { return page.index; }
pdf_obj* PageDictionary(Page& page) { return page.dictionary; }

uint64_t ContentsKey(fz_context* ctx, pdf_obj* pageDictionary) {
  // A hash of object numbers for references and the object's address for direct values. It is
  // taken on every page-object call, so it allocates nothing.
  volatile uint64_t key = 1469598103934665603ull;  // FNV-1a; volatile: set inside fz_try
  auto add = [&key](uint64_t value) {
    key = (key ^ value) * 1099511628211ull;
  };
  fz_try(ctx) {
    for (pdf_obj* name : {PDF_NAME(Contents), PDF_NAME(Resources)}) {
      pdf_obj* value = pdf_dict_get(ctx, pageDictionary, name);
      if (pdf_is_indirect(ctx, value)) {
        add(static_cast<uint64_t>(pdf_to_num(ctx, value)));
        add(static_cast<uint64_t>(pdf_to_gen(ctx, value)));
      } else {
        add(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(value)));
      }
      // Elements of a direct Contents array can be replaced one by one.
      int n = pdf_is_array(ctx, value) ? pdf_array_len(ctx, value) : 0;
      for (int i = 0; i < n; ++i) add(static_cast<uint64_t>(pdf_to_num(ctx, pdf_array_get(ctx, value, i))));
      add(0x3B);
    }
  }
  fz_catch(ctx) { key = 0; }
  return key;
}

bool Page::ModelIsCurrent() {
  if (!interpreted_) return false;
  if (checkedRevision_ == document.revision) return true;
  checkedRevision_ = document.revision;
  return contentsKey_ == ContentsKey(document.ctx, dictionary);
}

void Page::EnsureModel() {
  if (ModelIsCurrent()) return;
  DiscardModel();
  Interpret();
}

void Page::DiscardModel() {
  // Objects stay allocated (handles the module still holds must not dangle); they only leave
  // the list.
  for (PageObject* o = head_; o; o = o->next) o->listed = false;
  head_ = tail_ = nullptr;
  count_ = 0;
  indexDirty_ = true;
  interpreted_ = false;
  originals_.clear();
  marked_.clear();
  analysedText_.clear();
  analysedText_.shrink_to_fit();
  analysedTextKept_ = false;
  NoteListChanged();
}

const std::vector<TextPageChar>* Page::AnalysedText() const {
  return analysedTextKept_ && !HasUnwrittenEdits() ? &analysedText_ : nullptr;
}

void Page::KeepAnalysedText(const std::vector<TextPageChar>& chars) {
  if (HasUnwrittenEdits()) return;
  analysedText_ = chars;
  analysedTextKept_ = true;
}

PageObject* Page::OriginalAt(int anchor) {
  if (anchor < 0 || anchor >= static_cast<int>(originals_.size())) return nullptr;
  return originals_[static_cast<size_t>(anchor)];
}

bool Page::HasUnwrittenEdits() const {
  if (!interpreted_) return false;
  // Asked at every text page and every page modelled: the list is walked only after a change.
  if (editsFoundAt_ == listChanges_) return editsFound_;
  size_t at = 0;
  bool found = false;
  for (const PageObject* o = head_; o && !found; o = o->next, ++at)
    found = at >= originals_.size() || originals_[at] != o || !o->original;
  editsFound_ = found || at != originals_.size();
  editsFoundAt_ = listChanges_;
  return editsFound_;
}

void Page::ReleaseModel() {
  DiscardModel();
  index_.clear();
  index_.shrink_to_fit();
  originals_.shrink_to_fit();
  arena_.clear();
  arena_.shrink_to_fit();
}

void Page::Interpret() {
  contentsKey_ = ContentsKey(document.ctx, dictionary);
  checkedRevision_ = document.revision;
  interpreted_ = true;
  Interpretation interpretation = InterpretPage(*this);
  complete_ = interpretation.complete;
  textLost_ = interpretation.textLost;
  marked_ = std::move(interpretation.marked);
  originals_.clear();
  for (auto& object : interpretation.objects) {
    PageObject* o = Adopt(std::move(object));
    InsertBefore(nullptr, o);
    originals_.push_back(o);
  }
  NoteListChanged();
  NoteModelled(document, index);
}

PageObject* Page::Adopt(std::unique_ptr<PageObject> object) {
  if (!interpreted_) EnsureModel();
  object->page = this;
  arena_.push_back(std::move(object));
  return arena_.back().get();
}

PageObject* Page::First() {
  EnsureModel();
  return head_;
}

PageObject* Page::Last() {
  EnsureModel();
  return tail_;
}

int Page::Count() {
  EnsureModel();
  return count_;
}

void Page::Relink() {
  index_.clear();
  for (PageObject* o = head_; o; o = o->next) index_.push_back(o);
  indexDirty_ = false;
}

PageObject* Page::At(int position) {
  EnsureModel();
  if (indexDirty_) Relink();
  if (position < 0 || position >= static_cast<int>(index_.size())) return nullptr;
  return index_[static_cast<size_t>(position)];
}

bool Page::Holds(const PageObject* object) {
  EnsureModel();
  return object && object->listed && object->page == this;
}

void Page::InsertBefore(PageObject* before, PageObject* object) {
  if (interpreted_) EnsureModel();
  if (!object || object->listed || object->page != this) return;
  if (before && !(before->listed && before->page == this)) return;
  object->next = before;
  object->prev = before ? before->prev : tail_;
  if (object->prev) object->prev->next = object; else head_ = object;
  if (before) before->prev = object; else tail_ = object;
  object->listed = true;
  ++count_;
  indexDirty_ = true;
  NoteListChanged();
}

void Page::Remove(PageObject* object) {
  if (!Holds(object)) return;
  if (object->prev) object->prev->next = object->next; else head_ = object->next;
  if (object->next) object->next->prev = object->prev; else tail_ = object->prev;
  object->prev = object->next = nullptr;
  object->listed = false;
  --count_;
  indexDirty_ = true;
  NoteListChanged();
}

pdf_obj* Page::Resources() {
  pdf_obj* resources = nullptr;
  fz_var(resources);
  fz_context* ctx = document.ctx;
  fz_try(ctx) { resources = pdf_dict_get_inheritable(ctx, dictionary, PDF_NAME(Resources)); }
  fz_catch(ctx) { resources = nullptr; }
  return resources;
}

bool Page::Regenerate() {
  EnsureModel();
  if (!RegeneratePage(*this, head_)) return false;
  // The new content is interpreted afresh on next use.
  DiscardModel();
  return true;
}

}  // namespace standin::pdf
