#include "Batch.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>

#include "TextOutput.h"
#include "Utf8.h"

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

// In a batch's worker: its file's slot in the memory the parent reads.
FileResult* gWorkerSlot = nullptr;

int Severity(int exit) {
  switch (exit) {
    case 0: return 0;
    case 3: return 1;
    case 1: return 2;
    case 4: return 3;
    default: return 2;
  }
}

std::string Json(const std::string& utf8) {
  const std::optional<std::u16string> text = common::Utf8ToUtf16(utf8);
  if (text) return JsonString(*text);
  std::string ascii;  // a file name that is not UTF-8: its bytes as escapes
  for (unsigned char c : utf8) ascii += c < 0x80 ? static_cast<char>(c) : '?';
  return JsonString(common::Utf8ToUtf16(ascii).value_or(u""));
}

std::string Clock2(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char buffer[32];
  if (s >= 3600)
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld", s / 60, s % 60);
  return buffer;
}

// Copies a worker's captured output to the stream and closes it.
void PassOn(std::FILE* captured, std::FILE* to) {
  std::rewind(captured);
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, captured)) > 0) std::fwrite(buffer, 1, n, to);
  std::fclose(captured);
}

struct Worker {
  size_t index;
  std::FILE* out;
  std::FILE* err;
  Clock::time_point started;
};

// A file's share of the work, for the time left: its size (at least one page's worth).
double WeightOf(const InputFile& file) {
  struct stat info;
  return stat(file.path.c_str(), &info) == 0 ? static_cast<double>(info.st_size) + 4096 : 4096;
}

class Progress {
 public:
  explicit Progress(size_t total) : total_(total), shown_(isatty(STDERR_FILENO) != 0) {}
  void Draw(size_t done, long pages, double bytesDone, double bytesTotal, long ocrPages) {
    if (!shown_) return;
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    std::fprintf(stderr, "\r%s\x1b[K",
                 ProgressLine(done, total_, pages, seconds, bytesDone, bytesTotal, 78, ocrPages).c_str());
    std::fflush(stderr);
  }
  void Clear() {
    if (shown_) std::fputs("\r\x1b[K", stderr);
  }

 private:
  size_t total_;
  bool shown_;
  Clock::time_point start_ = Clock::now();
};

}  // namespace

int WorseExit(int a, int b) { return Severity(b) > Severity(a) ? b : a; }

const char* StatusName(int exit) {
  switch (exit) {
    case 0: return "ok";
    case 3: return "incomplete";
    case 4: return "check-failed";
    default: return "error";
  }
}

std::string SummaryLine(const std::string& file, const FileResult& result, double seconds,
                        const std::string& output) {
  char numbers[160];
  std::snprintf(numbers, sizeof numbers, ",\"status\":\"%s\",\"exit\":%d,\"pages\":%d,"
                "\"occurrences\":%d,\"seconds\":%.2f", StatusName(result.exit), result.exit,
                result.pages, result.occurrences, seconds);
  std::string line = "{\"file\":" + Json(file) + numbers;
  if (!output.empty()) line += ",\"output\":" + Json(output);
  return line + "}";
}

void NoteOcrProgress(size_t done, size_t total) {
  if (gWorkerSlot) {
    gWorkerSlot->ocrPages = static_cast<int>(done);
    return;
  }
  if (!isatty(STDERR_FILENO)) return;
  static Clock::time_point start;
  if (done <= 1) start = Clock::now();
  if (done >= total) {
    std::fputs("\r\x1b[K", stderr);
    return;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const std::string left = done > 0 ? Clock2(seconds * (total - done) / done) : "--:--";
  char tail[96];
  std::snprintf(tail, sizeof tail, " %zu/%zu scanned pages read by OCR  %s left", done, total, left.c_str());
  const int barWidth = std::max(10, 78 - 2 - static_cast<int>(std::string(tail).size()));
  const int filled = static_cast<int>(static_cast<double>(done) / std::max<size_t>(total, 1) * barWidth + 0.5);
  std::fprintf(stderr, "\r[%s%s]%s\x1b[K", std::string(filled, '#').c_str(),
               std::string(barWidth - filled, '.').c_str(), tail);
  std::fflush(stderr);
}

std::string ProgressLine(size_t done, size_t total, long pages, double seconds, double bytesDone,
                         double bytesTotal, int width, long ocrPages) {
  char tail[128];
  const double rate = seconds > 0 ? pages / seconds : 0;
  std::string left = "--:--";
  if (done == total) left = "0:00";
  else if (bytesDone > 0 && bytesTotal > bytesDone) left = Clock2(seconds * (bytesTotal - bytesDone) / bytesDone);
  char ocr[48] = "";
  if (ocrPages > 0) std::snprintf(ocr, sizeof ocr, "  %ld OCR pages", ocrPages);
  std::snprintf(tail, sizeof tail, " %zu/%zu files  %.0f pages/s%s  %s left", done, total, rate, ocr,
                left.c_str());
  const int barWidth = std::max(10, width - 2 - static_cast<int>(std::string(tail).size()));
  const double fraction = bytesTotal > 0 ? std::min(1.0, bytesDone / bytesTotal)
                                         : (total ? static_cast<double>(done) / total : 1.0);
  const int filled = static_cast<int>(fraction * barWidth + 0.5);
  return "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "]" + tail;
}

int RunBatch(const std::vector<InputFile>& files, int jobs, const FileWork& work,
             const std::function<std::string(const InputFile&, int exit)>& outputOf) {
  if (jobs <= 0) jobs = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
  // Workers write their counts here; the parent reads them after the worker ended.
  const size_t bytes = std::max<size_t>(1, files.size()) * sizeof(FileResult);
  void* shared = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) {
    std::perror("veilmark: mmap");
    return 1;
  }
  auto* results = static_cast<FileResult*>(shared);

  double bytesTotal = 0;
  std::vector<double> weights;
  for (const InputFile& f : files) bytesTotal += weights.emplace_back(WeightOf(f));

  Progress progress(files.size());
  std::map<pid_t, Worker> running;
  size_t next = 0;
  size_t done = 0;
  long pages = 0;
  double bytesDone = 0;
  int worst = 0;
  // Images read by OCR, of the files done and of those being worked on.
  auto ocrPages = [&] {
    long count = 0;
    for (size_t i = 0; i < next; ++i) count += results[i].ocrPages;
    return count;
  };
  progress.Draw(0, 0, 0, bytesTotal, 0);
  while (next < files.size() || !running.empty()) {
    while (next < files.size() && running.size() < static_cast<size_t>(jobs)) {
      Worker worker{next, std::tmpfile(), std::tmpfile(), Clock::now()};
      results[next] = FileResult{1, 0, 0, 0};
      std::fflush(stdout);
      std::fflush(stderr);
      const pid_t pid = worker.out && worker.err ? fork() : -1;
      if (pid == 0) {
        dup2(fileno(worker.out), STDOUT_FILENO);
        dup2(fileno(worker.err), STDERR_FILENO);
        gWorkerSlot = &results[worker.index];
        FileResult done = work(files[worker.index]);
        done.ocrPages = results[worker.index].ocrPages;
        results[worker.index] = done;
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(results[worker.index].exit);
      }
      if (pid < 0) {
        std::fprintf(stderr, "veilmark: cannot start a worker for '%s'\n", files[next].path.c_str());
        if (worker.out) std::fclose(worker.out);
        if (worker.err) std::fclose(worker.err);
        worst = WorseExit(worst, 1);
        ++next;
        ++done;
        continue;
      }
      running[pid] = worker;
      ++next;
    }
    int status = 0;
    const pid_t ended = waitpid(-1, &status, WNOHANG);
    if (ended <= 0) {
      usleep(100 * 1000);
      progress.Draw(done, pages, bytesDone, bytesTotal, ocrPages());
      continue;
    }
    auto it = running.find(ended);
    if (it == running.end()) continue;
    const Worker worker = it->second;
    running.erase(it);
    FileResult result = results[worker.index];
    if (!WIFEXITED(status)) {
      std::fprintf(worker.err, "veilmark: '%s': the worker ended with signal %d\n",
                   files[worker.index].path.c_str(), WIFSIGNALED(status) ? WTERMSIG(status) : 0);
      result.exit = 1;
    } else {
      result.exit = WEXITSTATUS(status);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - worker.started).count();
    progress.Clear();
    PassOn(worker.err, stderr);
    PassOn(worker.out, stdout);
    const InputFile& file = files[worker.index];
    std::printf("%s\n", SummaryLine(file.path, result, seconds,
                                    outputOf(file, result.exit)).c_str());
    std::fflush(stdout);
    worst = WorseExit(worst, result.exit);
    ++done;
    pages += result.pages;
    bytesDone += weights[worker.index];
    progress.Draw(done, pages, bytesDone, bytesTotal, ocrPages());
  }
  progress.Clear();
  munmap(shared, bytes);
  return worst;
}

}  // namespace cli
