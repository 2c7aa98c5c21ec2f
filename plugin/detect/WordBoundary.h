// "\b" and "\B" of an ECMAScript pattern as PCRE2 look-arounds over the word characters the
// detection counts: letters of every script, decimal digits and "_" ([\p{L}\p{Nd}_]).
//
// PCRE2's own "\b" follows its "\w", which in Unicode mode also takes every other number (①, ²,
// Ⅻ) and, from 10.43 on, marks and connector punctuation, so it cannot be used as it is. The full
// boundary is two alternatives of two look-arounds; where the pattern element next to it always
// consumes a word character (a digit, an ASCII letter, or a group whose every alternative does),
// one look-around on the other side says the same and keeps PCRE2's start-of-match optimizations.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace vm {

// The PCRE2 text for each "\b" or "\B" outside brackets, by the index of its backslash in the
// ECMAScript pattern. Empty when the pattern cannot be read (unbalanced parentheses or brackets).
std::map<size_t, std::u16string_view> WordBoundaries(std::u16string_view ecmaPattern);

// The two-sided form, right at any place.
std::u16string_view FullWordBoundary(bool negated);

}  // namespace vm
