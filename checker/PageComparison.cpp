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

void WriteString(std::FILE* file, const std::string& s) {
  WriteInt(file, static_cast<int64_t>(s.size()));
  std::fwrite(s.data(), 1, s.size(), file);
}

bool ReadString(std::FILE* file, std::string* s) {
  int64_t length;
  if (!ReadInt(file, &length) || length < 0 || length > (1 << 20)) return false;
  s->assign(static_cast<size_t>(length), '\0');
  return std::fread(s->data(), 1, s->size(), file) == s->size();
}

void Write(std::FILE* file, const PageComparison& c) {
  WriteInt(file, c.keptCharacters);
  WriteInt(file, c.maskedCharacters);
  WriteInt(file, static_cast<int64_t>(c.hostChars.size()));
  for (int n : c.hostChars) WriteInt(file, n);
  WriteInt(file, static_cast<int64_t>(c.failures.size()));
  for (const std::string& f : c.failures) WriteString(file, f);
  WriteInt(file, static_cast<int64_t>(c.boxesWanted.size()));
  for (const auto& [line, failure] : c.boxesWanted) {
    WriteString(file, line);
    WriteString(file, failure);
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
  for (int64_t i = 0; i < failures; ++i)
    if (!ReadString(file, &c->failures.emplace_back())) return false;
  int64_t boxes;
  if (!ReadInt(file, &boxes) || boxes < 0 || boxes > (1 << 24)) return false;
  for (int64_t i = 0; i < boxes; ++i) {
    auto& [line, failure] = c->boxesWanted.emplace_back();
    if (!ReadString(file, &line) || !ReadString(file, &failure)) return false;
  }
  return true;
}

}  // namespace

void PageComparison::Add(const PageComparison& other) {
  failures.insert(failures.end(), other.failures.begin(), other.failures.end());
  boxesWanted.insert(boxesWanted.end(), other.boxesWanted.begin(), other.boxesWanted.end());
  keptCharacters += other.keptCharacters;
  maskedCharacters += other.maskedCharacters;
  if (hostChars.size() < other.hostChars.size()) hostChars.resize(other.hostChars.size(), 0);
  for (size_t p = 0; p < other.hostChars.size(); ++p) hostChars[p] += other.hostChars[p];
}

ComparisonInChild::ComparisonInChild(int first, int last, Compare compare)
    : first_(first), last_(last), compare_(std::move(compare)) {
  report_ = std::tmpfile();
  if (!report_) return;
  // Nothing buffered may be written twice: the child ends with _exit, without flushing.
  std::fflush(stdout);
  std::fflush(stderr);
  child_ = fork();
  if (child_ != 0) return;
  // Whatever happens, the child ends here and never returns into its parent's work.
  int status = 1;
  try {
    Write(report_, compare_(first_, last_));
    status = std::fflush(report_) == 0 ? 0 : 1;
  } catch (...) {
  }
  _exit(status);
}

ComparisonInChild::~ComparisonInChild() {
  if (!finished_ && child_ > 0) {
    while (waitpid(child_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  if (report_) std::fclose(report_);
}

PageComparison ComparisonInChild::Finish() {
  finished_ = true;
  // No second process to be had: this one compares those pages.
  if (child_ < 0) return compare_(first_, last_);
  int status = 0;
  pid_t done;
  while ((done = waitpid(child_, &status, 0)) < 0 && errno == EINTR) {
  }
  PageComparison result;
  const bool reported = done == child_ && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                        (std::rewind(report_), Read(report_, &result));
  if (reported) return result;
  PageComparison failed;
  failed.failures.push_back("pages " + std::to_string(first_) + " to " + std::to_string(last_ - 1) +
                            " could not be compared (the process comparing them failed)");
  return failed;
}

}  // namespace checker
