#include "mask/RedactionUndo.h"

#include "host/HostCall.h"

namespace vm {

namespace {

void PutCopy(HostHandle pdfDocument, HostHandle pageDictionary, const char* key, HostHandle saved,
             int32_t deep) {
  if (!saved) return;
  HostHandle copy = Host<61, 3>(saved, deep);
  if (!copy) return;
  int32_t number = Host<34, 42>(pdfDocument, copy);
  Host<67, 23>(pageDictionary, key, pdfDocument, number);
}

enum class Side { Before, After };

int32_t RestoreAll(void* clientData, Side side) {
  auto* record = static_cast<RedactionUndoRecord*>(clientData);
  if (!record) return 0;
  try {
    for (const PageSnapshot& s : record->snapshots) {
      if (side == Side::Before) {
        RestorePageState(record->document, s.pageIndex, s.contentsBefore, s.resourcesBefore);
      } else {
        RestorePageState(record->document, s.pageIndex, s.contentsAfter, s.resourcesAfter);
      }
    }
  } catch (...) {
    // Called by the host: nothing may leave the module.
  }
  return static_cast<int32_t>(record->snapshots.size());
}

}  // namespace

void SnapshotPageState(HostHandle pdfPage, HostHandle* contents, HostHandle* resources) {
  *contents = nullptr;
  *resources = nullptr;
  HostHandle pageDictionary = Host<73, 22>(pdfPage);
  if (!pageDictionary) return;
  HostHandle c = Host<67, 2>(pageDictionary, "Contents");
  HostHandle r = Host<67, 2>(pageDictionary, "Resources");
  if (c) *contents = Host<61, 3>(c, 1);
  if (r) *resources = Host<61, 3>(r, 0);
}

void RestorePageState(HostHandle document, int32_t pageIndex, HostHandle contents,
                      HostHandle resources) {
  if (!document) return;
  HostHandle pdfDocument = Host<26, 4>(document);
  HostHandle view = Host<26, 24>(document);
  if (!pdfDocument || !view) return;
  HostHandle pageView = Host<31, 2>(view, pageIndex);
  if (!pageView) return;
  HostHandle pdfPage = Host<32, 2>(pageView);
  if (!pdfPage) return;
  HostHandle pageDictionary = Host<73, 22>(pdfPage);
  if (!pageDictionary) return;
  PutCopy(pdfDocument, pageDictionary, "Contents", contents, 1);
  PutCopy(pdfDocument, pageDictionary, "Resources", resources, 0);
  Host<32, 13>(pageView, 1);
  Host<26, 8>(document);
}

int32_t VM_CALL UndoRedaction(void* clientData) { return RestoreAll(clientData, Side::Before); }

int32_t VM_CALL RedoRedaction(void* clientData) { return RestoreAll(clientData, Side::After); }

void VM_CALL ReleaseRedaction(void* clientData) {
  auto* record = static_cast<RedactionUndoRecord*>(clientData);
  if (!record) return;
  for (const PageSnapshot& s : record->snapshots) {
    for (HostHandle copy : {s.contentsBefore, s.resourcesBefore, s.contentsAfter, s.resourcesAfter}) {
      if (copy) Host<61, 7>(copy);
    }
  }
  delete record;
}

UndoItem* MakeUndoItem(RedactionUndoRecord* record) {
  record->item.size = sizeof(UndoItem);
  record->item.clientData = record;
  record->item.undo = &UndoRedaction;
  record->item.redo = &RedoRedaction;
  record->item.release = &ReleaseRedaction;
  return &record->item;
}

}  // namespace vm
