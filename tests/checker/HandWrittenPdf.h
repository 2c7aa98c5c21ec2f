// PDF files written by hand for the checker's tests, objects exactly as given.
#pragma once

#include <string>
#include <vector>

namespace checker {

// A file with a correct cross-reference table made of `objects` (numbered from 1; object 1 is
// the catalog), in the temporary directory under `name`; returns its path.
std::string WritePdf(const std::string& name, const std::vector<std::string>& objects);

}  // namespace checker
