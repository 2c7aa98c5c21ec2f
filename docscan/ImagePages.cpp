// A MuPDF device collects where images and characters are drawn; nothing is rendered.
#include "ImagePages.h"

#include <cctype>
#include <set>
#include <string_view>

#include "pdf/Document.h"
#include "pdf/ObjectCache.h"

namespace docscan {
namespace {

struct DrawnImage {
  fz_image* image;  // kept
  fz_matrix ctm;
  bool isMask;
};

struct Collector {
  fz_device super;
  std::vector<DrawnImage>* images;
  std::vector<fz_point>* characters;
};

Collector* Self(fz_device* dev) { return reinterpret_cast<Collector*>(dev); }

void AddImage(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, bool isMask) {
  Self(dev)->images->push_back({fz_keep_image(ctx, image), ctm, isMask});
}
void Image(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, float, fz_color_params) {
  AddImage(ctx, dev, image, ctm, false);
}
void ImageMask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, fz_colorspace*, const float*,
               float, fz_color_params) {
  AddImage(ctx, dev, image, ctm, true);
}

// The middle of each glyph's em box, for every character that is not a space.
void AddText(fz_device* dev, const fz_text* text, fz_matrix ctm) {
  for (const fz_text_span* span = text->head; span; span = span->next) {
    for (int i = 0; i < span->len; ++i) {
      const fz_text_item& item = span->items[i];
      if (item.ucs == ' ' || item.ucs == 0x3000 || item.ucs == 0xA0) continue;
      fz_matrix trm = span->trm;
      trm.e = item.x;
      trm.f = item.y;
      Self(dev)->characters->push_back(fz_transform_point_xy(0.5f, 0.35f, fz_concat(trm, ctm)));
    }
  }
}
void FillText(fz_context*, fz_device* dev, const fz_text* text, fz_matrix ctm, fz_colorspace*, const float*, float,
              fz_color_params) {
  AddText(dev, text, ctm);
}
void StrokeText(fz_context*, fz_device* dev, const fz_text* text, const fz_stroke_state*, fz_matrix ctm,
                fz_colorspace*, const float*, float, fz_color_params) {
  AddText(dev, text, ctm);
}
void ClipText(fz_context*, fz_device* dev, const fz_text* text, fz_matrix ctm, fz_rect) { AddText(dev, text, ctm); }
void ClipStrokeText(fz_context*, fz_device* dev, const fz_text* text, const fz_stroke_state*, fz_matrix ctm, fz_rect) {
  AddText(dev, text, ctm);
}
void IgnoreText(fz_context*, fz_device* dev, const fz_text* text, fz_matrix ctm) { AddText(dev, text, ctm); }

// Whether the page may draw an image: an image XObject among its resources (or those of the
// forms they hold), or an inline image in its content. Running the page is left to those. May throw.
bool MayDrawImage(fz_context* ctx, pdf_obj* page) {
  std::vector<pdf_obj*> stack{pdf_dict_get_inheritable(ctx, page, PDF_NAME(Resources))};
  std::set<int> seen;
  while (!stack.empty()) {
    pdf_obj* xobjects = pdf_dict_get(ctx, stack.back(), PDF_NAME(XObject));
    stack.pop_back();
    for (int i = 0; i < pdf_dict_len(ctx, xobjects); ++i) {
      pdf_obj* x = pdf_dict_get_val(ctx, xobjects, i);
      pdf_obj* subtype = pdf_dict_get(ctx, x, PDF_NAME(Subtype));
      if (pdf_name_eq(ctx, subtype, PDF_NAME(Image))) return true;
      if (pdf_name_eq(ctx, subtype, PDF_NAME(Form)) && seen.insert(pdf_to_num(ctx, x)).second && seen.size() < 4096)
        stack.push_back(pdf_dict_get(ctx, x, PDF_NAME(Resources)));
    }
  }
  pdf_obj* contents = pdf_dict_get(ctx, page, PDF_NAME(Contents));
  const int parts = pdf_is_array(ctx, contents) ? pdf_array_len(ctx, contents) : 1;
  for (int i = 0; i < parts; ++i) {
    pdf_obj* part = pdf_is_array(ctx, contents) ? pdf_array_get(ctx, contents, i) : contents;
    if (!pdf_is_stream(ctx, part)) continue;
    fz_buffer* data = pdf_load_stream(ctx, part);
    unsigned char* d = nullptr;
    const size_t length = fz_buffer_storage(ctx, data, &d);
    const std::string_view text(reinterpret_cast<const char*>(d), length);
    bool inlineImage = false;
    for (size_t at = text.find("BI"); at != std::string_view::npos && !inlineImage; at = text.find("BI", at + 1))
      inlineImage = (at == 0 || std::isspace(static_cast<unsigned char>(text[at - 1]))) && at + 2 < length &&
                    (std::isspace(static_cast<unsigned char>(text[at + 2])) || text[at + 2] == '/');
    fz_drop_buffer(ctx, data);
    if (inlineImage) return true;
  }
  return false;
}

// The image XObjects among the page's resources and those of the forms they hold.
std::vector<pdf_obj*> ImageXObjects(fz_context* ctx, pdf_obj* page) {
  std::vector<pdf_obj*> found;
  std::vector<pdf_obj*> stack{pdf_dict_get_inheritable(ctx, page, PDF_NAME(Resources))};
  std::set<int> seen;
  while (!stack.empty()) {
    pdf_obj* xobjects = pdf_dict_get(ctx, stack.back(), PDF_NAME(XObject));
    stack.pop_back();
    for (int i = 0; i < pdf_dict_len(ctx, xobjects); ++i) {
      pdf_obj* x = pdf_dict_get_val(ctx, xobjects, i);
      pdf_obj* subtype = pdf_dict_get(ctx, x, PDF_NAME(Subtype));
      if (pdf_name_eq(ctx, subtype, PDF_NAME(Image))) found.push_back(x);
      if (pdf_name_eq(ctx, subtype, PDF_NAME(Form)) && seen.insert(pdf_to_num(ctx, x)).second && seen.size() < 4096)
        stack.push_back(pdf_dict_get(ctx, x, PDF_NAME(Resources)));
    }
  }
  return found;
}

// The object number of the image XObject MuPDF loaded as `image` (it keeps loaded images by
// object); 0 when none is (an inline image).
int ObjectOf(fz_context* ctx, fz_image* image, const std::vector<pdf_obj*>& candidates) {
  for (pdf_obj* x : candidates) {
    fz_image* cached = static_cast<fz_image*>(pdf_find_item(ctx, fz_drop_image_imp, x));
    fz_drop_image(ctx, cached);
    if (cached == image) return pdf_to_num(ctx, x);
  }
  return 0;
}

bool Inside(fz_point p, fz_rect r) { return p.x >= r.x0 && p.x <= r.x1 && p.y >= r.y0 && p.y <= r.y1; }
float Area(fz_rect r) { return fz_is_empty_rect(r) ? 0 : (r.x1 - r.x0) * (r.y1 - r.y0); }

}  // namespace

pdf_obj* PageThatMayDrawImages(standin::pdf::Document& document, int p) {
  fz_context* ctx = document.ctx;
  pdf_obj* page = nullptr;
  bool candidate = true;
  fz_var(page);
  fz_var(candidate);
  fz_try(ctx) {
    // The document's own list: MuPDF's lookup reads every page before this one.
    page = pdf_resolve_indirect(ctx, standin::pdf::PageObjectAt(document, p));
    if (!page) fz_throw(ctx, FZ_ERROR_GENERIC, "no page %d", p);
    candidate = MayDrawImage(ctx, page);
  }
  fz_catch(ctx) { candidate = true; }
  return candidate ? page : nullptr;
}

namespace {

// Runs the page through the collector; false when it cannot be run.
bool RunPage(standin::pdf::Document& document, int p, std::vector<DrawnImage>& images,
             std::vector<fz_point>& characters, fz_rect* bounds, fz_matrix* pageToDevice) {
  fz_context* ctx = document.ctx;
  Collector* device = nullptr;
  fz_var(device);
  fz_try(ctx) { device = fz_new_derived_device(ctx, Collector); }
  fz_catch(ctx) { return false; }
  device->images = &images;
  device->characters = &characters;
  device->super.fill_image = Image;
  device->super.fill_image_mask = ImageMask;
  device->super.fill_text = FillText;
  device->super.stroke_text = StrokeText;
  device->super.clip_text = ClipText;
  device->super.clip_stroke_text = ClipStrokeText;
  device->super.ignore_text = IgnoreText;
  const bool ran = RunPageContents(document, p, &device->super, bounds, pageToDevice);
  fz_drop_device(ctx, &device->super);
  return ran;
}

}  // namespace

std::vector<pdf_obj*> PageImageXObjects(fz_context* ctx, pdf_obj* page) {
  std::vector<pdf_obj*> found;
  fz_try(ctx) { found = ImageXObjects(ctx, page); }
  fz_catch(ctx) { found.clear(); }
  return found;
}

int ImageObjectNumber(fz_context* ctx, fz_image* image, const std::vector<pdf_obj*>& candidates) {
  int object = 0;
  fz_var(object);
  fz_try(ctx) { object = ObjectOf(ctx, image, candidates); }
  fz_catch(ctx) { object = 0; }
  return object;
}

std::vector<ImagePlacement> ImagesWithoutText(standin::pdf::Document& document, const BetweenPages& betweenPages) {
  std::vector<ImagePlacement> placements;
  fz_context* ctx = document.ctx;
  std::vector<DrawnImage> images;
  std::vector<fz_point> characters;
  for (int p = 0; p < standin::pdf::PageCount(document); ++p) {
    if (betweenPages && p > 0) betweenPages(p - 1);
    pdf_obj* pageObject = PageThatMayDrawImages(document, p);
    if (!pageObject) continue;
    characters.clear();
    fz_rect bounds = fz_empty_rect;
    fz_matrix pageToDevice = fz_identity;
    const bool ran = RunPage(document, p, images, characters, &bounds, &pageToDevice);
    const std::vector<pdf_obj*> xobjects =
        ran && !images.empty() ? PageImageXObjects(ctx, pageObject) : std::vector<pdf_obj*>{};
    const float pageArea = Area(bounds);
    for (size_t i = 0; i < images.size(); ++i) {
      const DrawnImage& drawn = images[i];
      const fz_rect shown = fz_intersect_rect(fz_transform_rect(fz_unit_rect, drawn.ctm), bounds);
      if (!ran || pageArea <= 0 || Area(shown) < kImageShareOfPage * pageArea) continue;
      bool covered = false;
      for (const fz_point& c : characters) covered = covered || Inside(c, shown);
      if (covered) continue;
      ImagePlacement placement;
      placement.page = p;
      placement.isMask = drawn.isMask;
      placement.width = drawn.image->w;
      placement.height = drawn.image->h;
      placement.imageToDevice = drawn.ctm;
      placement.pageToDevice = pageToDevice;
      placement.object = ImageObjectNumber(ctx, drawn.image, xobjects);
      placement.drawnIndex = static_cast<int>(i);
      placements.push_back(placement);
    }
    for (DrawnImage& drawn : images) fz_drop_image(ctx, drawn.image);
    images.clear();
  }
  return placements;
}

std::vector<int> PagesWithImagesWithoutText(standin::pdf::Document& document, const BetweenPages& betweenPages) {
  std::vector<int> pages;
  for (const ImagePlacement& placement : ImagesWithoutText(document, betweenPages))
    if (pages.empty() || pages.back() != placement.page) pages.push_back(placement.page);
  return pages;
}

bool RunPageContents(standin::pdf::Document& document, int pageIndex, fz_device* device, fz_rect* bounds,
                     fz_matrix* pageToDevice) {
  fz_context* ctx = document.ctx;
  pdf_page* page = nullptr;
  bool ran = true;
  fz_var(page);
  fz_var(ran);
  fz_try(ctx) {
    page = standin::pdf::LoadPage(document, pageIndex);
    if (bounds) *bounds = fz_bound_page(ctx, &page->super);
    pdf_page_transform(ctx, page, nullptr, pageToDevice);
    pdf_run_page_contents(ctx, page, device, fz_identity, nullptr);
    fz_close_device(ctx, device);
  }
  fz_always(ctx) { fz_drop_page(ctx, &page->super); }
  fz_catch(ctx) { ran = false; }
  return ran;
}

}  // namespace docscan
