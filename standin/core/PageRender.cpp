#include "core/PageRender.h"

#include <algorithm>

#include "core/Application.h"
#include "pdf/Document.h"

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

// Renders pages [first, last) of a copy of the document written to memory.
std::vector<PageImage> RenderCopy(HostHandle document, int first, int last, float zoom) {
  std::vector<PageImage> images;
  pdf::Document* live = PdfDocumentOf(document);
  if (!live || zoom <= 0) return images;
  fz_context* ctx = live->ctx;
  char message[256] = {};
  fz_buffer* buffer = pdf::WriteToMemory(ctx, live->doc, message, sizeof message);
  if (!buffer) return images;
  fz_stream* stream = nullptr;
  pdf_document* copy = nullptr;
  fz_var(stream);
  fz_var(copy);
  fz_try(ctx) {
    stream = fz_open_buffer(ctx, buffer);
    copy = pdf_open_document_with_stream(ctx, stream);
  }
  fz_catch(ctx) {}
  const int count = copy ? pdf_count_pages(ctx, copy) : 0;
  for (int i = first; i < std::min(last, count); ++i) {
    PageImage image;
    if (!RenderOne(ctx, copy, i, zoom, &image)) {
      images.clear();
      break;
    }
    images.push_back(std::move(image));
  }
  pdf_drop_document(ctx, copy);
  fz_drop_stream(ctx, stream);
  fz_drop_buffer(ctx, buffer);
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
  fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_UNLIMITED);
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
