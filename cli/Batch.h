// Running a command over many files: each file in its own worker process (so one damaged file
// cannot take the others down), several at once, with progress on a terminal and one JSON
// summary line per file.
#pragma once

#include <functional>
#include <string>

#include "InputFiles.h"

namespace cli {

// What a worker reports about its file.
struct FileResult {
  int exit = 0;         // the file's exit status (0, 1, 3, 4)
  int pages = 0;
  int occurrences = 0;
  int ocrPages = 0;     // images read by OCR so far (a worker counts them as it goes)
};

using FileWork = std::function<FileResult(const InputFile& file)>;

// The worst of two exit statuses: 4 (the check failed) above 1 (a file error) above 3 (not
// fully searched) above 0.
int WorseExit(int a, int b);
// "ok", "error", "incomplete", "check-failed".
const char* StatusName(int exit);

// One summary line: {"file":...,"status":...,"exit":...,"pages":...,"occurrences":...,
// "seconds":...[,"output":...]}.
std::string SummaryLine(const std::string& file, const FileResult& result, double seconds,
                        const std::string& output);

// The progress line: a bar, files done of all, pages per second, images read by OCR (when
// any) and the time left (estimated from the bytes of the files done), fitted into `width` columns.
std::string ProgressLine(size_t done, size_t total, long pages, double seconds, double bytesDone,
                         double bytesTotal, int width, long ocrPages = 0);

// Called as a file's scanned pages are read by OCR (`done` of `total` images). In a batch the
// progress line counts them; for a single file on a terminal a progress line of its own shows
// them, and is cleared when done == total.
void NoteOcrProgress(size_t done, size_t total);

// Runs `work` on every file with up to `jobs` worker processes (0: one per processor). Each
// worker's standard output and error are passed on whole when it ends, followed by the
// file's summary line; `outputOf` names the file's output for that line given its exit
// status (empty for none).
// Returns the worst exit status.
int RunBatch(const std::vector<InputFile>& files, int jobs, const FileWork& work,
             const std::function<std::string(const InputFile&, int exit)>& outputOf);

}  // namespace cli
