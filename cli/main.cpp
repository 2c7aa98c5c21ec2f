#include <cstdio>
#include <cstring>

#include "Commands.h"
#include "core/Application.h"

#ifdef VM_WITH_MIMALLOC
#include <mimalloc.h>
#endif

namespace {

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);
  const char* summary;
};

constexpr Command kCommands[] = {
    {"text", cli::RunTextCommand, "find personal information in a UTF-8 text file"},
    {"scan", cli::RunScanCommand, "find personal information in a PDF file"},
    {"protect", cli::RunProtectCommand, "write a copy of a PDF file with its personal information removed"},
};

void PrintUsage(std::FILE* out) {
  std::fputs("usage: veilmark COMMAND [ARGS...]\n\ncommands:\n", out);
  for (const Command& c : kCommands) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
  std::fputs("\nveilmark COMMAND --help describes a command; veilmark --version prints the version.\n", out);
}

#ifdef VM_WITH_MIMALLOC
// mimalloc keeps the pages it frees in use for a while, and a long walk frees some after every
// page: a document of 10,000 pages ended up holding over a megabyte more than one of 200. Handing
// them back on every free nearly doubles the run's time; at each release of a walk's objects (a
// few dozen pages apart) it costs a few percent at most.
void GiveBackFreedPages() {
  const long delay = mi_option_get(mi_option_decommit_delay);
  mi_option_set(mi_option_decommit_delay, 0);
  mi_collect(true);
  mi_option_set(mi_option_decommit_delay, delay);
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef VM_WITH_MIMALLOC
  standin::SetFreedMemoryReturn(GiveBackFreedPages);
#endif
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  if (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0) {
    std::printf("veilmark %s\n", VM_VERSION);
    return 0;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  for (const Command& c : kCommands)
    if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
  std::fprintf(stderr, "veilmark: unknown command '%s'\n", argv[1]);
  PrintUsage(stderr);
  return 2;
}
