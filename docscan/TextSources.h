// The texts of a PDF document outside its page content: annotation contents and titles, link
// URIs, form-field values and what widget and annotation appearances draw, the document
// information dictionary, the XMP metadata, bookmark titles, and embedded files (their names,
// descriptions and, when they are text, their contents).
#pragma once

#include <string>
#include <vector>

#include "BetweenPages.h"

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace standin::pdf {
struct Document;
}

namespace docscan {

enum class Kind {
  String,      // a text string entry of a dictionary (holder, key)
  Uri,         // a link action's URI, a byte string (holder = the action, object = the link)
  FieldValue,  // a form field's V: a text string or an array of them (holder = the field)
  Appearance,  // what an annotation's appearance stream draws (holder = the annotation)
  Metadata,    // an XMP metadata stream, UTF-8 (holder = the stream)
  FileName,    // the name of an embedded file in the document's name tree (holder = filespec)
  FileContents,  // the data of an embedded file that is text (holder = filespec)
};

struct TextSource {
  std::string where;  // annotation, link, field, info, xmp, outline, attachment
  Kind kind = Kind::String;
  int page = -1;      // 0-based page of an annotation, link or field; -1 for the others
  int object = 0;     // number of the object holding the text; 0 for a direct object
  std::string key;    // the dictionary entry (Contents, T, URI, V, Title, Author, F, UF, Desc)
                      // or: appearance, metadata, name, contents
  std::string label;  // a field's full name or an attachment's name, to find it by
  std::u16string text;
  pdf_obj* holder = nullptr;  // borrowed from the document
};

// Every text source of the document, in a fixed order: per page its annotations (in /Annots
// order), then the information dictionary, the XMP metadata, the bookmarks (depth first), the
// embedded files. Damaged parts are skipped. `betweenPages` is called after each page's
// annotations; the holders of the sources found so far are kept across it.
std::vector<TextSource> CollectTextSources(standin::pdf::Document& document, const BetweenPages& betweenPages = {});

// The (name, file dictionary) pairs of the document's EmbeddedFiles name tree, from the
// catalog. May throw.
std::vector<std::pair<pdf_obj*, pdf_obj*>> EmbeddedFileEntries(fz_context* ctx, pdf_obj* root);

// The UTF-16 of a PDF text string (PDFDocEncoding or UTF-16 with its byte-order mark). May throw.
std::u16string TextOfString(fz_context* ctx, pdf_obj* string);

// What an annotation's appearance draws, as MuPDF's text extraction reads it. May throw.
std::u16string AppearanceText(fz_context* ctx, pdf_annot* annot);

}  // namespace docscan
