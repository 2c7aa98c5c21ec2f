// Page objects: what one drawing operator of a page's content put on the page.
//
// Text objects (one per Tj, TJ, ' or ") have their own space, the text-object space: the text
// space of the text matrix `tm` in force when the operator started drawing (after the line move
// of ' and "). A character's origin (x, y) is its pen position in that space, without the rise:
// the first character of an object is at (0, 0), the next at its advance, and so on. Host 83:8
// reports (tm.a, tm.b, tm.c, tm.d); host 82:26 multiplies `tm` by the given matrix on the right,
// in the space the text matrix maps into (the user space of `ctm`). Translating a clone by
// (a x0 + c y0, b x0 + d y0) therefore moves its origin to where text-object point (x0, y0) was.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pdf/SharedVector.h"

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace standin::pdf {

class Page;
struct Font;

constexpr int32_t kSpacingCode = -1;

// One item of a text object: a character code with its origin, or a TJ spacing number
// (thousandths of the text size; positive moves left in horizontal writing, as in TJ arrays).
struct TextItem {
  int32_t code = kSpacingCode;
  int codeLength = 1;   // bytes of the code in the content
  float x = 0;          // origin in text-object space; for spacing items, the spacing number
  float y = 0;
};

// Where a text object draws one glyph.
struct GlyphPlacement {
  int item = 0;                   // index in the object's items
  int cid = 0;
  int gid = 0;
  fz_matrix trm = fz_identity;    // glyph space -> user space (before the CTM)
  fz_point advance = {0, 0};      // pen move in text space
};

// The text state parameters that Tf, Tc, Tw, Tz, TL, Ts and Tr set.
struct TextParameters {
  pdf_font_desc* font = nullptr;
  float size = 0;
  float charSpace = 0;
  float wordSpace = 0;
  float scale = 1;     // Tz / 100
  float leading = 0;
  float rise = 0;
  int render = 0;
};

// The state a text object is drawn with.
struct TextState : TextParameters {
  // `font` is a kept reference here.
  std::string fontResource;        // name under the page's /Font resources; empty for new fonts
  pdf_obj* fontDictionary = nullptr;  // kept; used for new fonts added to the resources
  fz_matrix tm = fz_identity;
  fz_matrix ctm = fz_identity;    // user space -> page's default user space
};

struct FillColor {
  int components = 0;   // 1 gray, 3 RGB, 4 CMYK; 0: the colour in force where it was drawn
  float value[4] = {0, 0, 0, 0};
};

// A character drawn by a form XObject: part of the page text, but of no page-level object.
struct FormGlyph {
  pdf_font_desc* font = nullptr;  // kept
  int cid = 0;
  int gid = 0;
  fz_matrix trm = fz_identity;    // glyph space -> page's default user space
  float size = 0;
  fz_matrix matrix = fz_identity; // text space -> page space (for the character's matrix)
};

struct PageObject {
  PageObject() = default;
  ~PageObject();
  PageObject(const PageObject&) = delete;
  PageObject& operator=(const PageObject&) = delete;

  int32_t kind = 0;           // kPageObjectText ... kPageObjectInlineImage
  fz_rect bbox = fz_empty_rect;  // in the page's default user space

  // Where the object comes from: the index of the page-level drawing operator that drew it
  // (clones keep their source's), or -1 for objects made by host 83:0.
  int anchor = -1;
  // Drawn by its own operator, unchanged: regeneration copies that operator.
  bool original = false;

  // Object list links (the page's list); position handles are the objects themselves.
  Page* page = nullptr;
  PageObject* prev = nullptr;
  PageObject* next = nullptr;
  bool listed = false;

  // Text objects.
  TextState text;
  fz_matrix lineMatrix = fz_identity;  // text line matrix after the operator
  FillColor fill;
  SharedVector<TextItem> items;
  SharedVector<GlyphPlacement> glyphs;  // the layout of `items`, kept current by every edit
  // Code -> byte length of the codes the object showed, made on first need (CodeLengthsOf) and
  // shared with its clones, so that cutting an object into many runs costs each run only its
  // own length. A cache: dropped when the font or the shown bytes change.
  mutable std::shared_ptr<const std::map<int32_t, int>> codeLengths;

  // Form objects: the characters the form draws.
  std::vector<FormGlyph> formGlyphs;

  fz_context* ctx = nullptr;  // for releasing the kept references
};

// The object's code-length map (see PageObject::codeLengths), made now if it is not yet.
const std::shared_ptr<const std::map<int32_t, int>>& CodeLengthsOf(const PageObject& object);

std::unique_ptr<PageObject> CloneObject(const PageObject& source);

// An edit of the object: regeneration writes it anew instead of copying its operator.
void MarkEdited(PageObject& object);

}  // namespace standin::pdf
