// Find and protect through the DLL on real documents: the interface tests' script of clicks
// (tests/ui/FindProtectScript.h) on each of its documents, each saved file and transcript written
// to the output folder for the Linux side to compare, and pictures of the screen at the first
// find on the sample.
#pragma once

#include <string>

namespace winhost {

// Writes OUTPUT\NAME (the saved document) and OUTPUT\NAME.txt (the transcript) for every
// document, and OUTPUT\find-DPI.png.
void CheckFindProtect(const std::string& output, int dpi);

}  // namespace winhost
