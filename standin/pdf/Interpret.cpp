// The page interpreter: a MuPDF content processor that records page objects.
//
// The callbacks run inside MuPDF's interpreter, which unwinds with longjmp: they keep no C++
// objects with destructors on their own frames while calling MuPDF functions that can throw,
// and catch MuPDF errors locally where a failure must not end the page.
#include "pdf/Interpret.h"

#include <cmath>
#include <cstring>

#include "HostAbi.h"
#include "pdf/Page.h"
#include "pdf/TextLayout.h"

namespace standin::pdf {
namespace {

constexpr int kMaxFormDepth = 12;

struct GState : TextParameters {  // `font` is borrowed: the interpreter keeps every font it met
  fz_matrix ctm = fz_identity;
  fz_rect clip = fz_infinite_rect;
  float lineWidth = 1;
  std::string fontName;
};

struct Interpreter {
  pdf_processor super;
  fz_context* ctx;
  pdf_document* doc;
  std::vector<GState> stack;
  fz_matrix tm;
  fz_matrix tlm;
  fz_rect pathBox;
  bool pendingClip;
  int depth;                      // form nesting; 0 = the page's own content
  int anchor;                     // page-level drawing operators met so far
  PageObject* form;               // the page-level form object whose content runs (depth > 0)
  std::vector<std::unique_ptr<PageObject>>* out;
  std::vector<pdf_font_desc*> fonts;  // kept references, dropped at the end
  fz_rect mediabox;
  std::vector<MarkedSpan>* marked;
  std::vector<int> openMarked;    // indices in *marked of the sequences not ended yet
};

Interpreter* Self(pdf_processor* proc) { return reinterpret_cast<Interpreter*>(proc); }
GState& Top(Interpreter* p) { return p->stack.back(); }

PageObject* NewObject(Interpreter* p, int32_t kind, fz_rect bbox) {
  auto object = std::make_unique<PageObject>();
  object->ctx = p->ctx;
  object->kind = kind;
  object->bbox = bbox;
  object->anchor = p->anchor++;
  object->original = true;
  p->out->push_back(std::move(object));
  return p->out->back().get();
}

// A drawing operator: a page object at page level; inside a form, nothing of its own.
void Drawn(Interpreter* p, int32_t kind, fz_rect bbox) {
  if (p->depth == 0) NewObject(p, kind, bbox);
}

fz_rect UnitSquare(Interpreter* p) {
  return fz_transform_rect(fz_unit_rect, Top(p).ctm);
}

// --- graphics state
void op_q(fz_context*, pdf_processor* proc) {
  Interpreter* p = Self(proc);
  p->stack.push_back(p->stack.back());
}
void op_Q(fz_context*, pdf_processor* proc) {
  Interpreter* p = Self(proc);
  if (p->stack.size() > 1) p->stack.pop_back();
}
void op_cm(fz_context*, pdf_processor* proc, float a, float b, float c, float d, float e, float f) {
  GState& g = Top(Self(proc));
  g.ctm = fz_concat(fz_make_matrix(a, b, c, d, e, f), g.ctm);
}
void op_w(fz_context*, pdf_processor* proc, float width) { Top(Self(proc)).lineWidth = width; }

// --- paths
void AddPoint(Interpreter* p, float x, float y) {
  p->pathBox = fz_include_point_in_rect(p->pathBox, fz_transform_point_xy(x, y, Top(p).ctm));
}
void op_m(fz_context*, pdf_processor* proc, float x, float y) { AddPoint(Self(proc), x, y); }
void op_l(fz_context*, pdf_processor* proc, float x, float y) { AddPoint(Self(proc), x, y); }
void op_c(fz_context*, pdf_processor* proc, float x1, float y1, float x2, float y2, float x3, float y3) {
  Interpreter* p = Self(proc);
  AddPoint(p, x1, y1);
  AddPoint(p, x2, y2);
  AddPoint(p, x3, y3);
}
void op_v(fz_context*, pdf_processor* proc, float x2, float y2, float x3, float y3) {
  Interpreter* p = Self(proc);
  AddPoint(p, x2, y2);
  AddPoint(p, x3, y3);
}
void op_y(fz_context*, pdf_processor* proc, float x1, float y1, float x3, float y3) {
  Interpreter* p = Self(proc);
  AddPoint(p, x1, y1);
  AddPoint(p, x3, y3);
}
void op_h(fz_context*, pdf_processor*) {}
void op_re(fz_context*, pdf_processor* proc, float x, float y, float w, float h) {
  Interpreter* p = Self(proc);
  AddPoint(p, x, y);
  AddPoint(p, x + w, y + h);
  AddPoint(p, x + w, y);
  AddPoint(p, x, y + h);
}
void op_W(fz_context*, pdf_processor* proc) { Self(proc)->pendingClip = true; }

void EndPath(Interpreter* p, bool paint, bool stroke) {
  GState& g = Top(p);
  fz_rect box = p->pathBox;
  if (stroke && !fz_is_empty_rect(box)) {
    float expansion = fz_matrix_expansion(g.ctm) * g.lineWidth / 2;
    box = fz_expand_rect(box, expansion);
  }
  if (paint) Drawn(p, kPageObjectPath, box);
  if (p->pendingClip) g.clip = fz_intersect_rect(g.clip, p->pathBox);
  p->pendingClip = false;
  p->pathBox = fz_empty_rect;
}
void op_fill(fz_context*, pdf_processor* proc) { EndPath(Self(proc), true, false); }
void op_stroke(fz_context*, pdf_processor* proc) { EndPath(Self(proc), true, true); }
void op_n(fz_context*, pdf_processor* proc) { EndPath(Self(proc), false, false); }

// --- text state
void op_BT(fz_context*, pdf_processor* proc) {
  Interpreter* p = Self(proc);
  p->tm = p->tlm = fz_identity;
}
void op_ET(fz_context*, pdf_processor*) {}
void op_Tc(fz_context*, pdf_processor* proc, float v) { Top(Self(proc)).charSpace = v; }
void op_Tw(fz_context*, pdf_processor* proc, float v) { Top(Self(proc)).wordSpace = v; }
void op_Tz(fz_context*, pdf_processor* proc, float v) { Top(Self(proc)).scale = v / 100; }
void op_TL(fz_context*, pdf_processor* proc, float v) { Top(Self(proc)).leading = v; }
void op_Ts(fz_context*, pdf_processor* proc, float v) { Top(Self(proc)).rise = v; }
void op_Tr(fz_context*, pdf_processor* proc, int v) { Top(Self(proc)).render = v; }
void op_Tf(fz_context* ctx, pdf_processor* proc, const char* name, pdf_font_desc* font, float size) {
  Interpreter* p = Self(proc);
  GState& g = Top(p);
  if (font) {
    p->fonts.push_back(pdf_keep_font(ctx, font));
  }
  g.font = font;
  g.fontName = name ? name : "";
  g.size = size;
}
void op_Td(fz_context*, pdf_processor* proc, float tx, float ty) {
  Interpreter* p = Self(proc);
  p->tlm = fz_pre_translate(p->tlm, tx, ty);
  p->tm = p->tlm;
}
void op_TD(fz_context* ctx, pdf_processor* proc, float tx, float ty) {
  Top(Self(proc)).leading = -ty;
  op_Td(ctx, proc, tx, ty);
}
void op_Tm(fz_context*, pdf_processor* proc, float a, float b, float c, float d, float e, float f) {
  Interpreter* p = Self(proc);
  p->tm = p->tlm = fz_make_matrix(a, b, c, d, e, f);
}
void op_Tstar(fz_context* ctx, pdf_processor* proc) {
  op_Td(ctx, proc, 0, -Top(Self(proc)).leading);
}

// --- text showing
TextState Snapshot(Interpreter* p) {
  const GState& g = Top(p);
  TextState s;
  s.font = g.font;
  s.fontResource = g.fontName;
  s.size = g.size;
  s.charSpace = g.charSpace;
  s.wordSpace = g.wordSpace;
  s.scale = g.scale;
  s.leading = g.leading;
  s.rise = g.rise;
  s.render = g.render;
  s.tm = p->tm;
  s.ctm = g.ctm;
  return s;
}

// Lays out the items at the current text matrix, records them, and advances the text matrix.
void Show(Interpreter* p, std::vector<TextItem>* items) {
  fz_context* ctx = p->ctx;
  TextState state = Snapshot(p);
  std::vector<GlyphPlacement> glyphs;
  fz_point end = {0, 0};
  bool ok = true;
  fz_var(end);
  fz_var(ok);
  fz_try(ctx) { end = LayoutText(ctx, state, *items, &glyphs); }
  fz_catch(ctx) { ok = false; }
  if (!ok) glyphs.clear();
  p->tm = fz_pre_translate(p->tm, end.x, end.y);

  if (p->depth == 0) {
    PageObject* object = NewObject(p, kPageObjectText, TextBounds(ctx, state, glyphs));
    object->lineMatrix = p->tlm;
    if (state.font) pdf_keep_font(ctx, state.font);
    object->text = std::move(state);
    object->items = std::move(*items);
    object->glyphs = std::move(glyphs);
    return;
  }
  if (!p->form || !state.font) return;
  for (const GlyphPlacement& g : glyphs) {
    FormGlyph fg;
    fg.font = pdf_keep_font(ctx, state.font);
    fg.cid = g.cid;
    fg.gid = g.gid;
    fg.trm = fz_concat(g.trm, state.ctm);
    fg.size = state.size;
    fg.matrix = fz_concat(state.tm, state.ctm);
    p->form->formGlyphs.push_back(fg);
  }
}

void ShowString(Interpreter* p, const unsigned char* bytes, size_t length) {
  std::vector<TextItem> items;
  DecodeString(Top(p).font, bytes, length, items);
  Show(p, &items);
}

void op_Tj(fz_context*, pdf_processor* proc, char* str, size_t len) {
  ShowString(Self(proc), reinterpret_cast<unsigned char*>(str), len);
}
void op_TJ(fz_context* ctx, pdf_processor* proc, pdf_obj* array) {
  Interpreter* p = Self(proc);
  std::vector<TextItem> items;
  int n = pdf_array_len(ctx, array);
  for (int i = 0; i < n; ++i) {
    pdf_obj* element = pdf_array_get(ctx, array, i);
    if (pdf_is_string(ctx, element)) {
      DecodeString(Top(p).font, reinterpret_cast<const unsigned char*>(pdf_to_str_buf(ctx, element)),
                   pdf_to_str_len(ctx, element), items);
    } else if (pdf_is_number(ctx, element)) {
      TextItem spacing;
      spacing.code = kSpacingCode;
      spacing.codeLength = 0;
      spacing.x = pdf_to_real(ctx, element);
      items.push_back(spacing);
    }
  }
  Show(p, &items);
}
void op_squote(fz_context* ctx, pdf_processor* proc, char* str, size_t len) {
  op_Tstar(ctx, proc);
  op_Tj(ctx, proc, str, len);
}
void op_dquote(fz_context* ctx, pdf_processor* proc, float aw, float ac, char* str, size_t len) {
  GState& g = Top(Self(proc));
  g.wordSpace = aw;
  g.charSpace = ac;
  op_squote(ctx, proc, str, len);
}

// --- images, shadings, forms
void op_BI(fz_context*, pdf_processor* proc, fz_image*, const char*) {
  Interpreter* p = Self(proc);
  Drawn(p, kPageObjectInlineImage, UnitSquare(p));
}
void op_Do_image(fz_context*, pdf_processor* proc, const char*, fz_image*) {
  Interpreter* p = Self(proc);
  Drawn(p, kPageObjectImage, UnitSquare(p));
}
void op_sh(fz_context* ctx, pdf_processor* proc, const char*, fz_shade* shade) {
  Interpreter* p = Self(proc);
  fz_rect box = fz_infinite_rect;
  fz_try(ctx) { box = fz_bound_shade(ctx, shade, Top(p).ctm); }
  fz_catch(ctx) { box = fz_infinite_rect; }
  box = fz_intersect_rect(box, Top(p).clip);
  box = fz_intersect_rect(box, p->mediabox);
  Drawn(p, kPageObjectShading, box);
}

void op_Do_form(fz_context* ctx, pdf_processor* proc, const char*, pdf_obj* xobj, pdf_obj* pageResources) {
  Interpreter* p = Self(proc);
  PageObject* pageObject = p->depth == 0 ? NewObject(p, kPageObjectForm, fz_empty_rect) : nullptr;
  if (p->depth >= kMaxFormDepth) return;
  fz_matrix matrix = fz_identity;
  fz_rect bbox = fz_empty_rect;
  pdf_obj* resources = nullptr;
  fz_var(matrix);
  fz_var(bbox);
  fz_var(resources);
  fz_try(ctx) {
    matrix = pdf_xobject_matrix(ctx, xobj);
    bbox = pdf_xobject_bbox(ctx, xobj);
    resources = pdf_xobject_resources(ctx, xobj);
  }
  fz_catch(ctx) { return; }
  if (!resources) resources = pageResources;
  fz_matrix ctm = fz_concat(matrix, Top(p).ctm);
  if (pageObject) {
    pageObject->bbox = fz_transform_rect(bbox, ctm);
    p->form = pageObject;
  }
  if (!p->form || pdf_mark_obj(ctx, xobj)) return;  // a form that draws itself

  // Run the form's content in a saved state; its text belongs to the page text only.
  fz_matrix savedTm = p->tm, savedTlm = p->tlm;
  size_t savedDepth = p->stack.size();
  p->stack.push_back(p->stack.back());
  Top(p).ctm = ctm;
  p->depth++;
  fz_try(ctx) { pdf_process_contents(ctx, proc, p->doc, resources, xobj, nullptr); }
  fz_always(ctx) { pdf_unmark_obj(ctx, xobj); }
  fz_catch(ctx) { /* the form's damaged content draws what it drew */ }
  p->depth--;
  p->stack.resize(savedDepth);
  p->tm = savedTm;
  p->tlm = savedTlm;
  if (p->depth == 0) p->form = nullptr;
}

// --- marked content (page level only: forms are written as they are)
void BeginMarked(Interpreter* p) {
  if (p->depth > 0) return;
  p->openMarked.push_back(static_cast<int>(p->marked->size()));
  p->marked->push_back({p->anchor, p->anchor});
}
void op_BMC(fz_context*, pdf_processor* proc, const char*) { BeginMarked(Self(proc)); }
void op_BDC(fz_context*, pdf_processor* proc, const char*, pdf_obj*, pdf_obj*) { BeginMarked(Self(proc)); }
void op_EMC(fz_context*, pdf_processor* proc) {
  Interpreter* p = Self(proc);
  if (p->depth > 0 || p->openMarked.empty()) return;
  (*p->marked)[static_cast<size_t>(p->openMarked.back())].endAnchor = p->anchor;
  p->openMarked.pop_back();
}

void op_END(fz_context*, pdf_processor*) {}

[[gnu::noinline]] pdf_processor* NewInterpreter(fz_context* ctx) {
  Interpreter* p = static_cast<Interpreter*>(pdf_new_processor(ctx, sizeof(Interpreter)));
  pdf_processor& s = p->super;
  s.op_w = op_w;
  s.op_q = op_q;
  s.op_Q = op_Q;
  s.op_cm = op_cm;
  s.op_m = op_m;
  s.op_l = op_l;
  s.op_c = op_c;
  s.op_v = op_v;
  s.op_y = op_y;
  s.op_h = op_h;
  s.op_re = op_re;
  s.op_S = op_stroke;
  s.op_s = op_stroke;
  s.op_F = op_fill;
  s.op_f = op_fill;
  s.op_fstar = op_fill;
  s.op_B = op_stroke;
  s.op_Bstar = op_stroke;
  s.op_b = op_stroke;
  s.op_bstar = op_stroke;
  s.op_n = op_n;
  s.op_W = op_W;
  s.op_Wstar = op_W;
  s.op_BT = op_BT;
  s.op_ET = op_ET;
  s.op_Tc = op_Tc;
  s.op_Tw = op_Tw;
  s.op_Tz = op_Tz;
  s.op_TL = op_TL;
  s.op_Tf = op_Tf;
  s.op_Tr = op_Tr;
  s.op_Ts = op_Ts;
  s.op_Td = op_Td;
  s.op_TD = op_TD;
  s.op_Tm = op_Tm;
  s.op_Tstar = op_Tstar;
  s.op_TJ = op_TJ;
  s.op_Tj = op_Tj;
  s.op_squote = op_squote;
  s.op_dquote = op_dquote;
  s.op_BI = op_BI;
  s.op_sh = op_sh;
  s.op_Do_image = op_Do_image;
  s.op_Do_form = op_Do_form;
  s.op_BMC = op_BMC;
  s.op_BDC = op_BDC;
  s.op_EMC = op_EMC;
  s.op_END = op_END;
  return &s;
}

// While it lives, notes whether MuPDF reported content it could not read: an error thrown (a
// font that cannot be loaded, content that cannot be parsed, even where MuPDF recovers and goes
// on with a substitute) or a warning about undecodable data. MuPDF recovers quietly from both,
// so the page's text can lack what other readers find there.
class LostContentWatch {
 public:
  explicit LostContentWatch(fz_context* ctx) : ctx_(ctx) {
    fz_flush_warnings(ctx);
    warning_ = fz_warning_callback(ctx, &warningUser_);
    error_ = fz_error_callback(ctx, &errorUser_);
    fz_set_warning_callback(ctx, &OnWarning, this);
    fz_set_error_callback(ctx, &OnError, this);
  }
  ~LostContentWatch() {
    fz_flush_warnings(ctx_);
    fz_set_warning_callback(ctx_, warning_, warningUser_);
    fz_set_error_callback(ctx_, error_, errorUser_);
  }
  LostContentWatch(const LostContentWatch&) = delete;
  LostContentWatch& operator=(const LostContentWatch&) = delete;

  bool Lost() {
    fz_flush_warnings(ctx_);
    return lost_;
  }

 private:
  static void OnError(void* user, const char*) { static_cast<LostContentWatch*>(user)->lost_ = true; }
  static void OnWarning(void* user, const char* message) {
    for (const char* sign : {"error", "decode", "zlib", "flate", "lzw", "truncated", "premature"})
      if (std::strstr(message, sign)) static_cast<LostContentWatch*>(user)->lost_ = true;
  }

  fz_context* ctx_;
  fz_warning_cb* warning_ = nullptr;
  void* warningUser_ = nullptr;
  fz_error_cb* error_ = nullptr;
  void* errorUser_ = nullptr;
  bool lost_ = false;
};

}  // namespace

Interpretation InterpretPage(Page& page) {
  Interpretation result;
  std::vector<std::unique_ptr<PageObject>>& objects = result.objects;
  fz_context* ctx = page.document.ctx;
  pdf_document* doc = page.document.doc;
  pdf_obj* resources = page.Resources();
  pdf_obj* contents = nullptr;
  fz_rect mediabox = fz_infinite_rect;
  fz_var(contents);
  fz_var(mediabox);
  fz_try(ctx) {
    contents = pdf_dict_get(ctx, page.dictionary, PDF_NAME(Contents));
    mediabox = pdf_to_rect(ctx, pdf_dict_get_inheritable(ctx, page.dictionary, PDF_NAME(MediaBox)));
  }
  fz_catch(ctx) { contents = nullptr; }

  pdf_processor* proc = nullptr;
  fz_var(proc);
  fz_try(ctx) { proc = NewInterpreter(ctx); }
  fz_catch(ctx) { return result; }
  Interpreter* p = Self(proc);
  // The processor's memory is zeroed C storage: construct its C++ members in place.
  new (&p->stack) std::vector<GState>(1);
  p->out = &objects;
  new (&p->fonts) std::vector<pdf_font_desc*>();
  new (&p->openMarked) std::vector<int>();
  p->marked = &result.marked;
  p->ctx = ctx;
  p->doc = doc;
  p->tm = p->tlm = fz_identity;
  p->pathBox = fz_empty_rect;
  p->mediabox = fz_is_empty_rect(mediabox) ? fz_infinite_rect : mediabox;

  bool ok = true;
  fz_var(ok);
  LostContentWatch watch(ctx);
  if (contents) {
    fz_try(ctx) { pdf_process_contents(ctx, proc, doc, resources, contents, nullptr); }
    fz_catch(ctx) { ok = false; }
  }
  result.textLost = watch.Lost();
  for (pdf_font_desc* f : p->fonts) pdf_drop_font(ctx, f);
  // Sequences left open end with the content.
  for (int open : p->openMarked) result.marked[static_cast<size_t>(open)].endAnchor = p->anchor;
  p->openMarked.~vector();
  p->fonts.~vector();
  p->stack.~vector();
  pdf_drop_processor(ctx, proc);
  result.complete = ok;
  return result;
}

}  // namespace standin::pdf
