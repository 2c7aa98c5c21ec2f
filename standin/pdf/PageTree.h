// The pages of a document as its page tree holds them, walked node by node: the tree's counts
// are never trusted (a damaged or hostile count must not size anything), a node is a page when
// it has no kids whatever its type says, and a node met twice is passed over. Readers differ on
// such trees (some trust the counts, some the kids); a repaired tree makes them all show the
// pages found here, which are the ones searched and protected.
#pragma once

#include <vector>

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace standin::pdf {

// Page dictionaries in reading order, each a kept reference (drop with pdf_drop_obj). With
// `repair`, a tree whose counts, types or structure are wrong is replaced by one node holding
// these pages (with their inherited attributes). May throw a MuPDF error; call inside fz_try.
std::vector<pdf_obj*> WalkPageTree(fz_context* ctx, pdf_document* doc, bool repair);

// Replaces every reference to an object number the file does not define (at or beyond the end
// of its cross-reference table) by null, which is what such a reference means; new objects can
// then never take a number something already refers to. May throw; call inside fz_try.
void NullDanglingReferences(fz_context* ctx, pdf_document* doc);

}  // namespace standin::pdf
