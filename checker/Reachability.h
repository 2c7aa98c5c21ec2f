// Which objects of a PDF file can be reached from its trailer.
#pragma once

#include <set>
#include <string>

namespace checker {

// Object numbers reachable from the trailer of the file (through every dictionary, array and
// stream dictionary). Empty with *error set when the file cannot be opened.
std::set<int> ReachableObjects(const std::string& path, std::string* error);

}  // namespace checker
