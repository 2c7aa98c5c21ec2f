// A MuPDF device collects where images and characters are drawn; nothing is rendered.
#include "ImagePages.h"

#include <cctype>
#include <set>
#include <string_view>

#include "pdf/Document.h"

namespace docscan {
namespace {

struct Collector {
  fz_device super;
  std::vector<fz_rect>* images;
  std::vector<fz_point>* characters;
};

Collector* Self(fz_device* dev) { return reinterpret_cast<Collector*>(dev); }

void AddImage(fz_device* dev, fz_matrix ctm) {
  Self(dev)->images->push_back(fz_transform_rect(fz_unit_rect, ctm));
}
void Image(fz_context*, fz_device* dev, fz_image*, fz_matrix ctm, float, fz_color_params) { AddImage(dev, ctm); }
void ImageMask(fz_context*, fz_device* dev, fz_image*, fz_matrix ctm, fz_colorspace*, const float*, float,
               fz_color_params) {
  AddImage(dev, ctm);
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

bool Inside(fz_point p, fz_rect r) { return p.x >= r.x0 && p.x <= r.x1 && p.y >= r.y0 && p.y <= r.y1; }
float Area(fz_rect r) { return fz_is_empty_rect(r) ? 0 : (r.x1 - r.x0) * (r.y1 - r.y0); }

}  // namespace

std::vector<int> PagesWithImagesWithoutText(standin::pdf::Document& document) {
  std::vector<int> pages;
  fz_context* ctx = document.ctx;
  std::vector<fz_rect> images;
  std::vector<fz_point> characters;
  for (int p = 0; p < standin::pdf::PageCount(document); ++p) {
    images.clear();
    characters.clear();
    pdf_page* page = nullptr;
    Collector* device = nullptr;
    fz_rect bounds = fz_empty_rect;
    bool ran = true;
    fz_var(page);
    fz_var(device);
    fz_var(bounds);
    fz_var(ran);
    bool candidate = true;
    fz_var(candidate);
    fz_try(ctx) { candidate = MayDrawImage(ctx, pdf_lookup_page_obj(ctx, document.doc, p)); }
    fz_catch(ctx) { candidate = true; }
    if (!candidate) continue;
    fz_try(ctx) {
      page = pdf_load_page(ctx, document.doc, p);
      bounds = fz_bound_page(ctx, &page->super);
      device = fz_new_derived_device(ctx, Collector);
      device->images = &images;
      device->characters = &characters;
      device->super.fill_image = Image;
      device->super.fill_image_mask = ImageMask;
      device->super.fill_text = FillText;
      device->super.stroke_text = StrokeText;
      device->super.clip_text = ClipText;
      device->super.clip_stroke_text = ClipStrokeText;
      device->super.ignore_text = IgnoreText;
      pdf_run_page_contents(ctx, page, &device->super, fz_identity, nullptr);
      fz_close_device(ctx, &device->super);
    }
    fz_always(ctx) {
      fz_drop_device(ctx, &device->super);
      fz_drop_page(ctx, &page->super);
    }
    fz_catch(ctx) { ran = false; }
    if (!ran) continue;
    const float pageArea = Area(bounds);
    for (const fz_rect& image : images) {
      const fz_rect shown = fz_intersect_rect(image, bounds);
      if (pageArea <= 0 || Area(shown) < kImageShareOfPage * pageArea) continue;
      bool covered = false;
      for (const fz_point& c : characters) covered = covered || Inside(c, shown);
      if (!covered) {
        pages.push_back(p);
        break;
      }
    }
  }
  return pages;
}

}  // namespace docscan
