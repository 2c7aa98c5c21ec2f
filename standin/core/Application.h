// The stand-in host's application model: open documents, the active one, views and page views,
// the undo list, message boxes, and the plug-in loaded into the host.
//
// Handles as the host functions hand them out:
//   host document (20:23, 20:24)     -> an opaque host record; use the accessors below
//   PDF document (26:4)              -> pdf::Document*
//   document view (26:24)            -> an opaque view record; one per document, stable
//   page view (31:2)                 -> an opaque page-view record; one per page, stable
//   PDF page of a page view (32:2)   -> pdf::Page* (pdf::GetPage)
// Everything here runs on one thread, like the host's user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "HostAbi.h"
#include "core/ViewGeometry.h"

namespace standin {

namespace pdf {
struct Document;
class Page;
}  // namespace pdf

// ---- documents -------------------------------------------------------------------------------

// Opens a PDF file, adds it to the open documents and makes it active. Null and *error set on
// failure (error may be null).
HostHandle OpenHostDocument(const std::string& path, std::string* error);
// An in-memory document whose pages have the given content streams (see pdf::DocumentFromContent).
HostHandle OpenHostDocumentFromContent(const std::vector<std::string>& pageContents);
// Releases the document's undo steps through their release callbacks and closes it. When it was
// active, the most recently opened remaining document becomes active (null when none is left).
void CloseHostDocument(HostHandle document);
void CloseAllHostDocuments();
void SetActiveDocument(HostHandle document);  // must be open (or null)
HostHandle ActiveDocument();
std::vector<HostHandle> OpenDocuments();

// Null for a handle that is not an open document.
pdf::Document* PdfDocumentOf(HostHandle document);
bool SaveHostDocument(HostHandle document, const std::string& path, std::string* error);
// Saves as SaveHostDocument and closes the document, whatever the outcome; closed before the
// second half of the save, so that a long document is not held beside its rewrite.
bool SaveAndCloseHostDocument(HostHandle document, const std::string& path, std::string* error);
// Lets the document drop the objects it read from the file and did not change, for callers that
// work through a long document page by page (see pdf::ReleaseUnchangedObjects): nothing while
// handles of its direct objects are out. Between pages only.
void ReleaseUnchangedObjects(HostHandle document);
// Lets go of the records of the pages before `pageIndex` that hold nothing their dictionaries do
// not say (no object model, no open text page); a page's record is made again when it is next
// asked for (32:2). For callers that work through a long document page by page and hold no PDF
// page of those pages any more. Between pages only.
void ReleasePassedPages(HostHandle document, int pageIndex);
// Both, and the borrowed object handles (objects::ReleaseBorrowedHandles), every few dozen pages,
// called as each page is reached by a walk through the pages that holds no object handle between
// pages: a long document is then not held whole.
void ReleaseObjectsNowAndThen(HostHandle document, int pageIndex);
// Called at the end of each of those releases and of the opening of a document: a program whose
// allocator keeps freed memory for later can give it back to the system there, where much has
// just been freed. Null: nothing.
void SetFreedMemoryReturn(void (*giveBack)());
void GiveBackFreedMemory();  // calls what was set, if anything
// Set by host 26:8 (document changed); cleared by a save.
bool IsModified(HostHandle document);
int DocumentChangedCount(HostHandle document);   // calls of 26:8

// ---- views -----------------------------------------------------------------------------------

HostHandle ViewOf(HostHandle document);                      // what 26:24 answers
HostHandle PageViewOf(HostHandle document, int pageIndex);   // what 31:2 answers; null out of range
// The document and page index behind a page view handed out by 31:2; null for an unknown handle.
HostHandle DocumentOfPageView(HostHandle pageView, int* pageIndex);
// The document behind a view handed out by 26:24; null for an unknown handle.
HostHandle DocumentOfView(HostHandle view);
// The page box (MediaBox, normalized) of a page; a zero box when the page cannot be read.
HostBox PageBox(HostHandle document, int pageIndex);

int PageChangedCount(HostHandle document, int pageIndex);    // calls of 32:13 for that page

// Zoom, client size and scroll position of the document's view: 32:9 and 32:12 answer from
// them, 31:7 changes the scroll position. A new view: zoom 1, 640 x 480, scrolled to the top.
ViewLayout GetViewLayout(HostHandle document);
void SetViewLayout(HostHandle document, const ViewLayout& layout);  // scroll kept in the column

// Real windows for the views, supplied by the Win32 side of the stand-in; without them a tag
// stands for each view's window (31:42) and nothing is drawn.
struct ViewWindowHooks {
  // When a document opens: its view's window, which may set the view's client size.
  HostWindow (*create)(HostHandle document) = nullptr;
  void (*destroy)(HostWindow window) = nullptr;    // when the document closes
  void (*repaint)(HostWindow window) = nullptr;    // the view scrolled (31:7) or a page changed (32:13)
  void (*activated)(HostWindow window) = nullptr;  // the active document changed; null: none
};
void SetViewWindowHooks(const ViewWindowHooks& hooks);
// The real window made for the document's view; null when none.
HostWindow ViewWindowOf(HostHandle document);
// Every page's box (MediaBox, normalized) in page order, as the view lays them out.
std::vector<HostBox> PageBoxes(HostHandle document);

struct ScrollRequest {  // one call of 31:7
  int pageIndex;
  float x;
  float y;
};
const std::vector<ScrollRequest>& ScrollRequests(HostHandle document);

// The host's main window (20:36): a tag, not a real window.
HostWindow MainWindow();

// ---- undo list (20:37) ----------------------------------------------------------------------

struct UndoStep {
  std::u16string label;
  UndoItem item;       // a copy of what the module handed over
  int32_t flags;
};
// Steps that can be undone, oldest first.
const std::vector<UndoStep>& UndoSteps(HostHandle document);
int UndoStepCount(HostHandle document);
// Releases every undo and redo step of the document through its release callback: for callers
// without undo (the command line), so that what the steps keep does not add up.
void ForgetUndoSteps(HostHandle document);
int RedoStepCount(HostHandle document);
// Calls the undo (redo) callback of the latest step and moves it to the redo (undo) list. False
// when there is nothing to undo (redo).
bool UndoLast(HostHandle document);
bool RedoLast(HostHandle document);

// ---- message boxes (30:3) --------------------------------------------------------------------

struct MessageBoxCall {
  std::u16string text;
  std::u16string caption;
  int32_t flags;
  int32_t reserved;
  HostWindow owner;
};
const std::vector<MessageBoxCall>& MessageBoxes();
// The button id 30:3 answers (Windows convention: 1 OK, 2 Cancel, 6 Yes, 7 No). Default 1.
void SetMessageBoxAnswer(int32_t buttonId);
// A script of answers: the next boxes take these in order, later ones the answer above.
void ScriptMessageBoxAnswers(const std::vector<int32_t>& buttonIds);
// Prints every box on standard error as it is shown (for runs watched on a terminal).
void SetMessageBoxEcho(bool on);

// ---- page parsing (73:4, 73:28, 73:2) --------------------------------------------------------

// How many continue steps (73:2) a page needs after its start step (73:28) before it reports
// parsed. 0 (the default): parsed by the start step. Negative: never parsed. Applies to pages
// whose parsing has not started yet.
void SetParseContinueSteps(int steps);
// Marks a PDF page parsed (or not), e.g. to test the already-parsed path.
void SetPageParsed(HostHandle pdfPage, bool parsed);
bool IsPageParsed(HostHandle pdfPage);
int ParseContinueCalls(HostHandle pdfPage);  // calls of 73:2 on that page

// ---- the loaded plug-in ----------------------------------------------------------------------

struct LoadedPlugin {
  void* library = nullptr;             // dlopen handle; null for a statically linked module
  PlugInMainFn main = nullptr;
  uint32_t version = 0;                // written by PlugInMain
  int32_t mainResult = 0;
  HostSetupFn setup = nullptr;         // written by PlugInMain
  int32_t setupResult = 0;
  HostHandshakeFn handshake = nullptr; // registered in the setup
  uint32_t declaredValue = 0;
  int32_t handshakeResult = 0;
  std::string name;
  std::u16string wideName;
  LifecycleFn lifecycle[4] = {};
  bool hasUiCallbacks = false;
  UiCallbackRecord uiCallbacks{};      // a copy: the module's record lives on its stack
  // The record functions the module called in the two handshakes, in order: "table", "id",
  // "handshake", "declare" (setup); "name", "lifecycle1", "lifecycle2", "lifecycle3", "ui",
  // "lifecycle4" (handshake).
  std::vector<std::string> events;
  int32_t buildRibbonResult = 0;       // function 5 of the UiCallbackRecord
};

// The identifier the host assigns to the plug-in.
constexpr int32_t kStandinPluginId = 0x5A17;

// Runs the host's side of the handshake with a module's entry point: PlugInMain, the setup with
// version 0x10000, the handshake with version 0x10000, then function 5 of the UiCallbackRecord.
// Null and *error set when a step fails (the record of what happened stays in LastPlugin()).
const LoadedPlugin* LoadPlugin(PlugInMainFn main, std::string* error);
// dlopen + dlsym("PlugInMain"), then LoadPlugin.
const LoadedPlugin* LoadPluginLibrary(const std::string& path, std::string* error);
// The most recent load attempt; null before any.
const LoadedPlugin* LastPlugin();

// Back to a fresh host between tests: closes every document (releasing undo steps), unloads
// the plug-in, clears overrides, the call log, the object tracker, message boxes and settings.
void ResetHost();

}  // namespace standin
