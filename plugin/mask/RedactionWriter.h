// Writes a replacement list into the document as one undoable step.
#pragma once

#include "HostAbi.h"
#include "detect/PiMatch.h"

namespace vm {

// The byte drawn for a protection character: the character itself when it is printable ASCII
// (33 to 126), else "*".
char ProtectionByte(char16_t protection);

// Removes each replacement's characters from the page's text objects, then draws protection
// characters over its boxes or, where it lies mostly over an image-like object, a black box.
// Pages are handled in ascending order. True when at least one page changed and the undo step
// "개인 정보 보호" was registered.
bool ApplyReplacements(HostHandle document, const PiMatchList& replacements, char16_t protection);

}  // namespace vm
