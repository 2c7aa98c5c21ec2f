// Annotations: the module adds "Square" frames (26:130), reaches their dictionaries (173:0,
// 52:2) and removes them again (32:18).
#include <algorithm>

#include "core/Application.h"
#include "objects/ObjectFunctions.h"
#include "objects/ObjectHandles.h"

namespace standin::objects {

namespace {

// Appends a new annotation dictionary to the page's /Annots; its object number, 0 on failure.
int AddAnnotation(pdf::Document& document, int pageIndex, const char* subtype, HostBox rect) {
  fz_context* ctx = document.ctx;
  pdf_document* doc = document.doc;
  const float x0 = std::min(rect.x0, rect.x1), x1 = std::max(rect.x0, rect.x1);
  const float y0 = std::min(rect.y0, rect.y1), y1 = std::max(rect.y0, rect.y1);
  pdf_obj* annotation = nullptr;
  pdf_obj* ref = nullptr;
  int number = 0;
  Try(ctx, [&] {
    pdf_obj* page = pdf::PageObjectAt(document, pageIndex);
    annotation = pdf_new_dict(ctx, doc, 8);
    pdf_dict_put(ctx, annotation, PDF_NAME(Type), PDF_NAME(Annot));
    pdf_dict_put_name(ctx, annotation, PDF_NAME(Subtype), subtype);
    pdf_obj* r = pdf_dict_put_array(ctx, annotation, PDF_NAME(Rect), 4);
    pdf_array_push_real(ctx, r, x0);
    pdf_array_push_real(ctx, r, y0);
    pdf_array_push_real(ctx, r, x1);
    pdf_array_push_real(ctx, r, y1);
    pdf_dict_put_int(ctx, annotation, PDF_NAME(F), 4);  // print
    pdf_obj* c = pdf_dict_put_array(ctx, annotation, PDF_NAME(C), 3);
    pdf_array_push_real(ctx, c, 0.20);
    pdf_array_push_real(ctx, c, 0.45);
    pdf_array_push_real(ctx, c, 0.95);
    pdf_dict_put(ctx, annotation, PDF_NAME(P), page);
    ref = pdf_add_object(ctx, doc, annotation);
    pdf_obj* annots = pdf_dict_get(ctx, page, PDF_NAME(Annots));
    if (!pdf_is_array(ctx, annots)) annots = pdf_dict_put_array(ctx, page, PDF_NAME(Annots), 1);
    pdf_array_push(ctx, annots, ref);
    number = pdf_to_num(ctx, ref);
  });
  pdf_drop_obj(ctx, ref);
  pdf_drop_obj(ctx, annotation);
  return number;
}

bool RemoveAnnotation(pdf::Document& document, int pageIndex, int number) {
  fz_context* ctx = document.ctx;
  bool found = false;
  Try(ctx, [&] {
    pdf_obj* page = pdf::PageObjectAt(document, pageIndex);
    pdf_obj* annots = pdf_dict_get(ctx, page, PDF_NAME(Annots));
    for (int i = pdf_array_len(ctx, annots) - 1; i >= 0; --i) {
      if (pdf_to_num(ctx, pdf_array_get(ctx, annots, i)) == number) {
        pdf_array_delete(ctx, annots, i);
        found = true;
      }
    }
    if (found && pdf_array_len(ctx, annots) == 0) pdf_dict_del(ctx, page, PDF_NAME(Annots));
  });
  return found;
}

HostHandle VM_CALL AddPageAnnotation(HostHandle hostDocument, int32_t pageIndex, const char* subtype,
                                     HostBox rect) {
  pdf::Document* document = PdfDocumentOf(hostDocument);
  if (!document || !subtype || !*subtype || pageIndex < 0 || pageIndex >= pdf::PageCount(*document))
    return nullptr;
  int number = AddAnnotation(*document, pageIndex, subtype, rect);
  return number > 0 ? NewAnnotation(*document, pageIndex, number) : nullptr;
}

// The low-level annotation is the annotation's dictionary object; 52:2 hands it back as such.
HostHandle VM_CALL LowLevelAnnotation(HostHandle annotation) {
  AnnotationHandle* a = AnnotationFromHost(annotation);
  if (!a || a->removed) return nullptr;
  return BorrowNumber(*a->document, a->number);
}

HostHandle VM_CALL AnnotationDictionary(HostHandle annotationObject) {
  ObjectHandle* h = FromHost(annotationObject);
  return h && h->document && h->number > 0 ? h : nullptr;
}

void VM_CALL RemovePageAnnotation(HostHandle pageView, HostHandle annotation) {
  int pageIndex = -1;
  HostHandle hostDocument = DocumentOfPageView(pageView, &pageIndex);
  pdf::Document* document = PdfDocumentOf(hostDocument);
  AnnotationHandle* a = AnnotationFromHost(annotation);
  if (!document || !a || a->removed || a->document != document || a->pageIndex != pageIndex) return;
  if (RemoveAnnotation(*document, pageIndex, a->number)) a->removed = true;
}

}  // namespace

void RegisterAnnotationHostFunctions(FunctionTable& table) {
  table.Implement<26, 130>(&AddPageAnnotation);
  table.Implement<173, 0>(&LowLevelAnnotation);
  table.Implement<52, 2>(&AnnotationDictionary);
  table.Implement<32, 18>(&RemovePageAnnotation);
}

}  // namespace standin::objects
