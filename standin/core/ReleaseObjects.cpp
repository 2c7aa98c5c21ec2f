#include "core/Application.h"
#include "objects/ObjectHandles.h"
#include "pdf/ObjectCache.h"

namespace standin {

void ReleaseUnchangedObjects(HostHandle handle) {
  pdf::Document* document = PdfDocumentOf(handle);
  if (document && !objects::HasDirectObjectHandles(*document)) pdf::ReleaseUnchangedObjects(*document);
}

}  // namespace standin
