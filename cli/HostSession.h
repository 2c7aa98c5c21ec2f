// Runs the module inside the stand-in host for one command: the handshake, then the document.
#pragma once

#include <string>

#include "HostAbi.h"

namespace cli {

// Loads the (statically linked) module into the stand-in host as the host would, then opens a
// PDF file as the host's active document and moves the text of its form XObjects into page
// content (naming on stderr the forms whose text has to stay). Prints "veilmark COMMAND: ..."
// and returns null when either fails. The host keeps only a few page models at a time, so
// memory stays flat however long the document is.
HostHandle OpenInHost(const std::string& path, const char* command);

int DocumentPageCount(HostHandle document);
void CloseInHost(HostHandle document);

}  // namespace cli
