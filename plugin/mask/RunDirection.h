// Which way on the page a replacement's characters run, for drawing protection characters
// along them.
#pragma once

#include <optional>

#include "HostAbi.h"
#include "detect/PiMatch.h"

namespace vm {

// A direction in page space, not necessarily of unit length; (1, 0) is upright text.
struct TextDirection {
  float a = 1;
  float b = 0;
};

// The x axis of a character's text space (a and b of its matrix, host 120:5); nothing when the
// character lies in no text object or its matrix gives no direction.
std::optional<TextDirection> CharacterDirection(const HostCharInfo& info);

// The direction of a replacement on an analysed text page: its characters' x axis, unless the
// characters of a one-line run follow each other across that axis, as in vertical writing; then
// the way from the first character to the last (host 120:6 for those two).
TextDirection RunDirection(HostHandle textPage, const PiMatch& replacement,
                           std::optional<TextDirection> characterDirection);

}  // namespace vm
