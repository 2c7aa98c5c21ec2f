// The checks a pattern hit must pass before it becomes a candidate.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "detect/Patterns.h"

namespace vm {

// Highest valid day of months 1 to 12; February always allows 29.
inline constexpr std::array<int32_t, 12> DaysInMonth = {31, 29, 31, 30, 31, 30,
                                                        31, 31, 30, 31, 30, 31};

// The hit is pageText[start, start + length), cut at the end of the text.
bool ValidateMatch(PiCheck check, std::u16string_view pageText, int32_t start, int32_t length);

// Thirteen ASCII digits with a possible month and day in digits 3 to 6 and a seventh digit
// of the resident (1, 2, 3, 4, 9, 0) or, with `foreigner`, the foreigner set (5 to 8).
bool CheckRegistrationNumber(std::u16string_view candidate, bool foreigner);
// Fourteen to sixteen ASCII digits whose Luhn sum is a multiple of 10.
bool CheckCardNumber(std::u16string_view candidate);
// The whole candidate reads as a telephone number with plain dashes: 0 and one to three
// digits, three or four digits, four digits.
bool IsPhoneShaped(std::u16string_view candidate);
// U+002D, U+2010 to U+2015, U+2212 and U+FF0D.
bool IsDashChar(char16_t c);

}  // namespace vm
