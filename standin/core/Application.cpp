// The application model behind categories 20, 26, 31, 32 and 34:10: open documents, their
// views and page views, the undo list and the change notices.
#include "core/Application.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>

#include "core/CoreParts.h"
#include "core/ViewGeometry.h"
#include "pdf/Document.h"
#include "pdf/Page.h"

namespace standin {

namespace {

struct HostDocument;

struct HostPageView {
  HostDocument* document;
  int index;
  int changedCount = 0;
  const void* pdfPage = nullptr;  // handed out by 32:2
};

struct HostView {
  // By page index, all made at the first use of one: one block, which a long document's views
  // do not scatter through memory. Their addresses are the handles and never move.
  std::vector<HostPageView> pageViews;
  std::vector<ScrollRequest> scrolls;
  ViewLayout layout;
  std::vector<HostBox> pageBoxes;  // filled on first use; pages keep their boxes
  HostWindow window = nullptr;     // a real window when one was attached
  char windowTag = 0;              // otherwise its address stands for the view's window
};

struct HostDocument {
  std::unique_ptr<pdf::Document> pdf;
  HostView view;
  bool modified = false;
  int changedCount = 0;
  std::vector<UndoStep> undo;
  std::vector<UndoStep> redo;
};

struct AppState {
  std::vector<std::unique_ptr<HostDocument>> documents;  // in opening order
  HostDocument* active = nullptr;
  std::unordered_map<const void*, HostPageView*> viewsByPdfPage;  // by the page handed out by 32:2
  char mainWindowTag = 0;
};

AppState& App() {
  static AppState* state = new AppState;
  return *state;
}

HostDocument* Find(HostHandle handle) {
  for (auto& document : App().documents) {
    if (document.get() == handle) return document.get();
  }
  return nullptr;
}

HostDocument* FindByPdf(HostHandle pdfDocument) {
  for (auto& document : App().documents) {
    if (document->pdf.get() == pdfDocument) return document.get();
  }
  return nullptr;
}

HostDocument* FindByView(HostHandle view) {
  for (auto& document : App().documents) {
    if (&document->view == view) return document.get();
  }
  return nullptr;
}

HostPageView* FindPageView(HostHandle pageView) {
  for (auto& document : App().documents) {
    std::vector<HostPageView>& views = document->view.pageViews;
    // Compared as integers: pointers into different blocks have no order.
    const auto address = reinterpret_cast<std::uintptr_t>(pageView);
    const auto first = reinterpret_cast<std::uintptr_t>(views.data());
    if (!views.empty() && address >= first && address < first + views.size() * sizeof(HostPageView) &&
        (address - first) % sizeof(HostPageView) == 0)
      return &views[(address - first) / sizeof(HostPageView)];
  }
  return nullptr;
}

HostPageView* PageViewAt(HostDocument& document, int index) {
  const int count = pdf::PageCount(*document.pdf);
  if (index < 0 || index >= count) return nullptr;
  std::vector<HostPageView>& views = document.view.pageViews;
  if (views.empty()) {
    views.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) views.push_back(HostPageView{&document, i});
  }
  return &views[static_cast<size_t>(index)];
}

const std::vector<HostBox>& PageBoxesOf(HostDocument& document) {
  std::vector<HostBox>& boxes = document.view.pageBoxes;
  if (boxes.empty()) {
    const int count = pdf::PageCount(*document.pdf);
    for (int i = 0; i < count; ++i) boxes.push_back(PageBox(&document, i));
  }
  return boxes;
}

ViewWindowHooks& Hooks() {
  static ViewWindowHooks hooks;
  return hooks;
}

void Repaint(HostDocument& document) {
  if (document.view.window && Hooks().repaint) Hooks().repaint(document.view.window);
}

void Activate(HostDocument* document) {
  App().active = document;
  if (Hooks().activated) Hooks().activated(document ? document->view.window : nullptr);
}

HostHandle Adopt(std::unique_ptr<pdf::Document> pdfDocument) {
  auto document = std::make_unique<HostDocument>();
  document->pdf = std::move(pdfDocument);
  HostDocument* adopted = document.get();
  App().documents.push_back(std::move(document));
  if (Hooks().create) adopted->view.window = Hooks().create(adopted);
  Activate(adopted);
  return adopted;
}

void ReleaseSteps(std::vector<UndoStep>& steps) {
  // Taken out first: a release callback may reach the host again.
  std::vector<UndoStep> dropped;
  dropped.swap(steps);
  for (auto it = dropped.rbegin(); it != dropped.rend(); ++it) {
    if (it->item.release) it->item.release(it->item.clientData);
  }
}

// ---- 20: application ----
int32_t VM_CALL DocumentCount() { return static_cast<int32_t>(App().documents.size()); }
HostHandle VM_CALL DocumentAt(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= App().documents.size()) return nullptr;
  return App().documents[index].get();
}
HostHandle VM_CALL ActiveDocumentFn() { return App().active; }
HostWindow VM_CALL MainWindowFn() { return &App().mainWindowTag; }
int32_t VM_CALL AddUndoStep(const char16_t* label, HostHandle handle, int32_t flags, UndoItem* item) {
  HostDocument* document = Find(handle);
  if (!document || !item) return 0;
  ReleaseSteps(document->redo);
  document->undo.push_back({label ? std::u16string(label) : std::u16string(), *item, flags});
  return 1;
}

// ---- 26: host document ----
HostHandle VM_CALL PdfDocumentFn(HostHandle handle) {
  HostDocument* document = Find(handle);
  return document ? document->pdf.get() : nullptr;
}
void VM_CALL DocumentChanged(HostHandle handle) {
  if (HostDocument* document = Find(handle)) {
    document->modified = true;
    ++document->changedCount;
  }
}
HostHandle VM_CALL DocumentView(HostHandle handle) {
  HostDocument* document = Find(handle);
  return document ? &document->view : nullptr;
}

// ---- 31: document view ----
HostHandle VM_CALL PageViewFn(HostHandle view, int32_t pageIndex) {
  HostDocument* document = FindByView(view);
  return document ? PageViewAt(*document, pageIndex) : nullptr;
}
void VM_CALL ScrollTo(HostHandle view, int32_t pageIndex, float x, float y) {
  HostDocument* document = FindByView(view);
  if (!document) return;
  document->view.scrolls.push_back({pageIndex, x, y});
  const std::vector<HostBox>& boxes = PageBoxesOf(*document);
  if (pageIndex < 0 || pageIndex >= static_cast<int>(boxes.size())) return;
  ScrollToPagePoint(document->view.layout, boxes, pageIndex, x, y);
  Repaint(*document);
}
HostWindow VM_CALL ViewWindow(HostHandle view) {
  HostDocument* document = FindByView(view);
  if (!document) return nullptr;
  return document->view.window ? document->view.window : &document->view.windowTag;
}

// ---- 32: page view ----
HostHandle VM_CALL PdfPageFn(HostHandle pageView) {
  HostPageView* view = FindPageView(pageView);
  if (!view) return nullptr;
  pdf::Page* page = pdf::GetPage(*view->document->pdf, view->index);
  if (page && page != view->pdfPage) {
    if (view->pdfPage) App().viewsByPdfPage.erase(view->pdfPage);
    view->pdfPage = page;
    App().viewsByPdfPage[page] = view;
  }
  return page;
}
void VM_CALL PageToWindow(HostHandle pageView, const HostBox* rect, HostIntRect* pixels) {
  HostPageView* view = FindPageView(pageView);
  if (!view || !rect || !pixels) return;
  HostDocument& document = *view->document;
  *pixels = PageRectToWindow(document.view.layout, PageBoxesOf(document), view->index, *rect);
}
HostBox VM_CALL VisibleBox(HostHandle pageView) {
  HostPageView* view = FindPageView(pageView);
  if (!view) return HostBox{};
  HostDocument& document = *view->document;
  return VisiblePartOfPage(document.view.layout, PageBoxesOf(document), view->index);
}
void VM_CALL PageChanged(HostHandle pageView, int32_t) {
  HostPageView* view = FindPageView(pageView);
  if (!view) return;
  ++view->changedCount;
  Repaint(*view->document);
}

// ---- 34:10 ----
int32_t VM_CALL PageCountFn(HostHandle pdfDocument) {
  HostDocument* document = FindByPdf(pdfDocument);
  return document ? pdf::PageCount(*document->pdf) : 0;
}

}  // namespace

void RegisterApplicationFunctions(FunctionTable& table) {
  table.Implement<20, 22>(&DocumentCount);
  table.Implement<20, 23>(&DocumentAt);
  table.Implement<20, 24>(&ActiveDocumentFn);
  table.Implement<20, 36>(&MainWindowFn);
  table.Implement<20, 37>(&AddUndoStep);
  table.Implement<26, 4>(&PdfDocumentFn);
  table.Implement<26, 8>(&DocumentChanged);
  table.Implement<26, 24>(&DocumentView);
  table.Implement<31, 2>(&PageViewFn);
  table.Implement<31, 7>(&ScrollTo);
  table.Implement<31, 42>(&ViewWindow);
  table.Implement<32, 2>(&PdfPageFn);
  table.Implement<32, 9>(&PageToWindow);
  table.Implement<32, 12>(&VisibleBox);
  table.Implement<32, 13>(&PageChanged);
  table.Implement<34, 10>(&PageCountFn);
}

HostHandle OpenHostDocument(const std::string& path, std::string* error) {
  std::string message;
  std::unique_ptr<pdf::Document> document = pdf::OpenDocument(path, &message);
  if (!document) {
    if (error) *error = message.empty() ? "cannot open " + path : message;
    return nullptr;
  }
  HostHandle handle = Adopt(std::move(document));
  // Opening read every object of the file once: what it freed can go back now.
  GiveBackFreedMemory();
  return handle;
}

HostHandle OpenHostDocumentFromContent(const std::vector<std::string>& pageContents) {
  std::unique_ptr<pdf::Document> document = pdf::DocumentFromContent(pageContents);
  return document ? Adopt(std::move(document)) : nullptr;
}

void CloseHostDocument(HostHandle handle) {
  HostDocument* document = Find(handle);
  if (!document) return;
  // Undo records may hold objects of this document: release them while it is still open.
  ReleaseSteps(document->undo);
  ReleaseSteps(document->redo);
  for (HostPageView& view : document->view.pageViews) {
    if (view.pdfPage) {
      ForgetPage(view.pdfPage);
      App().viewsByPdfPage.erase(view.pdfPage);
    }
  }
  auto& documents = App().documents;
  auto it = std::find_if(documents.begin(), documents.end(),
                         [&](const auto& d) { return d.get() == document; });
  std::unique_ptr<HostDocument> closing = std::move(*it);
  documents.erase(it);
  if (closing->view.window && Hooks().destroy) Hooks().destroy(closing->view.window);
  if (App().active == document) Activate(documents.empty() ? nullptr : documents.back().get());
}

void ReleasePassedPages(HostHandle handle, int pageIndex) {
  HostDocument* document = Find(handle);
  if (!document) return;
  pdf::Document& pdf = *document->pdf;
  const int end = std::min(pageIndex, pdf::PageCount(pdf));
  for (int i = 0; i < end; ++i) {
    std::unique_ptr<pdf::Page>& slot = pdf.pages[static_cast<size_t>(i)];
    if (!slot || slot->HasModel() || pdf::HasOpenTextPage(slot.get())) continue;
    const void* page = slot.get();
    ForgetPage(page);
    auto view = App().viewsByPdfPage.find(page);
    if (view != App().viewsByPdfPage.end()) {
      view->second->pdfPage = nullptr;
      App().viewsByPdfPage.erase(view);
    }
    slot.reset();
  }
}

void CloseAllHostDocuments() {
  while (!App().documents.empty()) CloseHostDocument(App().documents.back().get());
}

void SetActiveDocument(HostHandle document) {
  if (!document || Find(document)) Activate(static_cast<HostDocument*>(document));
}

HostHandle ActiveDocument() { return App().active; }

std::vector<HostHandle> OpenDocuments() {
  std::vector<HostHandle> handles;
  for (auto& document : App().documents) handles.push_back(document.get());
  return handles;
}

pdf::Document* PdfDocumentOf(HostHandle handle) {
  HostDocument* document = Find(handle);
  return document ? document->pdf.get() : nullptr;
}

void MarkSaved(HostHandle handle) {
  if (HostDocument* document = Find(handle)) document->modified = false;
}

bool IsModified(HostHandle handle) {
  HostDocument* document = Find(handle);
  return document && document->modified;
}

int DocumentChangedCount(HostHandle handle) {
  HostDocument* document = Find(handle);
  return document ? document->changedCount : 0;
}

HostHandle ViewOf(HostHandle handle) { return DocumentView(handle); }

HostHandle PageViewOf(HostHandle handle, int pageIndex) {
  HostDocument* document = Find(handle);
  return document ? PageViewAt(*document, pageIndex) : nullptr;
}

HostHandle DocumentOfPageView(HostHandle pageView, int* pageIndex) {
  HostPageView* view = FindPageView(pageView);
  if (!view) return nullptr;
  if (pageIndex) *pageIndex = view->index;
  return view->document;
}

HostHandle DocumentOfView(HostHandle view) { return FindByView(view); }

bool PageReadsCompletely(HostHandle pdfPage) {
  if (!App().viewsByPdfPage.count(pdfPage)) return true;  // not a page of an open document
  return static_cast<pdf::Page*>(pdfPage)->ReadCompletely();
}

HostBox PageBox(HostHandle handle, int pageIndex) {
  HostDocument* document = Find(handle);
  if (!document || pageIndex < 0 || pageIndex >= pdf::PageCount(*document->pdf)) return HostBox{};
  fz_context* ctx = document->pdf->ctx;
  fz_rect box = fz_empty_rect;
  fz_try(ctx) {
    pdf_obj* page = pdf::PageObjectAt(*document->pdf, pageIndex);
    box = pdf_to_rect(ctx, pdf_dict_get_inheritable(ctx, page, PDF_NAME(MediaBox)));
  }
  fz_catch(ctx) { return HostBox{}; }
  return HostBox{std::min(box.x0, box.x1), std::min(box.y0, box.y1), std::max(box.x0, box.x1),
                 std::max(box.y0, box.y1)};
}

int PageChangedCount(HostHandle handle, int pageIndex) {
  HostDocument* document = Find(handle);
  if (!document) return 0;
  const auto& views = document->view.pageViews;
  const size_t index = static_cast<size_t>(pageIndex);
  if (pageIndex < 0 || index >= views.size()) return 0;
  return views[index].changedCount;
}

ViewLayout GetViewLayout(HostHandle handle) {
  HostDocument* document = Find(handle);
  return document ? document->view.layout : ViewLayout{};
}

void SetViewLayout(HostHandle handle, const ViewLayout& layout) {
  HostDocument* document = Find(handle);
  if (!document) return;
  document->view.layout = layout;
  ClampScroll(document->view.layout, PageBoxesOf(*document));
}

void SetViewWindowHooks(const ViewWindowHooks& hooks) { Hooks() = hooks; }

HostWindow ViewWindowOf(HostHandle handle) {
  HostDocument* document = Find(handle);
  return document ? document->view.window : nullptr;
}

std::vector<HostBox> PageBoxes(HostHandle handle) {
  HostDocument* document = Find(handle);
  return document ? PageBoxesOf(*document) : std::vector<HostBox>{};
}

const std::vector<ScrollRequest>& ScrollRequests(HostHandle handle) {
  static const std::vector<ScrollRequest> none;
  HostDocument* document = Find(handle);
  return document ? document->view.scrolls : none;
}

HostWindow MainWindow() { return &App().mainWindowTag; }

const std::vector<UndoStep>& UndoSteps(HostHandle handle) {
  static const std::vector<UndoStep> none;
  HostDocument* document = Find(handle);
  return document ? document->undo : none;
}

void ForgetUndoSteps(HostHandle handle) {
  if (HostDocument* document = Find(handle)) {
    ReleaseSteps(document->undo);
    ReleaseSteps(document->redo);
  }
}

int UndoStepCount(HostHandle handle) { return static_cast<int>(UndoSteps(handle).size()); }

int RedoStepCount(HostHandle handle) {
  HostDocument* document = Find(handle);
  return document ? static_cast<int>(document->redo.size()) : 0;
}

bool UndoLast(HostHandle handle) {
  HostDocument* document = Find(handle);
  if (!document || document->undo.empty()) return false;
  UndoStep step = document->undo.back();
  document->undo.pop_back();
  if (step.item.undo) step.item.undo(step.item.clientData);
  document->redo.push_back(step);
  return true;
}

bool RedoLast(HostHandle handle) {
  HostDocument* document = Find(handle);
  if (!document || document->redo.empty()) return false;
  UndoStep step = document->redo.back();
  document->redo.pop_back();
  if (step.item.redo) step.item.redo(step.item.clientData);
  document->undo.push_back(step);
  return true;
}

}  // namespace standin
