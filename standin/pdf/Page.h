// A page of a stand-in document: its object list (built by interpreting the content), the
// edits made through the host functions, and the raw page dictionary.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/Interpret.h"
#include "pdf/PageObject.h"
#include "pdf/TextPage.h"

namespace standin::pdf {

class Page {
 public:
  Page(Document& document, int index, pdf_obj* dictionary);
  ~Page();
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  Document& document;
  const int index;
  pdf_obj* const dictionary;  // borrowed from the document's page tree

  // The object list, interpreted on first use and again whenever the page's Contents or
  // Resources entry was replaced since the last interpretation.
  PageObject* First();
  PageObject* Last();
  int Count();
  PageObject* At(int position);  // null when out of range
  // The position after the last object (host 73:7): inserting there appends.
  void* EndPosition() { return &endPosition_; }

  // List edits. The object must have been adopted by this page; a null `before` appends.
  void InsertBefore(PageObject* before, PageObject* object);
  void Remove(PageObject* object);
  bool Holds(const PageObject* object);

  // A new object owned by this page (a clone, or a new text object being inserted here).
  PageObject* Adopt(std::unique_ptr<PageObject> object);

  // Makes sure the model reflects the current Contents and Resources.
  void EnsureModel();
  // Rewrites the page's Contents from the object list (host 73:38). False on failure, with
  // the page left unchanged.
  bool Regenerate();

  // Interpretation results that regeneration needs: the page's resources and the number of
  // object-drawing operators met at page level.
  pdf_obj* Resources();
  // The object the page-level drawing operator of that index drew when the content was last
  // interpreted (listed or not); null when out of range.
  PageObject* OriginalAt(int anchor);
  int OriginalCount() const { return static_cast<int>(originals_.size()); }
  // The page-level marked-content sequences met when the content was last interpreted.
  const std::vector<MarkedSpan>& MarkedSpans() const { return marked_; }
  bool InterpretedCompletely() const { return complete_; }
  // Interpreted to its end with every stream decoded and every font loaded: its text page holds
  // all the text the page shows.
  bool ReadCompletely() {
    EnsureModel();
    return complete_ && !textLost_;
  }

  // True while the object list differs from what the content draws: objects inserted, removed
  // or edited and not yet written back by Regenerate.
  bool HasUnwrittenEdits() const;
  // Called by every change of the list or of a listed object.
  void NoteListChanged() { ++listChanges_; }
  // Frees the object model (every object, listed or not); it is interpreted again on next use.
  // Only for pages without unwritten edits whose objects nobody holds any more.
  void ReleaseModel();
  bool HasModel() const { return interpreted_ || !arena_.empty(); }

  // The characters of the page's text page as last analysed, while the model is as interpreted
  // (no edits since): a page is analysed for its search and again for its protection, and
  // only the second time after nothing changed. Null when there is none to reuse.
  const std::vector<TextPageChar>* AnalysedText() const;
  // Keeps the analysed characters for reuse; nothing when the model has edits.
  void KeepAnalysedText(const std::vector<TextPageChar>& chars);

 private:
  void Interpret();
  void DiscardModel();
  bool ModelIsCurrent();
  void Relink();

  char endPosition_ = 0;
  bool interpreted_ = false;
  bool complete_ = false;     // the content was interpreted to its end
  bool textLost_ = false;     // a stream or font could not be read (see InterpretPage)
  uint64_t contentsKey_ = 0;  // identity of Contents and Resources at interpretation
  uint64_t checkedRevision_ = 0;  // the document's revision when contentsKey_ was last checked
  PageObject* head_ = nullptr;
  PageObject* tail_ = nullptr;
  int count_ = 0;
  std::vector<PageObject*> originals_;  // by anchor
  std::vector<MarkedSpan> marked_;
  std::vector<PageObject*> index_;  // positions, rebuilt after list edits
  bool indexDirty_ = true;
  std::vector<std::unique_ptr<PageObject>> arena_;  // every object of the page, live or not
  std::vector<TextPageChar> analysedText_;
  bool analysedTextKept_ = false;
  // Counts the changes that can make the list differ from what the content draws (an object
  // edited, inserted or removed, the model made or dropped); HasUnwrittenEdits as last found,
  // and at which count.
  uint64_t listChanges_ = 0;
  mutable uint64_t editsFoundAt_ = ~uint64_t{0};
  mutable bool editsFound_ = false;
};

Document& PageDocument(Page& page);
int PageIndex(Page& page);
pdf_obj* PageDictionary(Page& page);

// Identity of the page's Contents and Resources entries (object numbers, or the direct
// object's address), to notice that they were replaced.
uint64_t ContentsKey(fz_context* ctx, pdf_obj* pageDictionary);

// Text pages (host 120:0) open on a page: their characters point into its model, which must
// then stay. Counted by page address, so a release after the page is gone is harmless.
void NoteTextPageOpened(const Page* page);
void NoteTextPageReleased(const Page* page);
bool HasOpenTextPage(const Page* page);

}  // namespace standin::pdf
