// One protect operation as one step of the host's undo list: page states saved before and
// after the edits, put back on undo and redo.
#pragma once

#include <cstdint>
#include <vector>

#include "HostAbi.h"

namespace vm {

// Copies of a page's "Contents" and "Resources" before and after the operation; owned by the
// snapshot and released only by ReleaseRedaction.
struct PageSnapshot {
  int32_t pageIndex = 0;
  HostHandle contentsBefore = nullptr;
  HostHandle resourcesBefore = nullptr;
  HostHandle contentsAfter = nullptr;
  HostHandle resourcesAfter = nullptr;
};

struct RedactionUndoRecord {
  HostHandle document = nullptr;         // host document
  std::vector<PageSnapshot> snapshots;   // ascending page order
  UndoItem item{};                       // handed to the host; lives as long as the record
};

// Sets both outputs to null, then to copies of the page's current entries where it has them.
void SnapshotPageState(HostHandle pdfPage, HostHandle* contents, HostHandle* resources);

// Puts fresh copies of the saved values into the page; a null value leaves its entry alone.
void RestorePageState(HostHandle document, int32_t pageIndex, HostHandle contents,
                      HostHandle resources);

// The step's callbacks; the client data is the RedactionUndoRecord.
int32_t VM_CALL UndoRedaction(void* clientData);
int32_t VM_CALL RedoRedaction(void* clientData);
void VM_CALL ReleaseRedaction(void* clientData);

// Fills record->item with the record and the three callbacks.
UndoItem* MakeUndoItem(RedactionUndoRecord* record);

}  // namespace vm
