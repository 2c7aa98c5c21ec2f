// The content-stream interpreter and the regeneration of page content on arbitrary content
// streams: the input becomes the content of a page (with the stand-in's test resources), which
// is scanned and protected through the module, regenerated, and read again.
//
// A document is made for every few hundred inputs and its page's content replaced for each:
// making one (a MuPDF context, its fonts) costs far more than running an input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSession.h"
#include "core/Application.h"
#include "pdf/Document.h"
#include "pdf/Page.h"
#include "pdf/TextPage.h"

namespace {

constexpr int kInputsPerDocument = 200;

HostHandle ReusedDocument() {
  static HostHandle document = nullptr;
  static int inputs = 0;
  if (document && ++inputs >= kInputsPerDocument) {
    standin::CloseHostDocument(document);
    document = nullptr;
  }
  if (!document) {
    document = standin::OpenHostDocumentFromContent({""});
    inputs = 0;
  }
  return document;
}

// Gives page 0 a new content stream holding the bytes.
bool SetPageContent(standin::pdf::Document& pdf, const uint8_t* data, size_t size) {
  standin::pdf::Page* page = standin::pdf::GetPage(pdf, 0);
  if (!page) return false;
  fz_context* ctx = pdf.ctx;
  fz_buffer* buffer = nullptr;
  pdf_obj* dictionary = nullptr;
  fz_var(buffer);
  fz_var(dictionary);
  bool ok = true;
  fz_try(ctx) {
    buffer = fz_new_buffer_from_copied_data(ctx, data, size);
    dictionary = pdf_new_dict(ctx, pdf.doc, 1);
    pdf_dict_put_drop(ctx, standin::pdf::PageDictionary(*page), PDF_NAME(Contents),
                      pdf_add_stream(ctx, pdf.doc, buffer, dictionary, 0));
    ++pdf.revision;
  }
  fz_always(ctx) {
    fz_drop_buffer(ctx, buffer);
    pdf_drop_obj(ctx, dictionary);
  }
  fz_catch(ctx) { ok = false; }
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::EnsureModuleLoaded();
  HostHandle document = ReusedDocument();
  standin::pdf::Document* pdf = document ? standin::PdfDocumentOf(document) : nullptr;
  if (!pdf || !SetPageContent(*pdf, data, size)) return 0;
  fuzz::ScanAndProtect(document);

  // Regenerate once more without edits and read the result: what regeneration writes must
  // interpret again.
  if (standin::pdf::Page* page = standin::pdf::GetPage(*pdf, 0)) {
    page->Regenerate();
    standin::pdf::TextPage text;
    text.page = page;
    standin::pdf::AnalyseTextPage(text);
  }
  return 0;
}
