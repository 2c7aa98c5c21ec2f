// The replacement list: one record per contiguous run of masked characters of each occurrence.
#pragma once

#include <cstdint>

#include "HostAbi.h"
#include "detect/PiMatch.h"
#include "ui/PiOptions.h"

namespace vm {

// Clears `replacements` and fills it from `matches` in order, using each category's template
// from the options; returns the record count. A match whose template masks everything, or that
// cannot be split (no view, no text page, a text that does not fit its count), is copied whole.
// A masked run for which the host reports no box is kept without boxes, so that its characters
// are still removed.
int32_t BuildReplacements(HostHandle document, const PiOptions& options, const PiMatchList& matches,
                          PiMatchList& replacements);

}  // namespace vm
