// A MuPDF device collects where images and characters are drawn; nothing is rendered.
#include "ImagePages.h"

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
