#include "FileArguments.h"

#include <cstdio>
#include <cstring>

#include "Categories.h"

namespace cli {

int UsageError(const char* command, const std::string& message, const char* usage) {
  std::fprintf(stderr, "veilmark %s: %s\n%s", command, message.c_str(), usage);
  return 2;
}

std::optional<int> ParseFileArguments(int argc, char** argv, const char* command, const char* usage,
                                      FileArguments* out) {
  std::string categories;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(usage, stdout);
      return 0;
    } else if (arg == "--json") {
      out->json = true;
    } else if (arg == "--categories") {
      if (i + 1 >= argc) return UsageError(command, "--categories needs a list", usage);
      categories = argv[++i];
    } else if (arg.rfind("--categories=", 0) == 0) {
      categories = arg.substr(std::strlen("--categories="));
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError(command, "unknown option '" + arg + "'", usage);
    } else if (out->path.empty()) {
      out->path = arg;
    } else {
      return UsageError(command, "more than one FILE", usage);
    }
  }
  if (out->path.empty()) return UsageError(command, "no FILE given", usage);
  out->flags.fill(true);
  std::string bad;
  if (!categories.empty() && !ParseCategories(categories, out->flags, bad))
    return UsageError(command, "unknown category '" + bad + "'", usage);
  return std::nullopt;
}

}  // namespace cli
