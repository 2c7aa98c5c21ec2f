#include "PageComparison.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace checker {

namespace {

void WriteInt(std::FILE* file, int64_t value) { std::fwrite(&value, sizeof value, 1, file); }

bool ReadInt(std::FILE* file, int64_t* value) { return std::fread(value, sizeof *value, 1, file) == 1; }

void Write(std::FILE* file, const PageComparison& c) {
  WriteInt(file, c.keptCharacters);
  WriteInt(file, c.maskedCharacters);
  WriteInt(file, static_cast<int64_t>(c.hostChars.size()));
  for (int n : c.hostChars) WriteInt(file, n);
  WriteInt(file, static_cast<int64_t>(c.failures.size()));
  for (const std::string& f : c.failures) {
    WriteInt(file, static_cast<int64_t>(f.size()));
    std::fwrite(f.data(), 1, f.size(), file);
  }
}

bool Read(std::FILE* file, PageComparison* c) {
  int64_t kept, masked, pages, failures;
  if (!ReadInt(file, &kept) || !ReadInt(file, &masked) || !ReadInt(file, &pages) || pages < 0 || pages > (1 << 24))
    return false;
  c->keptCharacters = static_cast<int>(kept);
  c->maskedCharacters = static_cast<int>(masked);
  c->hostChars.resize(static_cast<size_t>(pages));
  for (int& n : c->hostChars) {
    int64_t value;
    if (!ReadInt(file, &value)) return false;
    n = static_cast<int>(value);
  }
  if (!ReadInt(file, &failures) || failures < 0 || failures > (1 << 24)) return false;
  for (int64_t i = 0; i < failures; ++i) {
    int64_t length;
    if (!ReadInt(file, &length) || length < 0 || length > (1 << 20)) return false;
    std::string& f = c->failures.emplace_back(static_cast<size_t>(length), '\0');
    if (std::fread(f.data(), 1, f.size(), file) != f.size()) return false;
  }
  return true;
}

}  // namespace

void PageComparison::Add(const PageComparison& other) {
  failures.insert(failures.end(), other.failures.begin(), other.failures.end());
  keptCharacters += other.keptCharacters;
  maskedCharacters += other.maskedCharacters;
  if (hostChars.size() < other.hostChars.size()) hostChars.resize(other.hostChars.size(), 0);
  for (size_t p = 0; p < other.hostChars.size(); ++p) hostChars[p] += other.hostChars[p];
}

PageComparison CompareInTwoProcesses(int pages, const std::function<PageComparison(int first, int last)>& compare) {
  const int middle = pages / 2;
  std::FILE* report = std::tmpfile();
  // Nothing buffered may be written twice: the child ends with _exit, without flushing.
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = report ? fork() : -1;
  if (child == 0) {
    // Whatever happens, the child ends here and never returns into its parent's work.
    int status = 1;
    try {
      Write(report, compare(middle, pages));
      status = std::fflush(report) == 0 ? 0 : 1;
    } catch (...) {
    }
    _exit(status);
  }
  PageComparison result = compare(0, middle);
  PageComparison second;
  bool reported = false;
  if (child < 0) {
    // No second process to be had: this one compares the second half too.
    second = compare(middle, pages);
    reported = true;
  } else {
    int status = 0;
    pid_t done;
    while ((done = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    reported = done == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
               (std::rewind(report), Read(report, &second));
  }
  if (report) std::fclose(report);
  if (reported)
    result.Add(second);
  else
    result.failures.push_back("pages " + std::to_string(middle) + " to " + std::to_string(pages - 1) +
                              " could not be compared (the process comparing them failed)");
  return result;
}

}  // namespace checker
