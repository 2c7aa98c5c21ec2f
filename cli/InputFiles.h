// The files a command works on: operands, folders searched for PDF files, and lists of names;
// each with the name its protected copy gets under an output folder.
#pragma once

#include <string>
#include <vector>

namespace cli {

struct InputFile {
  std::string path;          // as given, or joined to the folder that was given
  std::string relativeName;  // its name under an output folder
};

struct InputList {
  std::vector<InputFile> files;
  bool batch = false;        // several files, a folder or a list: one summary line per file
  std::string error;         // a list or folder that could not be read
};

// Operands in order: a folder gives its *.pdf files (sorted, recursively) named relative to
// it; a file keeps its path as the relative name when that is relative and stays below the
// current folder, else its file name (a single file alone: always its file name). `filesFrom` (when not empty) adds one file per line.
InputList CollectInputs(const std::vector<std::string>& operands, const std::string& filesFrom);

// Why a path cannot be read as an input file ("No such file", "is a folder", ...); empty when
// it is a readable regular file.
std::string UnusableInputReason(const std::string& path);

// Why a path cannot be written as an output file: it exists and is not a regular file (a
// device, a pipe, a socket, a folder); empty otherwise.
std::string UnusableOutputReason(const std::string& path);

}  // namespace cli
