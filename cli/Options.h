// The options of every veilmark command, read by one parser: "--name value", "--name=value",
// "-o value", "--" before operands that start with "-", and "-h"/"--help" everywhere.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/PiOptions.h"

namespace cli {

enum class Command { Text, Scan, Protect };

struct Options {
  Command command = Command::Scan;
  std::vector<std::string> inputs;  // operands, in order
  std::string filesFrom;            // --files-from FILE ("-": standard input)
  std::string output;               // -o: a file, or the folder of a batch
  std::string previewDir;           // --preview DIR
  bool json = false;
  bool check = true;                // protect: --no-check clears it
  bool keepAttachments = false;     // protect: --keep-attachments
  bool ocr = true;                  // --no-ocr clears it: scanned pages are only listed
  int jobs = 0;                     // --jobs; 0: the number of cores (files at once, or for one
                                    // file, scanned pages read at once)
  char protection = '*';
  vm::PiOptions pi;                 // categories (all unless --categories) and display formats
};

// The command's name and its usage text (printed by --help and after a usage error).
const char* CommandName(Command command);
const char* CommandUsage(Command command);

// Parses argv (argv[0] is the command's name). On --help prints the usage and gives exit
// code 0; on a usage error prints "veilmark COMMAND: MESSAGE" and the usage to stderr and
// gives 2; otherwise nullopt and fills *out.
std::optional<int> ParseOptions(Command command, int argc, char** argv, Options* out);

// Prints "veilmark COMMAND: MESSAGE" and the command's usage to stderr; returns 2.
int UsageError(Command command, const std::string& message);

}  // namespace cli
