#include "core/Application.h"
#include "objects/ObjectHandles.h"
#include "pdf/ObjectCache.h"

namespace standin {

namespace {
void (*freedMemoryReturn)() = nullptr;
}  // namespace

void SetFreedMemoryReturn(void (*giveBack)()) { freedMemoryReturn = giveBack; }

void GiveBackFreedMemory() {
  if (freedMemoryReturn) freedMemoryReturn();
}

void ReleaseUnchangedObjects(HostHandle handle) {
  pdf::Document* document = PdfDocumentOf(handle);
  if (document && !objects::HasDirectObjectHandles(*document)) pdf::ReleaseUnchangedObjects(*document);
}

void ReleaseObjectsNowAndThen(HostHandle document, int pageIndex) {
  if (pageIndex <= 0 || pageIndex % pdf::kPagesBetweenReleases != 0) return;
  if (pdf::Document* pdf = PdfDocumentOf(document)) objects::ReleaseBorrowedHandles(*pdf);
  ReleaseUnchangedObjects(document);
  ReleasePassedPages(document, pageIndex);
  GiveBackFreedMemory();
}

}  // namespace standin
