// The veilmark command line as a user runs it: exit codes and messages on bad input, and a
// protected copy that is never written over its input.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct Outcome {
  int status = -1;
  std::string output;  // stdout and stderr together
};

Outcome Veilmark(const std::string& arguments) {
  Outcome run;
  const std::string command = std::string(VM_CLI_PATH) + " " + arguments + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Temp(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() / "veilmark-cli-test";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

std::string Sample() { return std::string(VM_TEST_DATA_DIR) + "/form-reportlab.pdf"; }

TEST(CommandLine, UnreadableInputsFailWithAClearMessage) {
  std::ofstream(Temp("not-a-pdf.pdf")) << "hello";
  std::ofstream(Temp("bad-utf8.txt")) << "\xC3\x28 010-1234-5678";
  const struct {
    std::string arguments;
    int status;
    std::string says;
  } cases[] = {
      {"scan " + Temp("missing.pdf"), 1, "cannot open"},
      {"scan " + Temp("not-a-pdf.pdf"), 1, "cannot open"},
      {"protect " + Temp("not-a-pdf.pdf") + " -o " + Temp("out.pdf"), 1, "cannot open"},
      {"text " + Temp("bad-utf8.txt"), 1, "not valid UTF-8"},
      {"scan " + Sample() + " --categories phone,passport", 2, "unknown category 'passport'"},
      {"protect " + Sample(), 2, "no output file"},
      {"protect " + Sample() + " -o " + Sample(), 2, "another file than the input"},
      {"protect " + Sample() + " -o " + Temp("x.pdf") + " --char '#'", 2, "--char"},
      {"frobnicate", 2, "unknown command"},
  };
  for (const auto& c : cases) {
    const Outcome run = Veilmark(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << c.arguments << "\n" << run.output;
  }
  EXPECT_FALSE(std::filesystem::exists(Temp("out.pdf")));
}

TEST(CommandLine, ProtectWritesACheckedCopyAndLeavesTheInputAlone) {
  const auto before = std::filesystem::file_size(Sample());
  const std::string out = Temp("protected.pdf");
  std::filesystem::remove(out);
  const Outcome run = Veilmark("protect " + Sample() + " -o " + out + " --format phone=1 --char X");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("check: passed"), std::string::npos) << run.output;
  EXPECT_EQ(std::filesystem::file_size(Sample()), before);

  const Outcome again = Veilmark("scan " + out + " --json");
  EXPECT_EQ(again.status, 0) << again.output;
  EXPECT_EQ(again.output.find("\"category\":\"rrn\""), std::string::npos) << again.output;
}

TEST(CommandLine, ScanJsonLinesCarryPageCategoryTextAndRects) {
  const Outcome run = Veilmark("scan " + Sample() + " --categories rrn --json");
  ASSERT_EQ(run.status, 0) << run.output;
  const std::string first = run.output.substr(0, run.output.find('\n'));
  EXPECT_EQ(first.rfind("{\"page\":0,\"category\":\"rrn\",\"start\":", 0), 0u) << first;
  EXPECT_NE(first.find("\"text\":\"900101-1234567\",\"rects\":[["), std::string::npos) << first;
}

}  // namespace
