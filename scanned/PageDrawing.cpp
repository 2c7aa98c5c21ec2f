#include "PageDrawing.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "pdf/Document.h"

namespace scanned {

namespace {

struct Image {
  fz_image* image;  // kept
  fz_matrix ctm;
  bool isMask;
  bool opaque;
  size_t charactersBefore;
};

struct Character {
  DrawnCharacter drawn;
  bool paintingMode;  // filled or stroked with some opacity (not a clip, not invisible)
};

struct Collector {
  fz_device super;
  std::vector<Image>* images;
  std::vector<Character>* characters;
};

Collector* Self(fz_device* dev) { return reinterpret_cast<Collector*>(dev); }

void AddImage(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, bool isMask, float alpha) {
  const bool opaque = !isMask && alpha >= 1 && !image->mask && !image->use_colorkey;
  Self(dev)->images->push_back({fz_keep_image(ctx, image), ctm, isMask, opaque, Self(dev)->characters->size()});
}
void FillImage(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, float alpha, fz_color_params) {
  AddImage(ctx, dev, image, ctm, false, alpha);
}
void FillImageMask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, fz_colorspace*, const float*,
                   float alpha, fz_color_params) {
  AddImage(ctx, dev, image, ctm, true, alpha);
}

// Each glyph: its middle (half its advance along the line, a third of the size above the
// baseline) and its box.
void AddText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm, bool painting) {
  for (const fz_text_span* span = text->head; span; span = span->next) {
    for (int i = 0; i < span->len; ++i) {
      const fz_text_item& item = span->items[i];
      if (item.gid < 0) continue;
      const float advance = span->wmode ? 1 : fz_advance_glyph(ctx, span->font, item.gid, 0);
      fz_matrix trm = span->trm;
      trm.e = item.x;
      trm.f = item.y;
      const fz_matrix toDevice = fz_concat(trm, ctm);
      DrawnCharacter c;
      c.middle = fz_transform_point_xy(advance / 2, 0.35f, toDevice);
      c.box = fz_transform_rect(fz_make_rect(0, -0.2f, std::max(advance, 0.01f), 0.8f), toDevice);
      c.advance = fz_transform_vector(span->wmode ? fz_make_point(0, -1) : fz_make_point(1, 0), toDevice);
      c.space = item.ucs == ' ' || item.ucs == 0x3000 || item.ucs == 0xA0;
      Self(dev)->characters->push_back({c, painting});
    }
  }
}
void FillText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm, fz_colorspace*, const float*,
              float alpha, fz_color_params) {
  AddText(ctx, dev, text, ctm, alpha > 0);
}
void StrokeText(fz_context* ctx, fz_device* dev, const fz_text* text, const fz_stroke_state*, fz_matrix ctm,
                fz_colorspace*, const float*, float alpha, fz_color_params) {
  AddText(ctx, dev, text, ctm, alpha > 0);
}
void ClipText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm, fz_rect) {
  AddText(ctx, dev, text, ctm, false);
}
void ClipStrokeText(fz_context* ctx, fz_device* dev, const fz_text* text, const fz_stroke_state*, fz_matrix ctm,
                    fz_rect) {
  AddText(ctx, dev, text, ctm, false);
}
void IgnoreText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm) {
  AddText(ctx, dev, text, ctm, false);
}

bool Runs(standin::pdf::Document& document, int p, std::vector<Image>& images, std::vector<Character>& characters,
          fz_matrix* pageToDevice) {
  fz_context* ctx = document.ctx;
  Collector* device = nullptr;
  fz_var(device);
  fz_try(ctx) { device = fz_new_derived_device(ctx, Collector); }
  fz_catch(ctx) { return false; }
  device->images = &images;
  device->characters = &characters;
  device->super.fill_image = FillImage;
  device->super.fill_image_mask = FillImageMask;
  device->super.fill_text = FillText;
  device->super.stroke_text = StrokeText;
  device->super.clip_text = ClipText;
  device->super.clip_stroke_text = ClipStrokeText;
  device->super.ignore_text = IgnoreText;
  const bool ran = docscan::RunPageContents(document, p, &device->super, nullptr, pageToDevice);
  fz_drop_device(ctx, &device->super);
  return ran;
}

bool Shows(fz_matrix imageToDevice, fz_point point) {
  const fz_point unit = fz_transform_point(point, fz_invert_matrix(imageToDevice));
  return unit.x >= 0 && unit.x <= 1 && unit.y >= 0 && unit.y <= 1;
}

std::pair<long, long> Cell(fz_point p) { return {std::lround(p.x * 4), std::lround(p.y * 4)}; }

}  // namespace

PageDrawing DrawingOfPage(standin::pdf::Document& document, int p) {
  PageDrawing drawing;
  fz_context* ctx = document.ctx;
  pdf_obj* pageObject = docscan::PageThatMayDrawImages(document, p);
  if (!pageObject) return drawing;
  std::vector<Image> images;
  std::vector<Character> characters;
  drawing.ran = Runs(document, p, images, characters, &drawing.pageToDevice);
  const std::vector<pdf_obj*> xobjects =
      drawing.ran && !images.empty() ? docscan::PageImageXObjects(ctx, pageObject) : std::vector<pdf_obj*>{};
  if (drawing.ran && !images.empty()) {
    // A glyph filled and also added to the clip (render modes 4 to 6) is one painted character.
    std::set<std::pair<long, long>> painted;
    for (const Character& c : characters)
      if (c.paintingMode) painted.insert(Cell(c.drawn.middle));
    auto kept = [&](const Character& c) { return c.paintingMode || !painted.count(Cell(c.drawn.middle)); };
    for (const Character& c : characters)
      if (kept(c)) {
        drawing.characters.push_back(c.drawn);
        drawing.characters.back().painted = c.paintingMode;
      }
    // An opaque image hides what was drawn before it (the characters kept above are in the same
    // order, less the clip copies of painted glyphs).
    std::vector<size_t> keptBefore(characters.size() + 1, 0);
    for (size_t i = 0; i < characters.size(); ++i)
      keptBefore[i + 1] = keptBefore[i] + (kept(characters[i]) ? 1 : 0);
    for (size_t i = 0; i < images.size(); ++i) {
      const Image& drawn = images[i];
      docscan::ImagePlacement placement;
      placement.page = p;
      placement.isMask = drawn.isMask;
      placement.width = drawn.image->w;
      placement.height = drawn.image->h;
      placement.imageToDevice = drawn.ctm;
      placement.pageToDevice = drawing.pageToDevice;
      placement.object = docscan::ImageObjectNumber(ctx, drawn.image, xobjects);
      placement.drawnIndex = static_cast<int>(i);
      drawing.images.push_back(placement);
      if (!drawn.opaque) continue;
      for (size_t c = 0; c < keptBefore[drawn.charactersBefore]; ++c)
        if (Shows(drawn.ctm, drawing.characters[c].middle)) drawing.characters[c].painted = false;
    }
  }
  for (Image& drawn : images) fz_drop_image(ctx, drawn.image);
  return drawing;
}

}  // namespace scanned
