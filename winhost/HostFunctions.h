// What the Windows host program's function table adds to the stand-in host's shared parts: one
// open document (no pages), active unless closed.
#pragma once

#include "HostAbi.h"

namespace winhost {

HostHandle OpenDocument();
// Closing the document leaves the host with no active document (host 20:24 answers null).
void SetDocumentOpen(bool open);

}  // namespace winhost
