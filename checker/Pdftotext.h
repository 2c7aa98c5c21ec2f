// pdftotext run as a child process beside the caller's own work: started at once, its output
// collected in an unnamed temporary file and read when wanted.
#pragma once

#include <cstdio>
#include <string>
#include <sys/types.h>
#include <vector>

namespace checker {

class Pdftotext {
 public:
  explicit Pdftotext(const std::string& path);
  ~Pdftotext();  // waits for the child
  Pdftotext(const Pdftotext&) = delete;
  Pdftotext& operator=(const Pdftotext&) = delete;

  // Waits for the child; the text of each page (pdftotext ends every page with a form feed).
  // False when pdftotext could not be started or failed.
  bool Pages(std::vector<std::string>* pages);

 private:
  bool Wait();

  std::FILE* out_;
  pid_t pid_ = -1;
  bool succeeded_ = false;
};

}  // namespace checker
