// Edits of page objects made through the host functions (83:x, 82:x): each keeps the object's
// item origins and box up to date and marks it as no longer drawn by its own operator.
#pragma once

#include <cstdint>
#include <string>

#include "pdf/PageObject.h"

namespace standin::pdf {

struct Font;

// Recomputes the origins of a text object's characters and its box.
void Relayout(PageObject& object);

// The characters (codes) of a text object, each followed by a spacing item when its adjustment
// is not 0 (thousandths of the text size, TJ convention).
void SetCharacters(PageObject& object, int count, const int32_t* codes, const float* adjustments);
// The text of a text object as shown bytes, decoded with its font.
void SetBytes(PageObject& object, const std::string& bytes);
// Font, size and the a b c d of the text matrix (its translation is kept).
void SetTextState(PageObject& object, Font* font, float size, const float* matrix);
void SetPosition(PageObject& object, float x, float y);
void Transform(PageObject& object, fz_matrix m);
void SetFill(PageObject& object, int components, const float* values);

}  // namespace standin::pdf
