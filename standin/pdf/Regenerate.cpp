// Regeneration runs the page's content once more through MuPDF's interpreter with a processor
// that passes every operator on to MuPDF's content writer, except the drawing operators of
// objects that were removed or changed. Changed objects (clones, edited text) are written where
// their source operator stood, so they keep its graphics state and clip; new objects are
// written at the end in the default graphics state.
//
// Text operators move the text matrix: when a text operator is left out or an object is written
// in its place, the text matrix and line matrix of the written content differ from the
// original's until the next positioning operator. The processor tracks that and writes an
// explicit Tm before the next operator that depends on them.
#include "pdf/Regenerate.h"

#include <cstring>
#include <map>
#include <set>

#include "HostAbi.h"
#include "pdf/ContentSpool.h"
#include "pdf/Page.h"
#include "pdf/TextLayout.h"

namespace standin::pdf {
namespace {

// A copy of a dictionary that shares nothing with it, down to its numbers and references (which
// are copied, not what they point to). A copy sharing any of it would keep the original in
// memory for as long as the copy stays, and the copy for as long as the original: neither can
// be let go while something else holds a part of it. Throws for what is not a dictionary.
pdf_obj* Unshared(fz_context* ctx, pdf_obj* obj) {
  if (pdf_is_indirect(ctx, obj))
    return pdf_new_indirect(ctx, pdf_get_indirect_document(ctx, obj), pdf_to_num(ctx, obj), pdf_to_gen(ctx, obj));
  if (pdf_is_dict(ctx, obj)) {
    const int n = pdf_dict_len(ctx, obj);
    pdf_obj* copy = pdf_new_dict(ctx, pdf_get_bound_document(ctx, obj), n);
    fz_try(ctx) {
      for (int i = 0; i < n; ++i)
        pdf_dict_put_drop(ctx, copy, pdf_dict_get_key(ctx, obj, i), Unshared(ctx, pdf_dict_get_val(ctx, obj, i)));
    }
    fz_catch(ctx) {
      pdf_drop_obj(ctx, copy);
      fz_rethrow(ctx);
    }
    return copy;
  }
  if (pdf_is_array(ctx, obj)) {
    const int n = pdf_array_len(ctx, obj);
    pdf_obj* copy = pdf_new_array(ctx, pdf_get_bound_document(ctx, obj), n);
    fz_try(ctx) {
      for (int i = 0; i < n; ++i) pdf_array_push_drop(ctx, copy, Unshared(ctx, pdf_array_get(ctx, obj, i)));
    }
    fz_catch(ctx) {
      pdf_drop_obj(ctx, copy);
      fz_rethrow(ctx);
    }
    return copy;
  }
  if (pdf_is_int(ctx, obj)) return pdf_new_int(ctx, pdf_to_int64(ctx, obj));
  if (pdf_is_real(ctx, obj)) return pdf_new_real(ctx, pdf_to_real(ctx, obj));
  if (pdf_is_string(ctx, obj)) return pdf_new_string(ctx, pdf_to_str_buf(ctx, obj), pdf_to_str_len(ctx, obj));
  if (pdf_is_name(ctx, obj)) return pdf_new_name(ctx, pdf_to_name(ctx, obj));
  return pdf_keep_obj(ctx, obj);  // null and the booleans: never made anew
}

pdf_obj* UnsharedCopy(fz_context* ctx, pdf_obj* dict) {
  if (!pdf_is_dict(ctx, dict)) return pdf_copy_dict(ctx, dict);
  return Unshared(ctx, pdf_resolve_indirect_chain(ctx, dict));
}

struct TextParams : TextParameters {
  std::string fontName;
};

struct Regen {
  pdf_processor super;
  pdf_processor* chain;
  fz_context* ctx;
  Page* page;
  int anchor;
  int qDepth;
  bool inText;
  bool clipText;       // a clipping text operator was drawn in the current BT
  bool tmDirty;
  bool tlmDirty;
  PageObject* lastText;
  std::vector<TextParams>* stack;
  std::vector<std::vector<PageObject*>>* groups;     // by anchor: the objects drawn there
  std::map<pdf_obj*, std::string>* newFonts;         // font dictionary -> resource name
  std::set<std::string>* usedNames;
  int marked;                                        // BMC/BDC operators met so far
  std::map<std::string, pdf_obj*>* strippedProperties;  // /Properties name -> stripped copy
  bool failed;
};

Regen* R(pdf_processor* proc) { return reinterpret_cast<Regen*>(proc); }
TextParams& Params(Regen* r) { return r->stack->back(); }

// ---------------------------------------------------------------------------------------------
// Writing objects.

void EmitTm(Regen* r, fz_matrix m) {
  r->chain->op_Tm(r->ctx, r->chain, m.a, m.b, m.c, m.d, m.e, m.f);
}

// The resource name under which the written content reaches the object's font.
const char* FontName(Regen* r, const TextState& state) {
  if (!state.fontResource.empty() && !state.fontDictionary) return state.fontResource.c_str();
  if (!state.fontDictionary) return nullptr;
  auto found = r->newFonts->find(state.fontDictionary);
  if (found != r->newFonts->end()) return found->second.c_str();
  for (int n = 1;; ++n) {
    std::string name = "VMF" + std::to_string(n);
    if (r->usedNames->insert(name).second) {
      auto inserted = r->newFonts->emplace(state.fontDictionary, name);
      return inserted.first->second.c_str();
    }
  }
}

// The TJ array of an object's items. Throws.
pdf_obj* TextArray(fz_context* ctx, const PageObject& object) {
  pdf_obj* array = pdf_new_array(ctx, nullptr, 8);
  std::string run;
  for (const TextItem& item : object.items) {
    if (item.code == kSpacingCode) {
      if (!run.empty()) pdf_array_push_drop(ctx, array, pdf_new_string(ctx, run.data(), run.size()));
      run.clear();
      pdf_array_push_real(ctx, array, item.x);
    } else {
      for (int i = item.codeLength - 1; i >= 0; --i)
        run.push_back(static_cast<char>((static_cast<uint32_t>(item.code) >> (8 * i)) & 0xFF));
    }
  }
  if (!run.empty()) pdf_array_push_drop(ctx, array, pdf_new_string(ctx, run.data(), run.size()));
  return array;
}

void EmitColor(Regen* r, const FillColor& fill) {
  pdf_processor* c = r->chain;
  const float* v = fill.value;
  if (fill.components == 1) c->op_g(r->ctx, c, v[0]);
  if (fill.components == 3) c->op_rg(r->ctx, c, v[0], v[1], v[2]);
  if (fill.components == 4) c->op_k(r->ctx, c, v[0], v[1], v[2], v[3]);
}

// Writes the text state parameters of `state` that differ from `current`; returns whether
// anything was written.
bool EmitTextParams(Regen* r, const TextState& state, const TextParams& current, const char* fontName) {
  pdf_processor* c = r->chain;
  fz_context* ctx = r->ctx;
  bool wrote = false;
  if (fontName && (state.font != current.font || state.size != current.size || current.fontName != fontName)) {
    c->op_Tf(ctx, c, fontName, state.font, state.size);
    wrote = true;
  }
  if (state.charSpace != current.charSpace) { c->op_Tc(ctx, c, state.charSpace); wrote = true; }
  if (state.wordSpace != current.wordSpace) { c->op_Tw(ctx, c, state.wordSpace); wrote = true; }
  if (state.scale != current.scale) { c->op_Tz(ctx, c, state.scale * 100); wrote = true; }
  if (state.leading != current.leading) { c->op_TL(ctx, c, state.leading); wrote = true; }
  if (state.rise != current.rise) { c->op_Ts(ctx, c, state.rise); wrote = true; }
  if (state.render != current.render) { c->op_Tr(ctx, c, state.render); wrote = true; }
  return wrote;
}

TextParams ParamsOf(const TextState& s, const char* fontName) {
  TextParams p;
  static_cast<TextParameters&>(p) = s;
  p.fontName = fontName ? fontName : "";
  return p;
}

TextState StateOf(const TextParams& p) {
  TextState s;
  static_cast<TextParameters&>(s) = p;
  return s;
}

void EmitTJ(Regen* r, const PageObject& object) {
  fz_context* ctx = r->ctx;
  pdf_obj* array = nullptr;
  fz_var(array);
  fz_try(ctx) {
    array = TextArray(ctx, object);
    r->chain->op_TJ(ctx, r->chain, array);
  }
  fz_always(ctx) { pdf_drop_obj(ctx, array); }
  fz_catch(ctx) { r->failed = true; }
}

// A changed text object at the place of its source operator, inside the source's text object
// and graphics state.
void EmitDerivedText(Regen* r, const PageObject& object) {
  pdf_processor* c = r->chain;
  fz_context* ctx = r->ctx;
  const TextState& state = object.text;
  const char* fontName = FontName(r, state);
  bool openedText = false;
  bool wrapped = false;
  if (!r->inText) {
    c->op_BT(ctx, c);
    openedText = true;
  } else if (object.fill.components > 0 && !r->clipText) {
    // A colour of its own: isolate it so that the following content keeps its colour.
    c->op_ET(ctx, c);
    c->op_q(ctx, c);
    c->op_BT(ctx, c);
    wrapped = true;
  }
  TextParams current = Params(r);
  bool changed = EmitTextParams(r, state, current, fontName);
  if (wrapped || openedText) EmitColor(r, object.fill);
  EmitTm(r, state.tm);
  EmitTJ(r, object);
  if (wrapped) {
    c->op_ET(ctx, c);
    c->op_Q(ctx, c);
    c->op_BT(ctx, c);
  } else if (changed) {
    // Put the source's parameters back for the operators that follow.
    EmitTextParams(r, StateOf(current), ParamsOf(state, fontName),
                   current.fontName.empty() ? nullptr : current.fontName.c_str());
  }
  if (openedText) c->op_ET(ctx, c);
  r->tmDirty = r->tlmDirty = true;
}

// A new object, at the end of the page, in the default graphics state.
void EmitNewText(Regen* r, const PageObject& object) {
  pdf_processor* c = r->chain;
  fz_context* ctx = r->ctx;
  const TextState& state = object.text;
  const char* fontName = FontName(r, state);
  if (!fontName || object.items.empty()) return;
  c->op_q(ctx, c);
  c->op_cm(ctx, c, state.ctm.a, state.ctm.b, state.ctm.c, state.ctm.d, state.ctm.e, state.ctm.f);
  EmitColor(r, object.fill);
  c->op_BT(ctx, c);
  TextParams defaults;
  EmitTextParams(r, state, defaults, fontName);
  EmitTm(r, state.tm);
  EmitTJ(r, object);
  c->op_ET(ctx, c);
  c->op_Q(ctx, c);
}

// ---------------------------------------------------------------------------------------------
// Drawing operators.

bool Kept(PageObject* o) { return o && o->listed && o->original; }

const std::vector<PageObject*>* GroupAt(Regen* r, int anchor) {
  if (anchor < 0 || anchor >= static_cast<int>(r->groups->size())) return nullptr;
  const std::vector<PageObject*>& group = (*r->groups)[static_cast<size_t>(anchor)];
  return group.empty() ? nullptr : &group;
}

// ---------------------------------------------------------------------------------------------
// Marked content.

const char* const kRepeatedTextKeys[] = {"ActualText", "Alt", "E"};

// Whether a text operator inside the marked-content sequence was left out or changed.
bool HoldsChangedText(Regen* r, int index) {
  const std::vector<MarkedSpan>& spans = r->page->MarkedSpans();
  if (index < 0 || index >= static_cast<int>(spans.size())) return false;
  for (int anchor = spans[index].firstAnchor; anchor < spans[index].endAnchor; ++anchor) {
    PageObject* original = r->page->OriginalAt(anchor);
    if (!original || original->kind != kPageObjectText) continue;
    const std::vector<PageObject*>* group = GroupAt(r, anchor);
    if (!group || group->size() != 1 || (*group)[0] != original || !Kept(original)) return true;
  }
  return false;
}

bool RepeatsText(fz_context* ctx, pdf_obj* properties) {
  for (const char* key : kRepeatedTextKeys)
    if (pdf_dict_gets(ctx, properties, key)) return true;
  return false;
}

// A copy of the property list without the entries that repeat its text. Throws.
pdf_obj* WithoutRepeatedText(fz_context* ctx, pdf_obj* properties) {
  pdf_obj* copy = pdf_copy_dict(ctx, properties);
  for (const char* key : kRepeatedTextKeys) pdf_dict_dels(ctx, copy, key);
  return copy;
}

// The objects of a non-text operator: the operator is written once for each object drawn there.
template <typename Forward>
void NonText(Regen* r, Forward forward) {
  int anchor = r->anchor++;
  const std::vector<PageObject*>* group = GroupAt(r, anchor);
  int times = group ? static_cast<int>(group->size()) : 0;
  for (int i = 0; i < times; ++i) forward();
}

enum class ShowKind { Plain, Quote, DoubleQuote };

// Before a kept text operator: the text matrices it starts from.
void SyncBeforeShow(Regen* r, PageObject* original, ShowKind kind) {
  if (!r->tmDirty && !r->tlmDirty) return;
  if (kind == ShowKind::Plain) {
    EmitTm(r, original->text.tm);
    r->tmDirty = false;
    r->tlmDirty = memcmp(&original->text.tm, &original->lineMatrix, sizeof(fz_matrix)) != 0;
    return;
  }
  // ' and " move to the next line first: start them from the line before.
  fz_matrix before = fz_pre_translate(original->lineMatrix, 0, original->text.leading);
  EmitTm(r, before);
  r->tmDirty = r->tlmDirty = false;
}

template <typename Forward>
void Show(Regen* r, ShowKind kind, float aw, float ac, Forward forward) {
  int anchor = r->anchor++;
  PageObject* original = r->page->OriginalAt(anchor);
  const std::vector<PageObject*>* group = GroupAt(r, anchor);
  bool keptWritten = false;
  if (group) {
    for (PageObject* o : *group) {
      if (o == original && Kept(o)) {
        SyncBeforeShow(r, original, kind);
        forward();
        keptWritten = true;
        if (Params(r).render >= 4) r->clipText = true;
      } else if (o->kind == kPageObjectText) {
        EmitDerivedText(r, *o);
      }
    }
  }
  if (!keptWritten) {
    // Left out: keep the state changes the operator makes for those that follow.
    if (kind == ShowKind::DoubleQuote) {
      r->chain->op_Tw(r->ctx, r->chain, aw);
      r->chain->op_Tc(r->ctx, r->chain, ac);
    }
    r->tmDirty = true;
    if (kind != ShowKind::Plain) r->tlmDirty = true;
  }
  if (kind == ShowKind::DoubleQuote) {
    Params(r).wordSpace = aw;
    Params(r).charSpace = ac;
  }
  if (original) r->lastText = original;
}

// Positioning operators relative to the line matrix.
void SyncLine(Regen* r) {
  if (r->tlmDirty && r->lastText) EmitTm(r, r->lastText->lineMatrix);
  r->tmDirty = r->tlmDirty = false;
}

// ---------------------------------------------------------------------------------------------
// The processor's operators.

#define CHAIN(op, ...) \
  do { if (r->chain->op) r->chain->op(ctx, r->chain, ##__VA_ARGS__); } while (0)

void op_w(fz_context* ctx, pdf_processor* p, float v) { Regen* r = R(p); CHAIN(op_w, v); }
void op_j(fz_context* ctx, pdf_processor* p, int v) { Regen* r = R(p); CHAIN(op_j, v); }
void op_J(fz_context* ctx, pdf_processor* p, int v) { Regen* r = R(p); CHAIN(op_J, v); }
void op_M(fz_context* ctx, pdf_processor* p, float v) { Regen* r = R(p); CHAIN(op_M, v); }
void op_d(fz_context* ctx, pdf_processor* p, pdf_obj* a, float v) { Regen* r = R(p); CHAIN(op_d, a, v); }
void op_ri(fz_context* ctx, pdf_processor* p, const char* v) { Regen* r = R(p); CHAIN(op_ri, v); }
void op_i(fz_context* ctx, pdf_processor* p, float v) { Regen* r = R(p); CHAIN(op_i, v); }
void op_gs_begin(fz_context* ctx, pdf_processor* p, const char* n, pdf_obj* d) { Regen* r = R(p); CHAIN(op_gs_begin, n, d); }
void op_gs_BM(fz_context* ctx, pdf_processor* p, const char* v) { Regen* r = R(p); CHAIN(op_gs_BM, v); }
void op_gs_ca(fz_context* ctx, pdf_processor* p, float v) { Regen* r = R(p); CHAIN(op_gs_ca, v); }
void op_gs_CA(fz_context* ctx, pdf_processor* p, float v) { Regen* r = R(p); CHAIN(op_gs_CA, v); }
void op_gs_SMask(fz_context* ctx, pdf_processor* p, pdf_obj* s, pdf_obj* res, float* bc, int l) { Regen* r = R(p); CHAIN(op_gs_SMask, s, res, bc, l); }
void op_gs_end(fz_context* ctx, pdf_processor* p) { Regen* r = R(p); CHAIN(op_gs_end); }
void op_gs_OP(fz_context* ctx, pdf_processor* p, int v) { Regen* r = R(p); CHAIN(op_gs_OP, v); }
void op_gs_op(fz_context* ctx, pdf_processor* p, int v) { Regen* r = R(p); CHAIN(op_gs_op, v); }
void op_gs_OPM(fz_context* ctx, pdf_processor* p, int v) { Regen* r = R(p); CHAIN(op_gs_OPM, v); }
void op_gs_UseBlackPtComp(fz_context* ctx, pdf_processor* p, pdf_obj* v) { Regen* r = R(p); CHAIN(op_gs_UseBlackPtComp, v); }

void op_q(fz_context* ctx, pdf_processor* p) {
  Regen* r = R(p);
  r->stack->push_back(Params(r));
  r->qDepth++;
  CHAIN(op_q);
}
void op_Q(fz_context* ctx, pdf_processor* p) {
  Regen* r = R(p);
  if (r->qDepth == 0) return;
  r->stack->pop_back();
  r->qDepth--;
  CHAIN(op_Q);
}
void op_cm(fz_context* ctx, pdf_processor* p, float a, float b, float c, float d, float e, float f) {
  Regen* r = R(p);
  CHAIN(op_cm, a, b, c, d, e, f);
}

void op_m(fz_context* ctx, pdf_processor* p, float x, float y) { Regen* r = R(p); CHAIN(op_m, x, y); }
void op_l(fz_context* ctx, pdf_processor* p, float x, float y) { Regen* r = R(p); CHAIN(op_l, x, y); }
void op_c(fz_context* ctx, pdf_processor* p, float a, float b, float c, float d, float e, float f) { Regen* r = R(p); CHAIN(op_c, a, b, c, d, e, f); }
void op_v(fz_context* ctx, pdf_processor* p, float a, float b, float c, float d) { Regen* r = R(p); CHAIN(op_v, a, b, c, d); }
void op_y(fz_context* ctx, pdf_processor* p, float a, float b, float c, float d) { Regen* r = R(p); CHAIN(op_y, a, b, c, d); }
void op_h(fz_context* ctx, pdf_processor* p) { Regen* r = R(p); CHAIN(op_h); }
void op_re(fz_context* ctx, pdf_processor* p, float x, float y, float w, float h) { Regen* r = R(p); CHAIN(op_re, x, y, w, h); }
void op_W(fz_context* ctx, pdf_processor* p) { Regen* r = R(p); CHAIN(op_W); }
void op_Wstar(fz_context* ctx, pdf_processor* p) { Regen* r = R(p); CHAIN(op_Wstar); }
void op_n(fz_context* ctx, pdf_processor* p) { Regen* r = R(p); CHAIN(op_n); }

// A painted path: written when its object is kept; otherwise the path still ends (and still
// clips when a W preceded it).
#define PAINT(name)                                                    \
  void op_##name(fz_context* ctx, pdf_processor* p) {                  \
    Regen* r = R(p);                                                   \
    int anchor = r->anchor++;                                          \
    if (Kept(r->page->OriginalAt(anchor))) CHAIN(op_##name);           \
    else CHAIN(op_n);                                                  \
  }
PAINT(S)
PAINT(s)
PAINT(F)
PAINT(f)
PAINT(fstar)
PAINT(B)
PAINT(Bstar)
PAINT(b)
PAINT(bstar)
#undef PAINT

void op_BT(fz_context* ctx, pdf_processor* p) {
  Regen* r = R(p);
  r->inText = true;
  r->clipText = false;
  r->tmDirty = r->tlmDirty = false;
  CHAIN(op_BT);
}
void op_ET(fz_context* ctx, pdf_processor* p) {
  Regen* r = R(p);
  r->inText = false;
  r->tmDirty = r->tlmDirty = false;
  CHAIN(op_ET);
}
void op_Tc(fz_context* ctx, pdf_processor* p, float v) { Regen* r = R(p); Params(r).charSpace = v; CHAIN(op_Tc, v); }
void op_Tw(fz_context* ctx, pdf_processor* p, float v) { Regen* r = R(p); Params(r).wordSpace = v; CHAIN(op_Tw, v); }
void op_Tz(fz_context* ctx, pdf_processor* p, float v) { Regen* r = R(p); Params(r).scale = v / 100; CHAIN(op_Tz, v); }
void op_TL(fz_context* ctx, pdf_processor* p, float v) { Regen* r = R(p); Params(r).leading = v; CHAIN(op_TL, v); }
void op_Tr(fz_context* ctx, pdf_processor* p, int v) { Regen* r = R(p); Params(r).render = v; CHAIN(op_Tr, v); }
void op_Ts(fz_context* ctx, pdf_processor* p, float v) { Regen* r = R(p); Params(r).rise = v; CHAIN(op_Ts, v); }
void op_Tf(fz_context* ctx, pdf_processor* p, const char* name, pdf_font_desc* font, float size) {
  Regen* r = R(p);
  Params(r).font = font;
  Params(r).fontName = name ? name : "";
  Params(r).size = size;
  CHAIN(op_Tf, name, font, size);
}
void op_Td(fz_context* ctx, pdf_processor* p, float x, float y) { Regen* r = R(p); SyncLine(r); CHAIN(op_Td, x, y); }
void op_TD(fz_context* ctx, pdf_processor* p, float x, float y) {
  Regen* r = R(p);
  SyncLine(r);
  Params(r).leading = -y;
  CHAIN(op_TD, x, y);
}
void op_Tstar(fz_context* ctx, pdf_processor* p) { Regen* r = R(p); SyncLine(r); CHAIN(op_Tstar); }
void op_Tm(fz_context* ctx, pdf_processor* p, float a, float b, float c, float d, float e, float f) {
  Regen* r = R(p);
  r->tmDirty = r->tlmDirty = false;
  CHAIN(op_Tm, a, b, c, d, e, f);
}

void op_TJ(fz_context* ctx, pdf_processor* p, pdf_obj* array) {
  Regen* r = R(p);
  Show(r, ShowKind::Plain, 0, 0, [&] { CHAIN(op_TJ, array); });
}
void op_Tj(fz_context* ctx, pdf_processor* p, char* str, size_t len) {
  Regen* r = R(p);
  Show(r, ShowKind::Plain, 0, 0, [&] { CHAIN(op_Tj, str, len); });
}
void op_squote(fz_context* ctx, pdf_processor* p, char* str, size_t len) {
  Regen* r = R(p);
  Show(r, ShowKind::Quote, 0, 0, [&] { CHAIN(op_squote, str, len); });
}
void op_dquote(fz_context* ctx, pdf_processor* p, float aw, float ac, char* str, size_t len) {
  Regen* r = R(p);
  Show(r, ShowKind::DoubleQuote, aw, ac, [&] { CHAIN(op_dquote, aw, ac, str, len); });
}

void op_d0(fz_context* ctx, pdf_processor* p, float a, float b) { Regen* r = R(p); CHAIN(op_d0, a, b); }
void op_d1(fz_context* ctx, pdf_processor* p, float a, float b, float c, float d, float e, float f) { Regen* r = R(p); CHAIN(op_d1, a, b, c, d, e, f); }

void op_CS(fz_context* ctx, pdf_processor* p, const char* n, fz_colorspace* cs) { Regen* r = R(p); CHAIN(op_CS, n, cs); }
void op_cs(fz_context* ctx, pdf_processor* p, const char* n, fz_colorspace* cs) { Regen* r = R(p); CHAIN(op_cs, n, cs); }
void op_SC_pattern(fz_context* ctx, pdf_processor* p, const char* n, pdf_pattern* pat, int k, float* c) { Regen* r = R(p); CHAIN(op_SC_pattern, n, pat, k, c); }
void op_sc_pattern(fz_context* ctx, pdf_processor* p, const char* n, pdf_pattern* pat, int k, float* c) { Regen* r = R(p); CHAIN(op_sc_pattern, n, pat, k, c); }
void op_SC_shade(fz_context* ctx, pdf_processor* p, const char* n, fz_shade* s) { Regen* r = R(p); CHAIN(op_SC_shade, n, s); }
void op_sc_shade(fz_context* ctx, pdf_processor* p, const char* n, fz_shade* s) { Regen* r = R(p); CHAIN(op_sc_shade, n, s); }
void op_SC_color(fz_context* ctx, pdf_processor* p, int n, float* c) { Regen* r = R(p); CHAIN(op_SC_color, n, c); }
void op_sc_color(fz_context* ctx, pdf_processor* p, int n, float* c) { Regen* r = R(p); CHAIN(op_sc_color, n, c); }
void op_G(fz_context* ctx, pdf_processor* p, float g) { Regen* r = R(p); CHAIN(op_G, g); }
void op_g(fz_context* ctx, pdf_processor* p, float g) { Regen* r = R(p); CHAIN(op_g, g); }
void op_RG(fz_context* ctx, pdf_processor* p, float a, float b, float c) { Regen* r = R(p); CHAIN(op_RG, a, b, c); }
void op_rg(fz_context* ctx, pdf_processor* p, float a, float b, float c) { Regen* r = R(p); CHAIN(op_rg, a, b, c); }
void op_K(fz_context* ctx, pdf_processor* p, float a, float b, float c, float d) { Regen* r = R(p); CHAIN(op_K, a, b, c, d); }
void op_k(fz_context* ctx, pdf_processor* p, float a, float b, float c, float d) { Regen* r = R(p); CHAIN(op_k, a, b, c, d); }

void op_BI(fz_context* ctx, pdf_processor* p, fz_image* image, const char* cs) {
  Regen* r = R(p);
  NonText(r, [&] { CHAIN(op_BI, image, cs); });
}
void op_sh(fz_context* ctx, pdf_processor* p, const char* n, fz_shade* s) {
  Regen* r = R(p);
  NonText(r, [&] { CHAIN(op_sh, n, s); });
}
void op_Do_image(fz_context* ctx, pdf_processor* p, const char* n, fz_image* image) {
  Regen* r = R(p);
  NonText(r, [&] { CHAIN(op_Do_image, n, image); });
}
void op_Do_form(fz_context* ctx, pdf_processor* p, const char* n, pdf_obj* form, pdf_obj* res) {
  Regen* r = R(p);
  NonText(r, [&] { CHAIN(op_Do_form, n, form, res); });
}

void op_MP(fz_context* ctx, pdf_processor* p, const char* t) { Regen* r = R(p); CHAIN(op_MP, t); }
void op_DP(fz_context* ctx, pdf_processor* p, const char* t, pdf_obj* raw, pdf_obj* cooked) { Regen* r = R(p); CHAIN(op_DP, t, raw, cooked); }
void op_BMC(fz_context* ctx, pdf_processor* p, const char* t) {
  Regen* r = R(p);
  r->marked++;
  CHAIN(op_BMC, t);
}
// A property list whose sequence holds removed or changed text loses the entries that repeat
// that text for extraction and accessibility (/ActualText, /Alt, /E); it is written inline, and
// a named one is replaced in the resources too (RegeneratePage).
void op_BDC(fz_context* ctx, pdf_processor* p, const char* t, pdf_obj* raw, pdf_obj* cooked) {
  Regen* r = R(p);
  const int index = r->marked++;
  if (!HoldsChangedText(r, index) || !RepeatsText(ctx, cooked)) {
    CHAIN(op_BDC, t, raw, cooked);
    return;
  }
  pdf_obj* stripped = WithoutRepeatedText(ctx, cooked);  // may throw: the page's write fails
  if (pdf_is_name(ctx, raw)) {
    // The map owns it from here on.
    auto [at, fresh] = r->strippedProperties->emplace(pdf_to_name(ctx, raw), stripped);
    if (!fresh) pdf_drop_obj(ctx, stripped);
    CHAIN(op_BDC, t, at->second, at->second);
    return;
  }
  fz_try(ctx) { CHAIN(op_BDC, t, stripped, stripped); }
  fz_always(ctx) { pdf_drop_obj(ctx, stripped); }
  fz_catch(ctx) { fz_rethrow(ctx); }
}
void op_EMC(fz_context* ctx, pdf_processor* p) { Regen* r = R(p); CHAIN(op_EMC); }
void op_BX(fz_context* ctx, pdf_processor* p) { Regen* r = R(p); CHAIN(op_BX); }
void op_EX(fz_context* ctx, pdf_processor* p) { Regen* r = R(p); CHAIN(op_EX); }
void op_END(fz_context*, pdf_processor*) {}

#undef CHAIN

[[gnu::noinline]] Regen* NewRegen(fz_context* ctx) {
  Regen* r = static_cast<Regen*>(pdf_new_processor(ctx, sizeof(Regen)));
  pdf_processor& s = r->super;
#define SET(op) s.op = op
  SET(op_w); SET(op_j); SET(op_J); SET(op_M); SET(op_d); SET(op_ri); SET(op_i);
  SET(op_gs_begin); SET(op_gs_BM); SET(op_gs_ca); SET(op_gs_CA); SET(op_gs_SMask); SET(op_gs_end);
  SET(op_gs_OP); SET(op_gs_op); SET(op_gs_OPM); SET(op_gs_UseBlackPtComp);
  SET(op_q); SET(op_Q); SET(op_cm);
  SET(op_m); SET(op_l); SET(op_c); SET(op_v); SET(op_y); SET(op_h); SET(op_re);
  SET(op_S); SET(op_s); SET(op_F); SET(op_f); SET(op_fstar); SET(op_B); SET(op_Bstar); SET(op_b);
  SET(op_bstar); SET(op_n); SET(op_W); SET(op_Wstar);
  SET(op_BT); SET(op_ET); SET(op_Tc); SET(op_Tw); SET(op_Tz); SET(op_TL); SET(op_Tf); SET(op_Tr);
  SET(op_Ts); SET(op_Td); SET(op_TD); SET(op_Tm); SET(op_Tstar);
  SET(op_TJ); SET(op_Tj); SET(op_squote); SET(op_dquote); SET(op_d0); SET(op_d1);
  SET(op_CS); SET(op_cs); SET(op_SC_pattern); SET(op_sc_pattern); SET(op_SC_shade); SET(op_sc_shade);
  SET(op_SC_color); SET(op_sc_color); SET(op_G); SET(op_g); SET(op_RG); SET(op_rg); SET(op_K); SET(op_k);
  SET(op_BI); SET(op_sh); SET(op_Do_image); SET(op_Do_form);
  SET(op_MP); SET(op_DP); SET(op_BMC); SET(op_BDC); SET(op_EMC); SET(op_BX); SET(op_EX);
  SET(op_END);
#undef SET
  return r;
}

// Names already used under the page's /Font resources.
std::set<std::string> FontNames(fz_context* ctx, pdf_obj* resources) {
  std::set<std::string> names;
  pdf_obj* fonts = pdf_dict_get(ctx, resources, PDF_NAME(Font));
  int n = pdf_dict_len(ctx, fonts);
  for (int i = 0; i < n; ++i) names.insert(pdf_to_name(ctx, pdf_dict_get_key(ctx, fonts, i)));
  return names;
}

// Runs the filter over the content into `buffer`. False on failure.
bool WriteContent(Page& page, fz_buffer* buffer, Regen* r, pdf_obj* contents, pdf_obj* resources) {
  fz_context* ctx = page.document.ctx;
  bool ok = true;
  fz_var(ok);
  fz_try(ctx) {
    // The page's content runs inside a q/Q of its own: whatever state it leaves (a cm outside
    // any q, an unclosed q or BT) ends with it, and what follows starts from the default state.
    pdf_processor* c = r->chain;
    c->op_q(ctx, c);
    if (contents) pdf_process_contents(ctx, &r->super, page.document.doc, resources, contents, nullptr);
    if (r->inText) c->op_ET(ctx, c);
    for (; r->qDepth > 0; --r->qDepth) c->op_Q(ctx, c);
    c->op_Q(ctx, c);
  }
  fz_catch(ctx) { ok = false; }
  (void)buffer;
  return ok && !r->failed && r->anchor == page.OriginalCount();
}

}  // namespace

bool RegeneratePage(Page& page, PageObject* first) {
  if (!page.InterpretedCompletely()) return false;
  fz_context* ctx = page.document.ctx;
  pdf_document* doc = page.document.doc;
  pdf_obj* resources = page.Resources();
  pdf_obj* contents = pdf_dict_get(ctx, page.dictionary, PDF_NAME(Contents));

  std::vector<std::vector<PageObject*>> groups(static_cast<size_t>(page.OriginalCount()));
  std::vector<PageObject*> added;
  for (PageObject* o = first; o; o = o->next) {
    if (o->anchor >= 0 && page.OriginalAt(o->anchor)) groups[static_cast<size_t>(o->anchor)].push_back(o);
    else if (o->kind == kPageObjectText) added.push_back(o);
  }
  std::vector<TextParams> stack(1);
  std::map<pdf_obj*, std::string> newFonts;
  std::map<std::string, pdf_obj*> strippedProperties;
  std::set<std::string> usedNames;
  fz_try(ctx) { usedNames = FontNames(ctx, resources); }
  fz_catch(ctx) { return false; }

  fz_buffer* buffer = nullptr;
  Regen* r = nullptr;
  fz_var(buffer);
  fz_var(r);
  fz_try(ctx) {
    buffer = fz_new_buffer(ctx, 4096);
    r = NewRegen(ctx);
    r->chain = pdf_new_buffer_processor(ctx, buffer, 0);
  }
  fz_catch(ctx) {
    if (r) pdf_drop_processor(ctx, r->chain);
    pdf_drop_processor(ctx, &r->super);
    fz_drop_buffer(ctx, buffer);
    return false;
  }
  r->ctx = ctx;
  r->page = &page;
  r->stack = &stack;
  r->groups = &groups;
  r->newFonts = &newFonts;
  r->usedNames = &usedNames;
  r->strippedProperties = &strippedProperties;

  bool ok = WriteContent(page, buffer, r, contents, resources);
  if (ok) {
    for (PageObject* o : added) EmitNewText(r, *o);
    ok = !r->failed;
  }
  fz_try(ctx) { pdf_close_processor(ctx, r->chain); }
  fz_catch(ctx) { ok = false; }
  pdf_drop_processor(ctx, r->chain);
  pdf_drop_processor(ctx, &r->super);

  // The new Contents stream, compressed, and the resources the new fonts need.
  pdf_obj* stream = nullptr;
  pdf_obj* dict = nullptr;
  pdf_obj* newResources = nullptr;
  fz_buffer* packed = nullptr;
  fz_var(stream);
  fz_var(dict);
  fz_var(newResources);
  fz_var(packed);
  fz_var(ok);
  if (ok) {
    fz_try(ctx) {
      unsigned char* data = nullptr;
      size_t length = fz_buffer_storage(ctx, buffer, &data);
      size_t bound = fz_deflate_bound(ctx, length);
      packed = fz_new_buffer(ctx, bound);
      size_t packedLength = bound;
      fz_deflate(ctx, packed->data, &packedLength, data, length, FZ_DEFLATE_DEFAULT);
      packed->len = packedLength;
      dict = pdf_new_dict(ctx, doc, 2);
      pdf_dict_put(ctx, dict, PDF_NAME(Filter), PDF_NAME(FlateDecode));
      stream = AddSpooledStream(page.document, packed->data, packed->len, dict);
      if (!stream) {
        fz_trim_buffer(ctx, packed);  // the document keeps it: without the deflate bound's slack
        stream = pdf_add_stream(ctx, doc, packed, dict, 1);
      }
      if (!newFonts.empty() || !strippedProperties.empty()) {
        // A copy: the old dictionary may be shared with other pages or saved for undo.
        newResources = resources ? UnsharedCopy(ctx, resources) : pdf_new_dict(ctx, doc, 2);
        if (!newFonts.empty()) {
          pdf_obj* oldFonts = pdf_dict_get(ctx, resources, PDF_NAME(Font));
          pdf_obj* fonts = oldFonts ? UnsharedCopy(ctx, oldFonts) : pdf_new_dict(ctx, doc, 4);
          for (const auto& [font, name] : newFonts) pdf_dict_puts_drop(ctx, fonts, name.c_str(), Unshared(ctx, font));
          pdf_dict_put_drop(ctx, newResources, PDF_NAME(Font), fonts);
        }
        if (!strippedProperties.empty()) {
          pdf_obj* properties = UnsharedCopy(ctx, pdf_dict_get(ctx, resources, PDF_NAME(Properties)));
          for (const auto& [name, stripped] : strippedProperties) pdf_dict_puts(ctx, properties, name.c_str(), stripped);
          pdf_dict_put_drop(ctx, newResources, PDF_NAME(Properties), properties);
        }
        pdf_obj* ref = pdf_add_object(ctx, doc, newResources);
        pdf_dict_put_drop(ctx, page.dictionary, PDF_NAME(Resources), ref);
      }
      pdf_dict_put(ctx, page.dictionary, PDF_NAME(Contents), stream);
      ++page.document.revision;
    }
    fz_catch(ctx) { ok = false; }
  }
  pdf_drop_obj(ctx, stream);
  pdf_drop_obj(ctx, dict);
  pdf_drop_obj(ctx, newResources);
  fz_drop_buffer(ctx, packed);
  fz_drop_buffer(ctx, buffer);
  for (auto& [name, stripped] : strippedProperties) pdf_drop_obj(ctx, stripped);
  return ok;
}

}  // namespace standin::pdf
