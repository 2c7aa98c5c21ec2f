// How many pages a PDF file shows, counted by a walk of its page tree of its own, apart from the
// stand-in host's reader (whose repairs the check must not take on trust): every leaf is
// counted on every path that reaches it, a node met again below itself (a loop) is not, and
// the tree's /Count entries are ignored.
#pragma once

#include <string>

namespace checker {

// -1 when the file cannot be opened, needs a password, or its tree cannot be walked.
long TreePageCount(const std::string& path);

}  // namespace checker
