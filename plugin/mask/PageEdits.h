// Edits of one PDF page through the host's object model, on behalf of the redaction writer.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "HostAbi.h"
#include "detect/PiMatch.h"
#include "mask/BoxGeometry.h"
#include "mask/RunDirection.h"

namespace vm {

// One character item of a text object being rewritten.
struct TextItem {
  int32_t code = 0;
  float adjustment = 0;  // sum of the spacing items that follow, up to the next character
  float x = 0;           // origin in the text object's space
  float y = 0;
  bool removed = false;
};

using ItemIndexSet = std::set<int32_t>;

// The character items of a text object's items (as host 83:3 delivers them): spacing items add
// to the preceding character's adjustment (dropped before the first character), and a character
// is removed when its item index is in the set.
std::vector<TextItem> MakeTextItems(const std::vector<HostTextItem>& items,
                                    const ItemIndexSet& removeItems);

// Replaces the text object by copies holding only its remaining runs of characters, each placed
// where its run stood, and removes the object itself. True when the object was replaced or
// removed; false when nothing changed (not on the page, no character item, or a copy could not
// be made; in the last case the copies already inserted are taken out again).
bool RewriteTextObject(HostHandle pdfPage, HostHandle textObject, const ItemIndexSet& removeItems);

// The object's position in the page's object list, or 0 when it is not on the page.
HostPosition FindObjectPosition(HostHandle pdfPage, HostHandle object);

// Adds, per box of the replacement, a black Helvetica text object of protection characters
// spread over the run's length. Upright text gets them stretched horizontally to the box's
// width; text at an angle gets them written along its direction, over the run's length within
// the box. True when at least one object was added.
bool WriteReplacementText(HostHandle pdfDocument, HostHandle pdfPage, const PiMatch& replacement,
                          char protectionChar, TextDirection direction = {});

// The operators that fill the boxes in black ("re" lines with two decimals); empty when no box
// is wider and higher than 0.1.
std::string BlackBoxOperators(const BoxList& boxes);

// Replaces the page's Contents by one new stream: the earlier content followed by the boxes.
// False, with nothing changed, when no box is drawable, there is no page dictionary, or a
// content stream could not be read.
bool AppendBlackBoxes(HostHandle pdfDocument, HostHandle pdfPage, const BoxList& boxes);

// Appends the stream's data when the object is a stream. False when the object is not a stream
// or its data could not be read.
bool ReadStreamData(HostHandle object, std::string& bytes);

}  // namespace vm
