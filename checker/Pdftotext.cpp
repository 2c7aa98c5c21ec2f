#include "Pdftotext.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

extern char** environ;

namespace checker {

Pdftotext::Pdftotext(const std::string& path) : out_(std::tmpfile()), messages_(std::tmpfile()) {
  if (!out_ || !messages_) return;
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return;
  posix_spawn_file_actions_adddup2(&actions, fileno(out_), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fileno(messages_), STDERR_FILENO);
  const char* argv[] = {"pdftotext", "-enc", "UTF-8", path.c_str(), "-", nullptr};
  if (posix_spawnp(&pid_, "pdftotext", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
    pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
}

Pdftotext::~Pdftotext() {
  Wait();
  if (out_) std::fclose(out_);
  if (messages_) std::fclose(messages_);
}

bool Pdftotext::Wait() {
  if (pid_ > 0) {
    int status = 0;
    pid_t done;
    while ((done = waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    succeeded_ = done == pid_ && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    pid_ = -1;
  }
  return succeeded_;
}

bool Pdftotext::ForEachPage(const std::function<void(std::string_view page)>& visit) {
  if (!Wait() || !out_) return false;
  std::rewind(out_);
  std::string page;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, out_)) > 0) {
    const std::string_view piece(buffer, n);
    size_t start = 0;
    for (size_t end = piece.find('\f'); end != std::string_view::npos; end = piece.find('\f', start)) {
      page.append(piece.substr(start, end - start));
      visit(page);
      page.clear();
      start = end + 1;
    }
    page.append(piece.substr(start));
  }
  return !std::ferror(out_);
}

}  // namespace checker

namespace checker {

void Pdftotext::Stop() {
  if (pid_ > 0) kill(pid_, SIGKILL);
  Wait();
  succeeded_ = false;
}

bool Pdftotext::LacksLanguageData() {
  Wait();
  if (!messages_) return false;
  std::string text;
  std::rewind(messages_);
  char buffer[4096];
  size_t n;
  // The first messages are enough; a damaged file can make pdftotext say much.
  while (text.size() < (1u << 20) && (n = std::fread(buffer, 1, sizeof buffer, messages_)) > 0) text.append(buffer, n);
  for (const char* sign : {"Missing language pack", "Unknown character collection", "Unknown CMap", "CMap file"})
    if (text.find(sign) != std::string::npos) return true;
  return false;
}

}  // namespace checker
