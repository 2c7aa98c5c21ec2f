#include "core/PageRender.h"

#include <algorithm>

#include "core/Application.h"
#include "pdf/Document.h"
#include "pdf/LargeBlocks.h"

namespace standin {

namespace {

bool ToImage(fz_context* ctx, fz_pixmap* pixmap, PageImage* image) {
  if (fz_pixmap_components(ctx, pixmap) != 3) return false;
  image->width = fz_pixmap_width(ctx, pixmap);
  image->height = fz_pixmap_height(ctx, pixmap);
  const int stride = fz_pixmap_stride(ctx, pixmap);
  const unsigned char* samples = fz_pixmap_samples(ctx, pixmap);
  image->rgb.resize(static_cast<size_t>(image->width) * image->height * 3);
  for (int y = 0; y < image->height; ++y) {
    std::copy_n(samples + static_cast<size_t>(y) * stride, image->width * 3,
                image->rgb.begin() + static_cast<ptrdiff_t>(y) * image->width * 3);
  }
  return true;
}

// One page of an open copy; false when MuPDF fails.
bool RenderOne(fz_context* ctx, pdf_document* copy, int index, float zoom, PageImage* image) {
  fz_page* page = nullptr;
  fz_pixmap* pixmap = nullptr;
  bool ok = false;
  fz_var(page);
  fz_var(pixmap);
  fz_var(ok);
  fz_try(ctx) {
    page = fz_load_page(ctx, &copy->super, index);
    pixmap = fz_new_pixmap_from_page(ctx, page, fz_scale(zoom, zoom), fz_device_rgb(ctx), 0);
    ok = true;
  }
  fz_catch(ctx) {}
  if (ok) ok = ToImage(ctx, pixmap, image);
  fz_drop_pixmap(ctx, pixmap);
  fz_drop_page(ctx, page);
  return ok;
}

// What a page needs for its picture, copied into `copy` (objects are copied once through the
// map): contents, resources and boxes (inherited ones too) and the annotations. An annotation's
// links to its page, its parent field and related annotations are left out: through them the
// whole document would be copied, and drawing does not need them.
pdf_obj* CopyPage(fz_context* ctx, pdf_graft_map* map, pdf_document* copy, pdf_obj* page) {
  static pdf_obj* const kPageKeys[] = {PDF_NAME(Contents), PDF_NAME(Resources), PDF_NAME(MediaBox),
                                       PDF_NAME(CropBox),  PDF_NAME(Rotate),    PDF_NAME(UserUnit)};
  static pdf_obj* const kLinksLeftOut[] = {PDF_NAME(P), PDF_NAME(Parent), PDF_NAME(Popup), PDF_NAME(IRT)};
  pdf_obj* copied = pdf_new_dict(ctx, copy, 8);
  fz_try(ctx) {
    pdf_dict_put(ctx, copied, PDF_NAME(Type), PDF_NAME(Page));
    for (pdf_obj* key : kPageKeys) {
      if (pdf_obj* value = pdf_dict_get_inheritable(ctx, page, key))
        pdf_dict_put_drop(ctx, copied, key, pdf_graft_mapped_object(ctx, map, value));
    }
    pdf_obj* annots = pdf_dict_get(ctx, page, PDF_NAME(Annots));
    pdf_obj* copiedAnnots = pdf_dict_put_array(ctx, copied, PDF_NAME(Annots), pdf_array_len(ctx, annots));
    for (int i = 0; i < pdf_array_len(ctx, annots); ++i) {
      pdf_obj* annot = pdf_array_get(ctx, annots, i);
      if (!pdf_is_dict(ctx, annot)) continue;
      pdf_obj* copiedAnnot = pdf_new_dict(ctx, copy, pdf_dict_len(ctx, annot));
      for (int k = 0; k < pdf_dict_len(ctx, annot); ++k) {
        pdf_obj* key = pdf_dict_get_key(ctx, annot, k);
        bool leftOut = false;
        for (pdf_obj* link : kLinksLeftOut) leftOut = leftOut || pdf_name_eq(ctx, key, link);
        if (!leftOut) {
          pdf_dict_put_drop(ctx, copiedAnnot, key, pdf_graft_mapped_object(ctx, map, pdf_dict_get_val(ctx, annot, k)));
        }
      }
      pdf_array_push_drop(ctx, copiedAnnots, pdf_add_object_drop(ctx, copy, copiedAnnot));
    }
  }
  fz_catch(ctx) {
    pdf_drop_obj(ctx, copied);
    fz_rethrow(ctx);
  }
  return pdf_add_object_drop(ctx, copy, copied);
}

// Renders pages [first, last) from a new document holding copies of just those pages, so that
// a picture costs what its pages hold, not what the whole document does.
std::vector<PageImage> RenderCopy(HostHandle document, int first, int last, float zoom) {
  std::vector<PageImage> images;
  pdf::Document* live = PdfDocumentOf(document);
  if (!live || zoom <= 0) return images;
  fz_context* ctx = live->ctx;
  pdf_document* copy = nullptr;
  pdf_graft_map* map = nullptr;
  pdf_obj* page = nullptr;
  int copied = 0;
  int end = 0;
  fz_var(copy);
  fz_var(map);
  fz_var(page);
  fz_var(copied);
  fz_var(end);
  fz_try(ctx) {
    end = std::min(last, pdf::PageCount(*live));
    copy = pdf_create_document(ctx);
    map = pdf_new_graft_map(ctx, copy);
    for (int i = first; i < end; ++i) {
      page = CopyPage(ctx, map, copy, pdf::PageObjectAt(*live, i));
      pdf_insert_page(ctx, copy, -1, page);
      pdf_drop_obj(ctx, page);
      page = nullptr;
      ++copied;
    }
  }
  fz_always(ctx) {
    pdf_drop_obj(ctx, page);
    pdf_drop_graft_map(ctx, map);
  }
  fz_catch(ctx) { copied = -1; }
  for (int i = 0; i < copied; ++i) {
    PageImage image;
    if (!RenderOne(ctx, copy, i, zoom, &image)) {
      images.clear();
      break;
    }
    images.push_back(std::move(image));
  }
  pdf_drop_document(ctx, copy);
  return images;
}

}  // namespace

std::vector<PageImage> RenderPages(HostHandle document, float zoom, int first, int last) {
  return RenderCopy(document, std::max(first, 0), last, zoom);
}

bool RenderPage(HostHandle document, int pageIndex, float zoom, PageImage* image) {
  if (pageIndex < 0) return false;
  std::vector<PageImage> images = RenderCopy(document, pageIndex, pageIndex + 1, zoom);
  if (images.empty()) return false;
  *image = std::move(images.front());
  return true;
}

bool WritePng(const PageImage& image, const std::string& path) {
  fz_context* ctx = pdf::NewContextWithMappedLargeBlocks(FZ_STORE_UNLIMITED);
  if (!ctx) return false;
  bool ok = true;
  fz_pixmap* pixmap = nullptr;
  fz_var(pixmap);
  fz_try(ctx) {
    pixmap = fz_new_pixmap_with_data(ctx, fz_device_rgb(ctx), image.width, image.height, nullptr, 0,
                                     image.width * 3, const_cast<uint8_t*>(image.rgb.data()));
    fz_save_pixmap_as_png(ctx, pixmap, path.c_str());
  }
  fz_always(ctx) { fz_drop_pixmap(ctx, pixmap); }
  fz_catch(ctx) { ok = false; }
  fz_drop_context(ctx);
  return ok;
}

}  // namespace standin
