#include "Pdftotext.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

extern char** environ;

namespace checker {

namespace {

// Runs in `sh -c` with the file and the updates' files as arguments: each slice's file is
// made, read and removed before the next. Stopped (TERM), it stops its pdftotext too.
constexpr const char* kReadSlices = R"(copy=$1; shift
trap 'kill $reader 2>/dev/null; exit 1' TERM
for update do
  cat -- "$copy" "$update" > "$update.pdf" || exit 1
  pdftotext -enc UTF-8 "$update.pdf" - & reader=$!
  wait $reader || exit 1
  reader=
  rm -f -- "$update.pdf"
done)";

// A slice's update, and with ".pdf" the file the shell makes of it.
std::string SliceFile(const std::string& directory, size_t slice, const char* suffix) {
  return directory + "/" + std::to_string(slice) + suffix;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

Pdftotext::Pdftotext(const std::string& path) : out_(std::tmpfile()), messages_(std::tmpfile()) {
  if (out_ && messages_) StartWhole(path);
}

Pdftotext::Pdftotext(const std::string& path, int64_t fileSize, std::vector<std::string> sliceUpdates)
    : out_(std::tmpfile()), messages_(std::tmpfile()) {
  if (!out_ || !messages_) return;
  // Where the slices cannot be made, the file is read whole: the same text, in more memory.
  struct stat status;
  const char* variable = std::getenv("TMPDIR");
  const std::string folder = variable && *variable ? variable : "/tmp";
  std::string directory = folder + "/veilmark-pdftotext-XXXXXX";
  // Each slice's file is as long as the file: with less room than two of them, read it whole.
  struct statvfs room;
  const bool roomy = statvfs(folder.c_str(), &room) == 0 &&
                     static_cast<uint64_t>(room.f_bavail) * room.f_frsize / 2 > static_cast<uint64_t>(fileSize);
  if (!roomy || stat(path.c_str(), &status) != 0 || status.st_size != fileSize || !mkdtemp(directory.data())) {
    StartWhole(path);
    return;
  }
  sliceDirectory_ = directory;
  std::vector<std::string> arguments = {"sh", "-c", kReadSlices, "sh", path};
  for (size_t i = 0; i < sliceUpdates.size(); ++i) {
    ++slices_;
    arguments.push_back(SliceFile(directory, i, ""));
    if (!WriteFile(arguments.back(), sliceUpdates[i])) {
      StartWhole(path);
      return;
    }
  }
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  Start(argv.data());
}

Pdftotext::~Pdftotext() {
  Wait();
  if (out_) std::fclose(out_);
  if (messages_) std::fclose(messages_);
  if (sliceDirectory_.empty()) return;
  for (size_t i = 0; i < slices_; ++i) {
    unlink(SliceFile(sliceDirectory_, i, "").c_str());
    unlink(SliceFile(sliceDirectory_, i, ".pdf").c_str());
  }
  rmdir(sliceDirectory_.c_str());
}

void Pdftotext::StartWhole(const std::string& path) {
  const char* argv[] = {"pdftotext", "-enc", "UTF-8", path.c_str(), "-", nullptr};
  Start(argv);
}

void Pdftotext::Start(const char* const* argv) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return;
  posix_spawn_file_actions_adddup2(&actions, fileno(out_), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fileno(messages_), STDERR_FILENO);
  if (posix_spawnp(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
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

void Pdftotext::Stop() {
  // TERM ends pdftotext at once; the slices' shell stops its pdftotext first.
  if (pid_ > 0) kill(pid_, SIGTERM);
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
