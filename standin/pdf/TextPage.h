// The text page of a page (host 120:x): the page's characters in drawing order, one UTF-16 code
// unit per index, with the spaces and line breaks text extraction puts between runs.
#pragma once

#include <string>
#include <vector>

#include "HostAbi.h"
#include "pdf/PageObject.h"

namespace standin::pdf {

class Page;

struct TextPageChar {
  char16_t unit = 0;
  PageObject* object = nullptr;  // the text object showing it; null for generated characters
                                 // and for text drawn by form XObjects
  int itemIndex = -1;            // index of its item in the object (spacing items counted)
  float fontSize = 0;
  fz_matrix matrix = fz_identity;  // text space -> page space; a b c d are reported
  fz_quad quad = {};               // page space (the page's default user space)
  fz_point origin = {0, 0};        // page space
  int line = 0;
  bool generated = false;
};

struct TextPage {
  Page* page = nullptr;
  bool analysed = false;
  std::vector<TextPageChar> chars;
};

// Builds the characters from the page's current object list.
void AnalyseTextPage(TextPage& textPage);

// The page text of a range (clamped to the page).
std::u16string TextOfRange(const TextPage& textPage, int first, int count);

// Selection rectangles of a range: one box per line part, normalized, in page space.
std::vector<HostBox> BoxesOfRange(const TextPage& textPage, int first, int count);

}  // namespace standin::pdf
