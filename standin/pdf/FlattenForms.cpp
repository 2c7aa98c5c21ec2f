// The page content is run through MuPDF's interpreter into its content writer (the buffer
// processor), with a processor in between that passes every operator on and, at "Do" of a
// form that shows text, writes the form's own operators in its place.
//
// The callbacks run inside MuPDF's interpreter, which unwinds with longjmp: they keep no C++
// objects with destructors on their frames while calling MuPDF functions that can throw.
#include "pdf/FlattenForms.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "pdf/Document.h"
#include "pdf/ObjectCache.h"

namespace standin::pdf {
namespace {

constexpr int kMaxFormDepth = 12;
constexpr size_t kNameSize = 256;  // MuPDF's own limit for names in content

// ---------------------------------------------------------------------------------------------
// Whether a form shows text, itself or through the forms it draws.

struct TextFinder {
  pdf_processor super;
  pdf_document* doc;
  int depth;
  int found;
};

TextFinder* Finder(pdf_processor* proc) { return reinterpret_cast<TextFinder*>(proc); }

void FoundString(fz_context*, pdf_processor* proc, char*, size_t length) {
  if (length > 0) Finder(proc)->found = 1;
}
void FoundQuoted(fz_context* ctx, pdf_processor* proc, float, float, char* text, size_t length) {
  FoundString(ctx, proc, text, length);
}
void FoundArray(fz_context* ctx, pdf_processor* proc, pdf_obj* array) {
  const int n = pdf_array_len(ctx, array);
  for (int i = 0; i < n; ++i)
    if (pdf_to_str_len(ctx, pdf_array_get(ctx, array, i)) > 0) Finder(proc)->found = 1;
}
void FindInForm(fz_context* ctx, pdf_processor* proc, const char*, pdf_obj* form, pdf_obj* resources) {
  TextFinder* f = Finder(proc);
  if (f->found || f->depth >= kMaxFormDepth || pdf_mark_obj(ctx, form)) return;
  pdf_obj* own = pdf_xobject_resources(ctx, form);
  f->depth++;
  fz_try(ctx) { pdf_process_contents(ctx, proc, f->doc, own ? own : resources, form, nullptr); }
  fz_always(ctx) {
    f->depth--;
    pdf_unmark_obj(ctx, form);
  }
  fz_catch(ctx) { /* damaged content shows what it showed before the damage */ }
}

bool ShowsText(fz_context* ctx, pdf_document* doc, pdf_obj* form, pdf_obj* resources) {
  TextFinder* f = nullptr;
  bool found = false;
  fz_var(f);
  fz_var(found);
  fz_try(ctx) {
    f = static_cast<TextFinder*>(pdf_new_processor(ctx, sizeof(TextFinder)));
    f->doc = doc;
    f->super.op_Tj = FoundString;
    f->super.op_squote = FoundString;
    f->super.op_dquote = FoundQuoted;
    f->super.op_TJ = FoundArray;
    f->super.op_Do_form = FindInForm;
    FindInForm(ctx, &f->super, nullptr, form, resources);
    found = f->found != 0;
  }
  fz_always(ctx) { pdf_drop_processor(ctx, &f->super); }
  fz_catch(ctx) { found = false; }
  return found;
}

// ---------------------------------------------------------------------------------------------
// The flattening processor.

struct Blending {  // what decides whether a transparency group can be drawn as loose objects
  float fillAlpha = 1;
  float strokeAlpha = 1;
  bool normalBlend = true;
  bool softMask = false;
};

struct FlattenState {
  fz_context* ctx = nullptr;
  pdf_document* doc = nullptr;
  int pageIndex = 0;
  pdf_obj* pageResources = nullptr;     // the page's resources as interpreted
  pdf_obj* newResources = nullptr;      // the page's new resources (renamed entries go here)
  std::vector<pdf_obj*> resources;      // of the content being written; back() is current
  std::vector<Blending> blending{1};
  std::map<int, bool> showsText;        // by form object number
  std::set<std::string> keptNames;      // page XObject names still drawn with Do, at any depth
  int inlined = 0;
  bool failed = false;                  // something could not be written: keep the page
  std::vector<std::string> left;
};

struct Flattener {
  pdf_processor super;
  pdf_processor* chain;
  FlattenState* state;
};

Flattener* Self(pdf_processor* proc) { return reinterpret_cast<Flattener*>(proc); }

bool SameObject(fz_context* ctx, pdf_obj* a, pdf_obj* b) {
  if (pdf_is_indirect(ctx, a) || pdf_is_indirect(ctx, b))
    return pdf_is_indirect(ctx, a) && pdf_is_indirect(ctx, b) && pdf_to_num(ctx, a) == pdf_to_num(ctx, b);
  return a == b || pdf_objcmp(ctx, a, b) == 0;
}

// The name under which a resource of the content being written is found in the page's new
// resources: the page's own names stay; a form's resource gets the page's name for the same
// object, or its own name, or its name with a number when the page uses that name otherwise.
// Names that are no resource (device colour spaces) stay as they are.
void AddPageName(FlattenState& s, pdf_obj* category, const char* name, char (&out)[kNameSize]) {
  fz_context* ctx = s.ctx;
  pdf_obj* object = pdf_dict_gets(ctx, pdf_dict_get(ctx, s.resources.back(), category), name);
  if (!object) return;
  pdf_obj* target = pdf_dict_get(ctx, s.newResources, category);
  if (!pdf_is_dict(ctx, target)) target = pdf_dict_put_dict(ctx, s.newResources, category, 4);
  const int n = pdf_dict_len(ctx, target);
  for (int i = 0; i < n; ++i) {
    if (SameObject(ctx, pdf_dict_get_val(ctx, target, i), object)) {
      snprintf(out, sizeof out, "%s", pdf_to_name(ctx, pdf_dict_get_key(ctx, target, i)));
      return;
    }
  }
  for (int k = 1; pdf_dict_gets(ctx, target, out); ++k) snprintf(out, sizeof out, "%.200s_%d", name, k);
  pdf_dict_puts(ctx, target, out, object);
}

// The interpreter passes over errors inside operators; a failure here marks the page as not
// to be rewritten.
void PageName(FlattenState& s, pdf_obj* category, const char* name, char (&out)[kNameSize]) {
  snprintf(out, sizeof out, "%s", name ? name : "");
  if (!name || s.resources.back() == s.pageResources) return;
  fz_try(s.ctx) { AddPageName(s, category, name, out); }
  fz_catch(s.ctx) { s.failed = true; }
}

#define VM_UNPAREN(...) __VA_ARGS__
#define VM_FORWARD(op, params, args)                                     \
  void Forward_##op(fz_context* ctx, pdf_processor* proc VM_UNPAREN params) { \
    pdf_processor* chain = Self(proc)->chain;                            \
    if (chain->op) chain->op(ctx, chain VM_UNPAREN args);                \
  }

VM_FORWARD(op_w, (, float v), (, v))
VM_FORWARD(op_j, (, int v), (, v))
VM_FORWARD(op_J, (, int v), (, v))
VM_FORWARD(op_M, (, float v), (, v))
VM_FORWARD(op_d, (, pdf_obj* array, float phase), (, array, phase))
VM_FORWARD(op_ri, (, const char* intent), (, intent))
VM_FORWARD(op_i, (, float v), (, v))
VM_FORWARD(op_gs_end, (), ())
VM_FORWARD(op_cm, (, float a, float b, float c, float d, float e, float f), (, a, b, c, d, e, f))
VM_FORWARD(op_m, (, float x, float y), (, x, y))
VM_FORWARD(op_l, (, float x, float y), (, x, y))
VM_FORWARD(op_c, (, float a, float b, float c, float d, float e, float f), (, a, b, c, d, e, f))
VM_FORWARD(op_v, (, float a, float b, float c, float d), (, a, b, c, d))
VM_FORWARD(op_y, (, float a, float b, float c, float d), (, a, b, c, d))
VM_FORWARD(op_h, (), ())
VM_FORWARD(op_re, (, float x, float y, float w, float h), (, x, y, w, h))
VM_FORWARD(op_S, (), ())
VM_FORWARD(op_s, (), ())
VM_FORWARD(op_F, (), ())
VM_FORWARD(op_f, (), ())
VM_FORWARD(op_fstar, (), ())
VM_FORWARD(op_B, (), ())
VM_FORWARD(op_Bstar, (), ())
VM_FORWARD(op_b, (), ())
VM_FORWARD(op_bstar, (), ())
VM_FORWARD(op_n, (), ())
VM_FORWARD(op_W, (), ())
VM_FORWARD(op_Wstar, (), ())
VM_FORWARD(op_BT, (), ())
VM_FORWARD(op_ET, (), ())
VM_FORWARD(op_Tc, (, float v), (, v))
VM_FORWARD(op_Tw, (, float v), (, v))
VM_FORWARD(op_Tz, (, float v), (, v))
VM_FORWARD(op_TL, (, float v), (, v))
VM_FORWARD(op_Tr, (, int v), (, v))
VM_FORWARD(op_Ts, (, float v), (, v))
VM_FORWARD(op_Td, (, float x, float y), (, x, y))
VM_FORWARD(op_TD, (, float x, float y), (, x, y))
VM_FORWARD(op_Tm, (, float a, float b, float c, float d, float e, float f), (, a, b, c, d, e, f))
VM_FORWARD(op_Tstar, (), ())
VM_FORWARD(op_TJ, (, pdf_obj* array), (, array))
VM_FORWARD(op_Tj, (, char* text, size_t length), (, text, length))
VM_FORWARD(op_squote, (, char* text, size_t length), (, text, length))
VM_FORWARD(op_dquote, (, float aw, float ac, char* text, size_t length), (, aw, ac, text, length))
VM_FORWARD(op_d0, (, float wx, float wy), (, wx, wy))
VM_FORWARD(op_d1, (, float a, float b, float c, float d, float e, float f), (, a, b, c, d, e, f))
VM_FORWARD(op_SC_color, (, int n, float* color), (, n, color))
VM_FORWARD(op_sc_color, (, int n, float* color), (, n, color))
VM_FORWARD(op_G, (, float v), (, v))
VM_FORWARD(op_g, (, float v), (, v))
VM_FORWARD(op_RG, (, float r, float g, float b), (, r, g, b))
VM_FORWARD(op_rg, (, float r, float g, float b), (, r, g, b))
VM_FORWARD(op_K, (, float c, float m, float y, float k), (, c, m, y, k))
VM_FORWARD(op_k, (, float c, float m, float y, float k), (, c, m, y, k))
VM_FORWARD(op_MP, (, const char* tag), (, tag))
VM_FORWARD(op_BMC, (, const char* tag), (, tag))
VM_FORWARD(op_EMC, (), ())
VM_FORWARD(op_BX, (), ())
VM_FORWARD(op_EX, (), ())
VM_FORWARD(op_gs_OP, (, int v), (, v))
VM_FORWARD(op_gs_op, (, int v), (, v))
VM_FORWARD(op_gs_OPM, (, int v), (, v))
VM_FORWARD(op_gs_UseBlackPtComp, (, pdf_obj* name), (, name))
VM_FORWARD(op_q, (), ())
VM_FORWARD(op_Q, (), ())
VM_FORWARD(op_gs_ca, (, float v), (, v))
VM_FORWARD(op_gs_CA, (, float v), (, v))
VM_FORWARD(op_gs_BM, (, const char* mode), (, mode))
VM_FORWARD(op_gs_SMask, (, pdf_obj* smask, pdf_obj* resources, float* bc, int luminosity),
           (, smask, resources, bc, luminosity))
VM_FORWARD(op_END, (), ())

#undef VM_FORWARD
#undef VM_UNPAREN

// --- graphics state: the chain writes it; the blending of the current state is kept here
void Save(fz_context* ctx, pdf_processor* proc) {
  FlattenState& s = *Self(proc)->state;
  s.blending.push_back(s.blending.back());
  Forward_op_q(ctx, proc);
}
void Restore(fz_context* ctx, pdf_processor* proc) {
  FlattenState& s = *Self(proc)->state;
  if (s.blending.size() > 1) s.blending.pop_back();
  Forward_op_Q(ctx, proc);
}
void FillAlpha(fz_context* ctx, pdf_processor* proc, float alpha) {
  Self(proc)->state->blending.back().fillAlpha = alpha;
  Forward_op_gs_ca(ctx, proc, alpha);
}
void StrokeAlpha(fz_context* ctx, pdf_processor* proc, float alpha) {
  Self(proc)->state->blending.back().strokeAlpha = alpha;
  Forward_op_gs_CA(ctx, proc, alpha);
}
void BlendMode(fz_context* ctx, pdf_processor* proc, const char* mode) {
  Self(proc)->state->blending.back().normalBlend =
      !mode || !strcmp(mode, "Normal") || !strcmp(mode, "Compatible");
  Forward_op_gs_BM(ctx, proc, mode);
}
void SoftMask(fz_context* ctx, pdf_processor* proc, pdf_obj* smask, pdf_obj* resources, float* bc, int luminosity) {
  Self(proc)->state->blending.back().softMask = smask != nullptr;
  Forward_op_gs_SMask(ctx, proc, smask, resources, bc, luminosity);
}

// --- operators that name a resource
void Font(fz_context* ctx, pdf_processor* proc, const char* name, pdf_font_desc* font, float size) {
  char renamed[kNameSize];
  PageName(*Self(proc)->state, PDF_NAME(Font), name, renamed);
  pdf_processor* chain = Self(proc)->chain;
  chain->op_Tf(ctx, chain, renamed, font, size);
}
void ExtGState(fz_context* ctx, pdf_processor* proc, const char* name, pdf_obj* extgstate) {
  char renamed[kNameSize];
  PageName(*Self(proc)->state, PDF_NAME(ExtGState), name, renamed);
  pdf_processor* chain = Self(proc)->chain;
  chain->op_gs_begin(ctx, chain, renamed, extgstate);
}
void StrokeSpace(fz_context* ctx, pdf_processor* proc, const char* name, fz_colorspace* cs) {
  char renamed[kNameSize];
  PageName(*Self(proc)->state, PDF_NAME(ColorSpace), name, renamed);
  pdf_processor* chain = Self(proc)->chain;
  chain->op_CS(ctx, chain, renamed, cs);
}
void FillSpace(fz_context* ctx, pdf_processor* proc, const char* name, fz_colorspace* cs) {
  char renamed[kNameSize];
  PageName(*Self(proc)->state, PDF_NAME(ColorSpace), name, renamed);
  pdf_processor* chain = Self(proc)->chain;
  chain->op_cs(ctx, chain, renamed, cs);
}
void StrokePattern(fz_context* ctx, pdf_processor* proc, const char* name, pdf_pattern* pattern, int n, float* color) {
  char renamed[kNameSize];
  PageName(*Self(proc)->state, PDF_NAME(Pattern), name, renamed);
  pdf_processor* chain = Self(proc)->chain;
  chain->op_SC_pattern(ctx, chain, renamed, pattern, n, color);
}
void FillPattern(fz_context* ctx, pdf_processor* proc, const char* name, pdf_pattern* pattern, int n, float* color) {
  char renamed[kNameSize];
  PageName(*Self(proc)->state, PDF_NAME(Pattern), name, renamed);
  pdf_processor* chain = Self(proc)->chain;
  chain->op_sc_pattern(ctx, chain, renamed, pattern, n, color);
}
void StrokeShadePattern(fz_context* ctx, pdf_processor* proc, const char* name, fz_shade* shade) {
  char renamed[kNameSize];
  PageName(*Self(proc)->state, PDF_NAME(Pattern), name, renamed);
  pdf_processor* chain = Self(proc)->chain;
  chain->op_SC_shade(ctx, chain, renamed, shade);
}
void FillShadePattern(fz_context* ctx, pdf_processor* proc, const char* name, fz_shade* shade) {
  char renamed[kNameSize];
  PageName(*Self(proc)->state, PDF_NAME(Pattern), name, renamed);
  pdf_processor* chain = Self(proc)->chain;
  chain->op_sc_shade(ctx, chain, renamed, shade);
}
void Shading(fz_context* ctx, pdf_processor* proc, const char* name, fz_shade* shade) {
  char renamed[kNameSize];
  PageName(*Self(proc)->state, PDF_NAME(Shading), name, renamed);
  pdf_processor* chain = Self(proc)->chain;
  chain->op_sh(ctx, chain, renamed, shade);
}
void Image(fz_context* ctx, pdf_processor* proc, const char* name, fz_image* image) {
  char renamed[kNameSize];
  PageName(*Self(proc)->state, PDF_NAME(XObject), name, renamed);
  pdf_processor* chain = Self(proc)->chain;
  chain->op_Do_image(ctx, chain, renamed, image);
}
void InlineImage(fz_context* ctx, pdf_processor* proc, fz_image* image, const char* colorspace) {
  char renamed[kNameSize];
  PageName(*Self(proc)->state, PDF_NAME(ColorSpace), colorspace, renamed);
  pdf_processor* chain = Self(proc)->chain;
  chain->op_BI(ctx, chain, image, colorspace ? renamed : nullptr);
}

// Marked content whose properties are a named resource.
pdf_obj* PropertiesName(fz_context* ctx, FlattenState& s, pdf_obj* raw) {
  if (!pdf_is_name(ctx, raw)) return pdf_keep_obj(ctx, raw);
  char renamed[kNameSize];
  PageName(s, PDF_NAME(Properties), pdf_to_name(ctx, raw), renamed);
  return pdf_new_name(ctx, renamed);
}
void MarkedPoint(fz_context* ctx, pdf_processor* proc, const char* tag, pdf_obj* raw, pdf_obj* cooked) {
  pdf_obj* name = PropertiesName(ctx, *Self(proc)->state, raw);
  pdf_processor* chain = Self(proc)->chain;
  fz_try(ctx) { chain->op_DP(ctx, chain, tag, name, cooked); }
  fz_always(ctx) { pdf_drop_obj(ctx, name); }
  fz_catch(ctx) { fz_rethrow(ctx); }
}
void MarkedContent(fz_context* ctx, pdf_processor* proc, const char* tag, pdf_obj* raw, pdf_obj* cooked) {
  pdf_obj* name = PropertiesName(ctx, *Self(proc)->state, raw);
  pdf_processor* chain = Self(proc)->chain;
  fz_try(ctx) { chain->op_BDC(ctx, chain, tag, name, cooked); }
  fz_always(ctx) { pdf_drop_obj(ctx, name); }
  fz_catch(ctx) { fz_rethrow(ctx); }
}

// --- forms
// Why a form that shows text cannot be drawn in place; null when it can. May throw.
const char* Obstacle(fz_context* ctx, const FlattenState& s, pdf_obj* form) {
  if (s.resources.size() > kMaxFormDepth) return "it is nested too deeply";
  if (pdf_dict_get(ctx, form, PDF_NAME(OC))) return "it belongs to an optional content group";
  pdf_obj* group = pdf_dict_get(ctx, form, PDF_NAME(Group));
  if (group) {
    const Blending& b = s.blending.back();
    if (pdf_dict_get_bool(ctx, group, PDF_NAME(K)))
      return "it is a knockout transparency group";
    if (b.fillAlpha < 1 || b.strokeAlpha < 1 || !b.normalBlend || b.softMask)
      return "it is a transparency group drawn with transparency";
  }
  return nullptr;
}

// Keeps a note of a form that shows text and stays a form. May throw (out of memory).
void Leave(FlattenState& s, const char* name, pdf_obj* form, const char* why) {
  char line[512];
  snprintf(line, sizeof line, "page %d: form XObject /%s (object %d) shows text but %s; its text "
           "stays in the form", s.pageIndex, name ? name : "?", pdf_to_num(s.ctx, form), why);
  s.left.push_back(line);
}

void DrawForm(fz_context* ctx, pdf_processor* proc, const char* name, pdf_obj* form, pdf_obj* resources) {
  Flattener* f = Self(proc);
  FlattenState& s = *f->state;
  pdf_processor* chain = f->chain;
  const int number = pdf_to_num(ctx, form);
  auto known = s.showsText.find(number);
  const bool showsText = known != s.showsText.end() ? known->second
                                                    : (s.showsText[number] = ShowsText(ctx, s.doc, form, resources));
  // A form inside its own content draws nothing in a viewer (the cycle is cut there).
  if (showsText && pdf_obj_marked(ctx, form)) return;
  const char* obstacle = showsText ? Obstacle(ctx, s, form) : nullptr;
  if (!showsText || obstacle) {
    if (obstacle) Leave(s, name, form, obstacle);
    char renamed[kNameSize];
    PageName(s, PDF_NAME(XObject), name, renamed);
    s.keptNames.insert(renamed);
    chain->op_Do_form(ctx, chain, renamed, form, resources);
    return;
  }

  const fz_matrix m = pdf_xobject_matrix(ctx, form);
  const fz_rect box = pdf_xobject_bbox(ctx, form);
  pdf_obj* own = pdf_xobject_resources(ctx, form);
  Save(ctx, proc);
  chain->op_cm(ctx, chain, m.a, m.b, m.c, m.d, m.e, m.f);
  chain->op_re(ctx, chain, box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0);
  chain->op_W(ctx, chain);
  chain->op_n(ctx, chain);
  s.resources.push_back(own ? own : resources);
  pdf_mark_obj(ctx, form);
  fz_try(ctx) { pdf_process_contents(ctx, proc, s.doc, s.resources.back(), form, nullptr); }
  fz_always(ctx) {
    pdf_unmark_obj(ctx, form);
    s.resources.pop_back();
  }
  fz_catch(ctx) { s.failed = true; }
  Restore(ctx, proc);
  s.inlined++;
}

void End(fz_context* ctx, pdf_processor* proc) {
  // The end of an inlined form's content is not the end of the page.
  if (Self(proc)->state->resources.size() == 1) Forward_op_END(ctx, proc);
}

pdf_processor* NewFlattener(fz_context* ctx, pdf_processor* chain, FlattenState* state) {
  Flattener* f = static_cast<Flattener*>(pdf_new_processor(ctx, sizeof(Flattener)));
  f->chain = chain;
  f->state = state;
  pdf_processor& p = f->super;
#define VM_PASS(op) p.op = Forward_##op
  VM_PASS(op_w); VM_PASS(op_j); VM_PASS(op_J); VM_PASS(op_M); VM_PASS(op_d); VM_PASS(op_ri);
  VM_PASS(op_i); VM_PASS(op_gs_end); VM_PASS(op_cm); VM_PASS(op_m); VM_PASS(op_l); VM_PASS(op_c);
  VM_PASS(op_v); VM_PASS(op_y); VM_PASS(op_h); VM_PASS(op_re); VM_PASS(op_S); VM_PASS(op_s);
  VM_PASS(op_F); VM_PASS(op_f); VM_PASS(op_fstar); VM_PASS(op_B); VM_PASS(op_Bstar); VM_PASS(op_b);
  VM_PASS(op_bstar); VM_PASS(op_n); VM_PASS(op_W); VM_PASS(op_Wstar); VM_PASS(op_BT); VM_PASS(op_ET);
  VM_PASS(op_Tc); VM_PASS(op_Tw); VM_PASS(op_Tz); VM_PASS(op_TL); VM_PASS(op_Tr); VM_PASS(op_Ts);
  VM_PASS(op_Td); VM_PASS(op_TD); VM_PASS(op_Tm); VM_PASS(op_Tstar); VM_PASS(op_TJ); VM_PASS(op_Tj);
  VM_PASS(op_squote); VM_PASS(op_dquote); VM_PASS(op_d0); VM_PASS(op_d1); VM_PASS(op_SC_color);
  VM_PASS(op_sc_color); VM_PASS(op_G); VM_PASS(op_g); VM_PASS(op_RG); VM_PASS(op_rg); VM_PASS(op_K);
  VM_PASS(op_k); VM_PASS(op_MP); VM_PASS(op_BMC); VM_PASS(op_EMC); VM_PASS(op_BX); VM_PASS(op_EX);
  VM_PASS(op_gs_OP); VM_PASS(op_gs_op); VM_PASS(op_gs_OPM); VM_PASS(op_gs_UseBlackPtComp);
#undef VM_PASS
  p.op_q = Save;
  p.op_Q = Restore;
  p.op_gs_ca = FillAlpha;
  p.op_gs_CA = StrokeAlpha;
  p.op_gs_BM = BlendMode;
  p.op_gs_SMask = SoftMask;
  p.op_Tf = Font;
  p.op_gs_begin = ExtGState;
  p.op_CS = StrokeSpace;
  p.op_cs = FillSpace;
  p.op_SC_pattern = StrokePattern;
  p.op_sc_pattern = FillPattern;
  p.op_SC_shade = StrokeShadePattern;
  p.op_sc_shade = FillShadePattern;
  p.op_sh = Shading;
  p.op_Do_image = Image;
  p.op_BI = InlineImage;
  p.op_DP = MarkedPoint;
  p.op_BDC = MarkedContent;
  p.op_Do_form = DrawForm;
  p.op_END = End;
  return &f->super;
}

// Whether any form among the page's XObject resources shows text: pages without one are not
// rewritten. May throw.
bool HasTextForm(FlattenState& s) {
  fz_context* ctx = s.ctx;
  pdf_obj* xobjects = pdf_dict_get(ctx, s.pageResources, PDF_NAME(XObject));
  const int n = pdf_dict_len(ctx, xobjects);
  for (int i = 0; i < n; ++i) {
    pdf_obj* x = pdf_dict_get_val(ctx, xobjects, i);
    if (!pdf_name_eq(ctx, pdf_dict_get(ctx, x, PDF_NAME(Subtype)), PDF_NAME(Form))) continue;
    const int number = pdf_to_num(ctx, x);
    auto known = s.showsText.find(number);
    const bool shows = known != s.showsText.end() ? known->second
                                                  : (s.showsText[number] = ShowsText(ctx, s.doc, x, s.pageResources));
    if (shows) return true;
  }
  return false;
}

// A direct copy of the page's resources whose category dictionaries are copies too, so that
// adding names changes no other page. May throw.
pdf_obj* OwnResources(fz_context* ctx, pdf_document* doc, pdf_obj* resources) {
  pdf_obj* copy = pdf_is_dict(ctx, resources) ? pdf_copy_dict(ctx, resources) : pdf_new_dict(ctx, doc, 8);
  const int n = pdf_dict_len(ctx, copy);
  for (int i = 0; i < n; ++i) {
    pdf_obj* value = pdf_dict_get_val(ctx, copy, i);
    if (pdf_is_dict(ctx, value)) pdf_dict_put_drop(ctx, copy, pdf_dict_get_key(ctx, copy, i), pdf_copy_dict(ctx, value));
  }
  return copy;
}

// Rewrites one page; false when it had nothing to flatten (then it is unchanged). May throw.
bool FlattenPage(FlattenState& s, pdf_obj* page) {
  fz_context* ctx = s.ctx;
  pdf_obj* contents = pdf_dict_get(ctx, page, PDF_NAME(Contents));
  s.pageResources = pdf_dict_get_inheritable(ctx, page, PDF_NAME(Resources));
  if (!contents || !HasTextForm(s)) return false;

  fz_buffer* buffer = nullptr;
  pdf_processor* writer = nullptr;
  pdf_processor* flattener = nullptr;
  pdf_obj* stream = nullptr;
  bool dropped = false;
  fz_var(dropped);
  fz_var(buffer);
  fz_var(writer);
  fz_var(flattener);
  fz_var(stream);
  s.newResources = nullptr;
  s.resources.assign(1, s.pageResources);
  s.blending.assign(1, Blending{});
  s.inlined = 0;
  s.failed = false;
  fz_try(ctx) {
    s.newResources = OwnResources(ctx, s.doc, s.pageResources);
    buffer = fz_new_buffer(ctx, 4096);
    writer = pdf_new_buffer_processor(ctx, buffer, 0);
    flattener = NewFlattener(ctx, writer, &s);
    pdf_process_contents(ctx, flattener, s.doc, s.pageResources, contents, nullptr);
    pdf_close_processor(ctx, writer);
    if (s.failed) fz_throw(ctx, FZ_ERROR_GENERIC, "the page content could not be rewritten");
    // Forms that show text and are no longer drawn by name leave the page's resources, so
    // that a saved copy does not keep them (and their text) for nothing.
    pdf_obj* xobjects = pdf_dict_get(ctx, s.newResources, PDF_NAME(XObject));
    for (int i = pdf_dict_len(ctx, xobjects) - 1; i >= 0; --i) {
      const char* name = pdf_to_name(ctx, pdf_dict_get_key(ctx, xobjects, i));
      pdf_obj* x = pdf_dict_get_val(ctx, xobjects, i);
      if (s.keptNames.count(name) || !pdf_name_eq(ctx, pdf_dict_get(ctx, x, PDF_NAME(Subtype)), PDF_NAME(Form)))
        continue;
      // Forms the content never draws were not looked at yet.
      const int number = pdf_to_num(ctx, x);
      auto shows = s.showsText.find(number);
      if (shows == s.showsText.end()) shows = s.showsText.emplace(number, ShowsText(ctx, s.doc, x, s.pageResources)).first;
      if (shows->second) {
        pdf_dict_dels(ctx, xobjects, name);
        dropped = true;
      }
    }
    if (s.inlined > 0) {
      stream = pdf_add_stream(ctx, s.doc, buffer, nullptr, 0);
      pdf_dict_put(ctx, page, PDF_NAME(Contents), stream);
    }
    if (s.inlined > 0 || dropped) pdf_dict_put(ctx, page, PDF_NAME(Resources), s.newResources);
  }
  fz_always(ctx) {
    pdf_drop_obj(ctx, stream);
    pdf_drop_obj(ctx, s.newResources);
    s.newResources = nullptr;
    pdf_drop_processor(ctx, flattener);
    pdf_drop_processor(ctx, writer);
    fz_drop_buffer(ctx, buffer);
  }
  fz_catch(ctx) { fz_rethrow(ctx); }
  return s.inlined > 0 || dropped;
}

// Resources on page-tree nodes that no page inherits any more (every page below has its own)
// are removed: they would keep the forms whose text was drawn in page content, text included,
// in a saved copy. May throw.
void DropUnusedInheritedResources(fz_context* ctx, Document& document) {
  constexpr int kMaxParents = 256;
  std::set<pdf_obj*> inherited;  // nodes whose resources a page still takes
  std::set<pdf_obj*> nodes;
  for (int p = 0; p < PageCount(document); ++p) {
    pdf_obj* page = PageObjectAt(document, p);
    bool owns = pdf_dict_get(ctx, page, PDF_NAME(Resources)) != nullptr;
    pdf_obj* node = pdf_dict_get(ctx, page, PDF_NAME(Parent));
    for (int depth = 0; node && depth < kMaxParents; ++depth, node = pdf_dict_get(ctx, node, PDF_NAME(Parent))) {
      if (!pdf_dict_get(ctx, node, PDF_NAME(Resources))) continue;
      nodes.insert(pdf_resolve_indirect(ctx, node));
      if (!owns) inherited.insert(pdf_resolve_indirect(ctx, node));
      owns = true;  // the nearest node's resources are the ones inherited
    }
  }
  for (pdf_obj* node : nodes)
    if (!inherited.count(node)) pdf_dict_del(ctx, node, PDF_NAME(Resources));
}

}  // namespace

FlattenReport FlattenTextForms(Document& document) {
  FlattenReport report;
  fz_context* ctx = document.ctx;
  FlattenState state;
  state.ctx = ctx;
  state.doc = document.doc;
  for (int p = 0; p < PageCount(document); ++p) {
    // What a page's resources and forms brought in is not needed for the next pages (the forms'
    // answers are kept by number).
    if (p > 0 && p % kPagesBetweenReleases == 0) ReleaseUnchangedObjects(document);
    state.pageIndex = p;
    state.keptNames.clear();
    state.left.clear();
    bool changed = false;
    bool failed = false;
    fz_var(changed);
    fz_var(failed);
    fz_try(ctx) { changed = FlattenPage(state, PageObjectAt(document, p)); }
    fz_catch(ctx) { failed = true; }
    if (failed) {
      report.leftAsForms.push_back("page " + std::to_string(p) +
                                   ": its content could not be rewritten; text shown by its forms "
                                   "stays in the forms");
      continue;
    }
    if (changed) {
      report.pagesChanged.push_back(p);
      report.formsInlined += state.inlined;
    }
    report.leftAsForms.insert(report.leftAsForms.end(), state.left.begin(), state.left.end());
  }
  if (!report.pagesChanged.empty()) {
    fz_try(ctx) { DropUnusedInheritedResources(ctx, document); }
    fz_catch(ctx) { /* the tree's resources stay; the check finds any text they keep */ }
    document.revision++;
  }
  return report;
}

}  // namespace standin::pdf
