// The veilmark command line as a user runs it: exit codes and messages on bad input, and a
// protected copy that is never written over its input.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "CommandLineSupport.h"

namespace {

TEST(CommandLine, UnreadableInputsFailWithAClearMessage) {
  std::ofstream(Temp("not-a-pdf.pdf")) << "hello";
  std::ofstream(Temp("bad-utf8.txt")) << "\xC3\x28 010-1234-5678";
  const std::string folder = Temp("a-folder");
  std::filesystem::create_directories(folder);
  const std::string pipe = Temp("a-pipe.pdf");
  std::filesystem::remove(pipe);
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
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
      {"text " + folder, 1, "is a folder"},
      {"scan " + folder, 1, "no PDF files"},
      {"protect " + Sample() + " -o " + pipe, 1, "not a regular file"},
      {"scan " + Sample() + " --categories ''", 2, "--categories needs at least one"},
      {"scan " + Sample() + " --categories=", 2, "--categories needs at least one"},
      {"scan " + Sample() + " --json=yes", 2, "--json takes no value"},
      {"scan " + Sample() + " --jobs 0", 2, "--jobs needs a number"},
      {"text " + Sample() + " -o x.pdf", 2, "unknown option '-o'"},
  };
  for (const auto& c : cases) {
    const Outcome run = Veilmark(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << c.arguments << "\n" << run.output;
  }
  EXPECT_FALSE(std::filesystem::exists(Temp("out.pdf")));
  EXPECT_TRUE(std::filesystem::is_fifo(pipe)) << "the named pipe was replaced";
}

TEST(CommandLine, EveryCommandReadsOptionsTheSameWay) {
  // --name=value, -o, and "--" before a file whose name starts with "-".
  const std::string out = Temp("options.pdf");
  std::filesystem::remove(out);
  const Outcome protect = Veilmark("protect --categories=rrn --char=X --format=rrn=1 --output=" + out +
                                   " -- " + Sample());
  EXPECT_EQ(protect.status, 0) << protect.output;
  EXPECT_TRUE(std::filesystem::exists(out));

  const std::string dashed = "-phone.txt";
  std::ofstream(Temp(dashed)) << "연락처 010-1234-5678";
  const std::string dir = std::filesystem::path(Temp(dashed)).parent_path().string();
  const Outcome text = Veilmark("text --categories=phone -- " + dashed, dir);
  EXPECT_EQ(text.status, 0) << text.output;
  EXPECT_NE(text.output.find("010-1234-5678"), std::string::npos) << text.output;
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
