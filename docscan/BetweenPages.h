// What a walk through every page of a document calls after each page (with its index), so that
// the caller may let the document drop the objects read for the pages before: a long document
// is then not held whole. The walk keeps nothing it borrowed from earlier pages across the call.
#pragma once

#include <functional>

namespace docscan {

using BetweenPages = std::function<void(int page)>;

}  // namespace docscan
