// pdftotext keeps a record of every page it has read, and of every page before the last one it
// was asked for, so on a long document it holds thousands of them. It is given such a document
// a slice of pages at a time instead: each slice is the file's own bytes followed by an
// appended update whose catalog points to a page tree of that slice's pages only. The pages,
// their contents and resources are the file's own objects, read as they stand; the tree's nodes
// that hold only part of the slice are written anew with the attributes pages inherit from them
// (/Resources, /MediaBox, /CropBox, /Rotate), nested as in the file, so every page of every
// slice reads as it does in the whole file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace checker {

// The updates to append to the file (`fileSize` bytes long), one per slice of `pagesPerSlice`
// pages (the last may have fewer), in page order; at most 32 slices, each then longer. Empty
// where the document has no more pages than a slice, or where a reader could take its page tree
// otherwise than as a plain tree: an encrypted or repaired file, a kid that is no reference to a
// dictionary, a node met twice, a /Count of the root that is not its number of pages, a tree
// deeper than any made. May throw.
std::vector<std::string> PageTreeSliceUpdates(fz_context* ctx, pdf_document* doc, int64_t fileSize,
                                              int pagesPerSlice);

}  // namespace checker
