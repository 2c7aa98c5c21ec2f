// Runs the module inside the stand-in host for one command: the handshake, then documents.
#pragma once

#include <string>

#include "HostAbi.h"

namespace cli {

// Loads the (statically linked) module into the stand-in host as the host would. False with a
// message on failure.
bool StartHost(std::string* error);

// Opens a PDF file as the host's active document; prints "veilmark COMMAND: ..." and returns
// null when it cannot be opened.
HostHandle OpenDocumentForCommand(const std::string& path, const char* command);

}  // namespace cli
