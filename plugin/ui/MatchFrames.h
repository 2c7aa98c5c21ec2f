// Temporary frames around the occurrence being shown: one "Square" annotation per rectangle,
// drawn by a blue Form XObject appearance, removed again before anything else happens.
#pragma once

#include <string>

#include "HostAbi.h"
#include "detect/PiMatch.h"
#include "ui/DialogState.h"

namespace vm {

// Adds one frame annotation per rectangle of the match to its page and records each in
// `state.frames`; repaints the view window.
void AddMatchFrames(PiDialogState& state, HostHandle document, const PiMatch& match);

// Gives an annotation a Form XObject appearance (/AP /N) that strokes the rectangle's outline;
// nothing for a rectangle without width or height.
void SetFrameAppearance(HostHandle pdfDocument, HostHandle annotationDictionary, const HostBox& rect);

// The appearance stream's content for a frame of that width and height (two decimals, '.').
std::string FrameAppearanceContent(float width, float height);

// True when the host still has the document open (host 20:22, 20:23).
bool IsDocumentOpen(HostHandle document);

// The box with its corners ordered: left, bottom, right, top.
HostBox Normalized(const HostBox& box);

// The match's position: its first rectangle, ordered; a zero box when it has none.
HostBox FirstRect(const PiMatch& match);

// Invalidates the whole window of the document's view (erasing) and repaints it at once.
void RepaintView(HostHandle view);

}  // namespace vm
