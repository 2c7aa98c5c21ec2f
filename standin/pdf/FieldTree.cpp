#include "pdf/FieldTree.h"

#include <set>
#include <vector>

namespace standin::pdf {

int RemoveRepeatedFields(fz_context* ctx, pdf_document* doc) {
  pdf_obj* fields = pdf_dict_getp(ctx, pdf_trailer(ctx, doc), "Root/AcroForm/Fields");
  if (!pdf_is_array(ctx, fields)) return 0;
  int removed = 0;
  std::set<pdf_obj*> seen;  // resolved field dictionaries
  std::vector<pdf_obj*> arrays{fields};
  // Breadth first over arrays of fields, each array once: a field met again is taken out of the
  // array that lists it again.
  std::set<pdf_obj*> arraysSeen{pdf_resolve_indirect(ctx, fields)};
  for (size_t next = 0; next < arrays.size(); ++next) {
    pdf_obj* array = arrays[next];
    for (int i = 0; i < pdf_array_len(ctx, array);) {
      pdf_obj* field = pdf_resolve_indirect(ctx, pdf_array_get(ctx, array, i));
      if (pdf_is_dict(ctx, field) && !seen.insert(field).second) {
        pdf_array_delete(ctx, array, i);
        ++removed;
        continue;
      }
      pdf_obj* kids = pdf_dict_get(ctx, field, PDF_NAME(Kids));
      if (pdf_is_array(ctx, kids) && arraysSeen.insert(pdf_resolve_indirect(ctx, kids)).second) arrays.push_back(kids);
      ++i;
    }
  }
  return removed;
}

}  // namespace standin::pdf
