// Saving is kept apart from the rest of the application model: only what saves links the writer.
#include "core/Application.h"
#include "core/CoreParts.h"
#include "pdf/Document.h"

namespace standin {

bool SaveHostDocument(HostHandle handle, const std::string& path, std::string* error) {
  pdf::Document* document = PdfDocumentOf(handle);
  if (!document) {
    if (error) *error = "no such document";
    return false;
  }
  std::string message;
  if (!pdf::SaveDocument(*document, path, &message)) {
    if (error) *error = message.empty() ? "cannot save " + path : message;
    return false;
  }
  MarkSaved(handle);
  return true;
}

bool SaveAndCloseHostDocument(HostHandle handle, const std::string& path, std::string* error) {
  pdf::Document* document = PdfDocumentOf(handle);
  if (!document) {
    if (error) *error = "no such document";
    return false;
  }
  pdf::PendingSave pending;
  std::string message;
  const bool begun = pdf::BeginSave(*document, path, &pending, &message);
  CloseHostDocument(handle);
  if (!begun || !pdf::FinishSave(pending, &message)) {
    if (error) *error = message.empty() ? "cannot save " + path : message;
    return false;
  }
  return true;
}

}  // namespace standin
