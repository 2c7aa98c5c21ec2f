#include "OutsideProtect.h"

#include <map>
#include <set>

#include "AppearanceMask.h"
#include "Utf8.h"
#include "pdf/Document.h"
#include "pdf/ObjectCache.h"

namespace docscan {
namespace {

std::string Latin1Bytes(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += static_cast<char>(c < 0x100 ? c : '?');
  return out;
}

// Writes a masked text back where it came from. May throw.
void WriteBack(fz_context* ctx, pdf_document* doc, const TextSource& source, const std::u16string& masked) {
  const std::string utf8 = common::Utf16ToUtf8(masked);
  switch (source.kind) {
    case Kind::String:
      pdf_dict_puts_drop(ctx, source.holder, source.key.c_str(), pdf_new_text_string(ctx, utf8.c_str()));
      break;
    case Kind::FieldValue:
      pdf_dict_put_drop(ctx, source.holder, PDF_NAME(V), pdf_new_text_string(ctx, utf8.c_str()));
      break;
    case Kind::Uri: {
      const std::string bytes = Latin1Bytes(masked);
      pdf_dict_put_drop(ctx, source.holder, PDF_NAME(URI), pdf_new_string(ctx, bytes.data(), bytes.size()));
      break;
    }
    case Kind::Metadata: {
      fz_buffer* buffer = fz_new_buffer_from_copied_data(ctx, reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size());
      fz_try(ctx) { pdf_update_stream(ctx, doc, source.holder, buffer, 0); }
      fz_always(ctx) { fz_drop_buffer(ctx, buffer); }
      fz_catch(ctx) { fz_rethrow(ctx); }
      break;
    }
    case Kind::FileName:
    case Kind::FileContents:
    case Kind::Appearance:
      break;  // names live in the name tree; contents and appearances are not edited as text
  }
}

// Draws again the appearances of the annotations and widgets listed by object number (their
// fields' values or contents changed, or their appearance showed an occurrence). A signature's
// appearance is not drawn again (nothing it shows is a value to draw it from). Where an
// appearance still shows one of `texts`, they are taken out of it where they are drawn: an
// appearance is never removed. May throw.
void RedrawAppearances(standin::pdf::Document& document, int pageIndex, const std::set<int>& annots,
                       const std::vector<std::u16string>& texts) {
  fz_context* ctx = document.ctx;
  pdf_page* page = standin::pdf::LoadPage(document, pageIndex);
  fz_try(ctx) {
    for (int widgets = 0; widgets < 2; ++widgets) {
      for (pdf_annot* a = widgets ? pdf_first_widget(ctx, page) : pdf_first_annot(ctx, page); a;
           a = widgets ? pdf_next_widget(ctx, a) : pdf_next_annot(ctx, a)) {
        pdf_obj* obj = pdf_annot_obj(ctx, a);
        if (!annots.count(pdf_to_num(ctx, obj))) continue;
        if (!IsSignatureWidget(ctx, obj)) {
          pdf_annot_request_resynthesis(ctx, a);
          pdf_update_annot(ctx, a);
        }
        const std::u16string drawn = AppearanceText(ctx, a);
        std::vector<std::u16string> shown;
        for (const std::u16string& t : texts)
          if (drawn.find(t) != std::u16string::npos) shown.push_back(t);
        if (!shown.empty()) MaskAppearanceInPlace(ctx, document.doc, obj, shown);
      }
    }
  }
  fz_always(ctx) { fz_drop_page(ctx, &page->super); }
  fz_catch(ctx) { fz_rethrow(ctx); }
}

// Removes the files from the EmbeddedFiles name tree (rebuilt flat), from the catalog's /AF
// and the file attachment annotations that show them. May throw.
void RemoveAttachments(standin::pdf::Document& document, const std::set<int>& specs) {
  fz_context* ctx = document.ctx;
  pdf_document* doc = document.doc;
  pdf_obj* root = pdf_dict_get(ctx, pdf_trailer(ctx, doc), PDF_NAME(Root));
  auto removed = [&](pdf_obj* fileEntry) { return specs.count(pdf_to_num(ctx, fileEntry)) > 0; };
  if (pdf_dict_getp(ctx, root, "Names/EmbeddedFiles")) {
    pdf_obj* names = pdf_new_array(ctx, doc, 8);
    for (const auto& [name, fileEntry] : EmbeddedFileEntries(ctx, root)) {
      if (removed(fileEntry)) continue;
      pdf_array_push(ctx, names, name);
      pdf_array_push(ctx, names, fileEntry);
    }
    pdf_obj* flat = pdf_new_dict(ctx, doc, 1);
    pdf_dict_put_drop(ctx, flat, PDF_NAME(Names), names);
    pdf_dict_putp_drop(ctx, root, "Names/EmbeddedFiles", flat);
  }
  pdf_obj* af = pdf_dict_gets(ctx, root, "AF");
  for (int i = pdf_array_len(ctx, af) - 1; i >= 0; --i)
    if (removed(pdf_array_get(ctx, af, i))) pdf_array_delete(ctx, af, i);
  for (int p = 0; p < standin::pdf::PageCount(document); ++p) {
    pdf_obj* annots = pdf_dict_get(ctx, standin::pdf::PageObjectAt(document, p), PDF_NAME(Annots));
    for (int i = pdf_array_len(ctx, annots) - 1; i >= 0; --i) {
      pdf_obj* annot = pdf_array_get(ctx, annots, i);
      if (removed(pdf_dict_get(ctx, annot, PDF_NAME(FS)))) pdf_array_delete(ctx, annots, i);
    }
  }
}

}  // namespace

OutsideProtection ProtectOutsideText(standin::pdf::Document& document, const OutsideScan& scan,
                                     const vm::PiOptions& options, bool keepAttachments) {
  OutsideProtection result;
  fz_context* ctx = document.ctx;
  std::set<int> withHits;
  for (const OutsideHit& hit : scan.hits) withHits.insert(hit.source);

  std::set<int> removedSpecs;
  for (int s : withHits) {
    const TextSource& source = scan.sources[s];
    if (source.where == "attachment" && !keepAttachments && removedSpecs.insert(source.object).second)
      result.removedAttachments.push_back(source.label);
  }
  std::map<int, std::set<int>> redraw;  // page -> annotation numbers
  for (const OutsideHit& hit : scan.hits) {
    const TextSource& source = scan.sources[hit.source];
    const bool kept = keepAttachments && (source.kind == Kind::FileContents || source.kind == Kind::FileName);
    if (kept) result.keptHits.push_back(static_cast<int>(&hit - scan.hits.data()));
    else result.goneTexts.push_back(hit.text);
  }
  for (int s : withHits) {
    const TextSource& source = scan.sources[s];
    if (source.where == "attachment" && removedSpecs.count(source.object)) continue;
    const std::u16string masked = MaskedText(scan, s, options);
    fz_try(ctx) { WriteBack(ctx, document.doc, source, masked); }
    fz_catch(ctx) { continue; }
    ++result.textsMasked;
    if (source.page >= 0 && (source.where == "field" || source.where == "annotation"))
      redraw[source.page].insert(source.object);
  }
  // A field's value may sit on the parent of its widgets: redraw every widget of a masked field.
  for (const TextSource& source : scan.sources)
    if (source.kind == Kind::Appearance && redraw.count(source.page)) {
      fz_try(ctx) {
        pdf_obj* node = source.holder;
        for (int depth = 0; node && depth < 64; ++depth, node = pdf_dict_get(ctx, node, PDF_NAME(Parent)))
          if (redraw[source.page].count(pdf_to_num(ctx, node))) redraw[source.page].insert(source.object);
      }
      fz_catch(ctx) {}
    }
  for (const auto& [page, annots] : redraw) {
    fz_try(ctx) { RedrawAppearances(document, page, annots, result.goneTexts); }
    fz_catch(ctx) {}
  }
  if (!removedSpecs.empty()) {
    fz_try(ctx) { RemoveAttachments(document, removedSpecs); }
    fz_catch(ctx) { result.removedAttachments.clear(); }
  }
  document.revision++;
  return result;
}

}  // namespace docscan
