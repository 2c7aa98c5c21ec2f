// Running the veilmark command line from tests.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

struct Outcome {
  int status = -1;
  std::string output;  // stdout and stderr together
};

// Runs "veilmark ARGUMENTS" through the shell (in `folder` when given).
inline Outcome Veilmark(const std::string& arguments, const std::string& folder = {}) {
  Outcome run;
  const std::string command = (folder.empty() ? "" : "cd '" + folder + "' && ") +
                              std::string(VM_CLI_PATH) + " " + arguments + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

inline std::string Temp(const std::string& name) {
  // One folder per test process: ctest runs the command-line tests in parallel processes.
  const auto dir = std::filesystem::temp_directory_path() / ("veilmark-cli-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

inline std::string Sample() { return std::string(VM_TEST_DATA_DIR) + "/form-reportlab.pdf"; }

}  // namespace
