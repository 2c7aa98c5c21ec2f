#include "pdf/TextPage.h"

#include <cmath>

#include "pdf/ControlCharacters.h"
#include "pdf/Page.h"
#include "pdf/TextLayout.h"

namespace standin::pdf {
namespace {

// Gaps along the line, in font sizes, from which a space is inserted, and offsets across the
// line from which a new line starts (as MuPDF's structured text uses them).
constexpr float kSpaceGap = 0.15f;
constexpr float kLineOffset = 0.5f;
constexpr float kBackwardsGap = 0.5f;

struct Pen {
  bool active = false;
  fz_point end = {0, 0};
  fz_point dir = {1, 0};
  float size = 0;
  int line = 0;
};

// Ligatures are split into their letters and white space becomes a plain space, as MuPDF's
// text extraction does by default.
void Normalize(int ucs, std::vector<int>& out) {
  switch (ucs) {
    case 0xFB00: out.insert(out.end(), {'f', 'f'}); return;
    case 0xFB01: out.insert(out.end(), {'f', 'i'}); return;
    case 0xFB02: out.insert(out.end(), {'f', 'l'}); return;
    case 0xFB03: out.insert(out.end(), {'f', 'f', 'i'}); return;
    case 0xFB04: out.insert(out.end(), {'f', 'f', 'l'}); return;
    case 0xFB05: out.insert(out.end(), {'f', 't'}); return;
    case 0xFB06: out.insert(out.end(), {'s', 't'}); return;
    case 0x0009: case 0x0020: case 0x00A0: case 0x1680: case 0x180E: case 0x2000: case 0x2001:
    case 0x2002: case 0x2003: case 0x2004: case 0x2005: case 0x2006: case 0x2007: case 0x2008:
    case 0x2009: case 0x200A: case 0x202F: case 0x205F: case 0x3000:
      out.push_back(' ');
      return;
    default:
      out.push_back(ucs);
  }
}

void AppendUtf16(int ucs, std::vector<char16_t>& units) {
  if (ucs < 0 || ucs > 0x10FFFF) ucs = 0xFFFD;
  if (ucs >= 0x10000) {
    ucs -= 0x10000;
    units.push_back(static_cast<char16_t>(0xD800 + (ucs >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + (ucs & 0x3FF)));
  } else {
    units.push_back(static_cast<char16_t>(ucs));
  }
}

fz_point Normalized(fz_point v) {
  float length = std::sqrt(v.x * v.x + v.y * v.y);
  if (length < 1e-6f) return {1, 0};
  return {v.x / length, v.y / length};
}

struct Builder {
  fz_context* ctx;
  TextPage& page;
  Pen pen;
  // A glyph's characters, reused from glyph to glyph.
  std::vector<int> values = {};
  std::vector<char16_t> units = {};

  // One drawn glyph: its characters, with a space or line break before them when the pen
  // moved away from the previous glyph's end.
  void AddGlyph(pdf_font_desc* font, int cid, int gid, fz_matrix trm, float fontSize,
                fz_matrix matrix, PageObject* object, int itemIndex) {
    int ucs[8];
    int n = UnicodeOf(font, cid, ucs);
    values.clear();
    for (int i = 0; i < n; ++i) Normalize(ReadableControl(ctx, font, cid, gid, ucs[i]), values);
    units.clear();
    for (int v : values) AppendUtf16(v, units);
    if (units.empty()) return;

    int wmode = font->wmode;
    fz_quad quad = CharQuad(ctx, font, cid, gid, trm);
    fz_point origin = {trm.e, trm.f};
    fz_point dir = Normalized(fz_transform_vector(wmode == 0 ? fz_point{1, 0} : fz_point{0, -1}, trm));
    float size = fz_matrix_expansion(trm);

    if (!pen.active) {
      pen.line = page.chars.empty() ? 0 : page.chars.back().line + 1;
    } else {
      fz_point delta = {origin.x - pen.end.x, origin.y - pen.end.y};
      float along = delta.x * dir.x + delta.y * dir.y;
      float across = delta.x * dir.y - delta.y * dir.x;
      float unit = std::max(size, pen.size);
      if (unit <= 0) unit = 1;
      bool sameDirection = dir.x * pen.dir.x + dir.y * pen.dir.y > 0.95f;
      if (!sameDirection || std::fabs(across) > kLineOffset * unit || along < -kBackwardsGap * unit) {
        AddGenerated(u'\n', quad, fontSize, matrix, true);
        pen.line++;
      } else if (along > kSpaceGap * unit && units.front() != u' ' && page.chars.back().unit != u' ') {
        const TextPageChar& last = page.chars.back();
        fz_quad gap = {last.quad.ur, quad.ul, last.quad.lr, quad.ll};
        AddGenerated(u' ', gap, fontSize, matrix, false);
      }
    }

    for (size_t i = 0; i < units.size(); ++i) {
      TextPageChar c;
      c.unit = units[i];
      c.object = object;
      c.itemIndex = itemIndex;
      c.fontSize = fontSize;
      c.matrix = matrix;
      c.line = pen.line;
      c.origin = origin;
      if (i == 0) {
        c.quad = quad;
      } else {
        // Further characters of one glyph start at its end, with no width of their own.
        c.quad = {quad.ur, quad.ur, quad.lr, quad.lr};
        c.origin = {origin.x + quad.lr.x - quad.ll.x, origin.y + quad.lr.y - quad.ll.y};
      }
      page.chars.push_back(c);
    }
    pen.active = true;
    pen.end = {origin.x + quad.lr.x - quad.ll.x, origin.y + quad.lr.y - quad.ll.y};
    pen.dir = dir;
    pen.size = size;
  }

  void AddGenerated(char16_t unit, fz_quad quad, float fontSize, fz_matrix matrix, bool lineBreak) {
    TextPageChar c;
    c.unit = unit;
    c.fontSize = fontSize;
    c.matrix = matrix;
    c.quad = quad;
    c.origin = quad.ll;
    c.line = pen.line;
    c.generated = true;
    if (lineBreak) c.quad = {quad.ll, quad.ll, quad.ll, quad.ll};
    page.chars.push_back(c);
  }
};

void AddTextObject(Builder& b, PageObject& object) {
  const TextState& state = object.text;
  if (!state.font) return;
  const std::vector<GlyphPlacement>& glyphs = object.glyphs.Read();
  fz_matrix matrix = fz_concat(state.tm, state.ctm);
  for (const GlyphPlacement& g : glyphs)
    b.AddGlyph(state.font, g.cid, g.gid, fz_concat(g.trm, state.ctm), state.size, matrix, &object, g.item);
}

}  // namespace

void AnalyseTextPage(TextPage& textPage) {
  textPage.chars.clear();
  Page& page = *textPage.page;
  page.EnsureModel();
  if (const std::vector<TextPageChar>* kept = page.AnalysedText()) {
    textPage.chars = *kept;
    textPage.analysed = true;
    return;
  }
  Builder builder{page.document.ctx, textPage};
  size_t expected = 0;
  for (PageObject* o = page.First(); o; o = o->next) expected += o->glyphs.size() + o->formGlyphs.size();
  textPage.chars.reserve(expected + expected / 8);
  for (PageObject* o = page.First(); o; o = o->next) {
    if (o->kind == kPageObjectText) {
      AddTextObject(builder, *o);
    } else if (o->kind == kPageObjectForm) {
      for (const FormGlyph& g : o->formGlyphs)
        builder.AddGlyph(g.font, g.cid, g.gid, g.trm, g.size, g.matrix, nullptr, -1);
    }
  }
  textPage.analysed = true;
  page.KeepAnalysedText(textPage.chars);
}

std::u16string TextOfRange(const TextPage& textPage, int first, int count) {
  std::u16string text;
  int size = static_cast<int>(textPage.chars.size());
  if (first < 0) {
    count += first;
    first = 0;
  }
  for (int i = first; i < size && i < first + count; ++i) text.push_back(textPage.chars[static_cast<size_t>(i)].unit);
  return text;
}

std::vector<HostBox> BoxesOfRange(const TextPage& textPage, int first, int count) {
  std::vector<HostBox> boxes;
  int size = static_cast<int>(textPage.chars.size());
  if (first < 0) {
    count += first;
    first = 0;
  }
  bool open = false;
  int line = -1;
  HostBox box = {0, 0, 0, 0};
  for (int i = first; i < size && i < first + count; ++i) {
    const TextPageChar& c = textPage.chars[static_cast<size_t>(i)];
    if (c.generated && c.unit == u'\n') continue;
    if (open && c.line != line) {
      boxes.push_back(box);
      open = false;
    }
    fz_rect r = fz_rect_from_quad(c.quad);
    if (!open) {
      box = {r.x0, r.y0, r.x1, r.y1};
      open = true;
      line = c.line;
    } else {
      box = {std::min(box.x0, r.x0), std::min(box.y0, r.y0), std::max(box.x1, r.x1), std::max(box.y1, r.y1)};
    }
  }
  if (open) boxes.push_back(box);
  return boxes;
}

}  // namespace standin::pdf
