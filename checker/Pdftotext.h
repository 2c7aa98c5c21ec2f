// pdftotext run as a child process beside the caller's own work: started at once, its output
// and its messages collected in unnamed temporary files and read when wanted.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace checker {

class Pdftotext {
 public:
  explicit Pdftotext(const std::string& path);
  ~Pdftotext();  // waits for the child
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
  bool Wait();

  std::FILE* out_;
  std::FILE* messages_;
  pid_t pid_ = -1;
  bool succeeded_ = false;
};

}  // namespace checker
