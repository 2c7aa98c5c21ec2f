// The arguments shared by the commands that read one file and print occurrences:
// FILE [--categories LIST] [--json] [--help].
#pragma once

#include <optional>
#include <string>

#include "detect/PiCategory.h"

namespace cli {

struct FileArguments {
  std::string path;
  vm::PiCategoryFlags flags{};  // all set unless --categories names some
  bool json = false;
};

// Parses argv (argv[0] is the command's name). On --help prints `usage` and gives exit code 0;
// on a usage error prints the message and `usage` to stderr and gives 2; otherwise nullopt and
// fills *out.
std::optional<int> ParseFileArguments(int argc, char** argv, const char* command, const char* usage,
                                      FileArguments* out);

// Prints "veilmark COMMAND: MESSAGE" and the usage to stderr; returns 2.
int UsageError(const char* command, const std::string& message, const char* usage);

}  // namespace cli
