// The subcommands of the veilmark command line. Each takes the arguments after its name
// (argv[0] is the subcommand's name) and returns the process exit code.
#pragma once

namespace cli {

// veilmark text FILE [--categories LIST] [--json]
int RunTextCommand(int argc, char** argv);

// veilmark scan FILE.pdf... [--categories LIST] [--json] [--preview DIR] [--jobs N] ...
int RunScanCommand(int argc, char** argv);

// veilmark protect IN.pdf -o OUT.pdf | IN... -o DIR [--categories LIST] [--char C] ...
int RunProtectCommand(int argc, char** argv);

}  // namespace cli
