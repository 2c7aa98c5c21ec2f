// MuPDF's interpreter looks the font up in its store at every Tf, and the store hashes its key
// byte by byte: on pages that change font for every run, that is several percent of reading
// them. pdf_load_font is wrapped at link time (--wrap, see CMakeLists.txt): for the documents
// the host opened, the fonts last loaded are kept here and given again for the same reference
// to a font dictionary (fonts defined inline are left to the library, as its store does). The dictionary is kept with its font, so its address is never reused for another
// while it is here. A font that fails to load is never kept: each page that uses it meets the
// failure again, as before. Only the thread that registered a document uses what is kept.
#pragma once

#include <mupdf/pdf.h>

namespace standin::pdf {

void KeepFontLookups(pdf_document* doc);
// Drops what is kept for the document; before the document is dropped.
void ForgetFontLookups(pdf_document* doc);

}  // namespace standin::pdf
