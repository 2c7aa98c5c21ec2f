// The document the Windows host program's dialog checks run on: the bundled sample, opened from
// the data folder the program is given.
#pragma once

#include <string>

#include "HostAbi.h"

namespace winhost {

// The folder that holds the documents (sample-ko.pdf and those of the find-and-protect runs).
void SetDataFolder(const std::string& folder);
std::string DataFile(const std::string& name);

// Opens the sample (again) as the active document; null, with the reason printed, on failure.
HostHandle OpenSample();
// Closes it: the host then has no document.
void CloseSample();

}  // namespace winhost
