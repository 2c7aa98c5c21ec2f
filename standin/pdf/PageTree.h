// The pages of a document as its page tree holds them, walked node by node: the tree's counts
// are never trusted (a damaged or hostile count must not size anything), a node is a page when
// it has no kids whatever its type says, a node met again below itself (a loop) is passed over,
// and a node listed in several places is shown in each, as readers show it. Readers differ on
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
// these pages (with their inherited attributes), a page listed twice becoming two. May throw a
// MuPDF error (also for a tree that lists more pages than any document has); call inside fz_try.
std::vector<pdf_obj*> WalkPageTree(fz_context* ctx, pdf_document* doc, bool repair);

// Replaces every reference to an object number the file does not define (at or beyond the end
// of its cross-reference table) by null, which is what such a reference means; new objects can
// then never take a number something already refers to. Objects that cannot be parsed become
// null, and arrays and dictionaries nested beyond any producer's depth are cut there, so that
// what reads can be written. May throw; call inside fz_try.
void NullDanglingReferences(fz_context* ctx, pdf_document* doc);

}  // namespace standin::pdf
