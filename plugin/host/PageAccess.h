// Page access shared by the scan, the masking and the redaction writer: bringing a PDF page into
// the parsed state, and the character-information query.
#pragma once

#include <cstdint>

#include "HostAbi.h"

namespace vm {

// The most continue steps EnsurePageParsed makes before giving up on a page whose parsing makes
// no progress.
constexpr int kMaxParseContinueSteps = 100000;

// Brings a PDF page (host 32:2) into the parsed state (host 73:4/74:0/73:28/73:2/74:1). An
// already parsed page costs one host call. Returns whether the host reports the page parsed; it
// can only be false after kMaxParseContinueSteps continue steps without success.
bool EnsurePageParsed(HostHandle page);

// Parses the page, opens its text page (host 120:0) and has it analysed when the host reports
// it is not (host 120:3, 120:2). Null when the host gives no text page; the caller releases a
// non-null one with host 120:1. With `parsed`, it tells whether the page reached the parsed
// state: a text page opened on a page that did not holds only part of its text.
HostHandle OpenAnalysedTextPage(HostHandle pdfPage, bool* parsed = nullptr);

// Fills *info for one character of a text page (host 120:5): the record is zero-filled, its
// first field carries a fresh object of host 7:0 during the query, and that object is released
// with host 7:1 before returning (the field is then null). Every other field is the host's
// answer, so callers read the record after this returns. Returns host 120:5's result.
int32_t QueryCharInfo(HostHandle textPage, int32_t index, HostCharInfo* info);

}  // namespace vm
