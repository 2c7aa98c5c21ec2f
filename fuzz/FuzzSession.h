// What the whole-pipeline fuzz targets share: the module loaded into the stand-in host once,
// and a scan and protect of every category, as the protect command does it.
#pragma once

#include <string>

#include "HostAbi.h"

namespace fuzz {

void EnsureModuleLoaded();
void ScanAndProtect(HostHandle document);
// A file name in a directory of this process's own.
std::string TemporaryPath(const std::string& name);

}  // namespace fuzz
