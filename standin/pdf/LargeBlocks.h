#pragma once

#include <mupdf/fitz.h>

namespace standin::pdf {

// A MuPDF context whose large allocations (256 KiB and more) are pages mapped for each block
// alone, where the system allows it; the others go to malloc. MuPDF grows a document's
// cross-reference tables one entry at a time, each time by realloc: through malloc, every move to
// a larger block copies the table and leaves the block it left resident until malloc reuses it,
// so a long edit keeps several copies of the largest tables. A mapped block grows in place or is
// moved by the kernel without copying, and its pages go back to the system when it is freed.
// Like any MuPDF context made without locks, it is for one thread at a time; blocks may be freed
// through any context made here, so every MuPDF context of the program is made here. Null when MuPDF cannot make a context.
fz_context* NewContextWithMappedLargeBlocks(size_t maxStore = FZ_STORE_DEFAULT);

// fz_calloc of a large block for a context made above gives mapped pages, left untouched: they
// take memory only once used, so that a large table of which little is used stays small.

// Bytes in the blocks mapped now, for every context (0 where blocks are not mapped).
size_t MappedLargeBlockBytes();

}  // namespace standin::pdf
