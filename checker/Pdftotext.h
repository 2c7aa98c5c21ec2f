// pdftotext run as a child process beside the caller's own work: started at once, its output
// and its messages collected in unnamed temporary files and read when wanted.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace checker {

class Pdftotext {
 public:
  // Reads the file whole.
  explicit Pdftotext(const std::string& path);
  // Reads the file (`fileSize` bytes long) a slice of pages at a time, one pdftotext after the
  // other, each on a temporary copy of the file with one of `sliceUpdates` appended (see
  // PageTreeSlices.h); the text is that of the whole file. A shell child runs them, so that
  // this process has no thread and no memory more than for one pdftotext. Where the slices
  // cannot be made (no temporary directory, or too little room in it for two copies of the
  // file; a file of another size), reads the file whole.
  Pdftotext(const std::string& path, int64_t fileSize, std::vector<std::string> sliceUpdates);
  ~Pdftotext();  // waits for the child, and removes the slices' files
  Pdftotext(const Pdftotext&) = delete;
  Pdftotext& operator=(const Pdftotext&) = delete;

  // Waits for the child and gives `visit` the text of each page in turn (pdftotext ends every
  // page with a form feed), one page in memory at a time. False when pdftotext could not be
  // started or failed.
  bool ForEachPage(const std::function<void(std::string_view page)>& visit);
  // Waits for the child; true when it said it lacks the data to read a font's characters (the
  // CMaps and collections of poppler-data), so that it could have read more with them.
  bool LacksLanguageData();
  // Ends the child at once (its text then counts as not read).
  void Stop();

 private:
  // Starts `argv` with its output and messages going to those files.
  void Start(const char* const* argv);
  void StartWhole(const std::string& path);
  bool Wait();

  std::FILE* out_;
  std::FILE* messages_;
  pid_t pid_ = -1;
  bool succeeded_ = false;
  std::string sliceDirectory_;
  size_t slices_ = 0;  // files of the slices in that folder
};

}  // namespace checker
