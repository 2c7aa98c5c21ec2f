// Many files at once: folders and lists in, the same relative names out, one summary line per
// file, the worst status as the exit status, and the parts that report on it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Batch.h"
#include "CheckedCopy.h"
#include "CommandLineSupport.h"
#include "InputFiles.h"

namespace {

namespace fs = std::filesystem;

int CountLines(const std::string& text, const std::string& holding) {
  int count = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (text.substr(start, end - start).find(holding) != std::string::npos) ++count;
    start = end + 1;
  }
  return count;
}

// A folder with two good PDF files (one in a subfolder), a damaged one and a text file.
std::string MakeFolder(const std::string& name) {
  const fs::path folder = Temp(name);
  fs::remove_all(folder);
  fs::create_directories(folder / "sub");
  fs::copy_file(Sample(), folder / "form.pdf");
  fs::copy_file(std::string(VM_TEST_DATA_DIR) + "/rotated.pdf", folder / "sub" / "rotated.pdf");
  std::ofstream(folder / "sub" / "damaged.pdf") << "%PDF-1.4 nothing else";
  std::ofstream(folder / "notes.txt") << "010-1234-5678";
  return folder.string();
}

TEST(Batch, ProtectsAFolderUnderTheSameNamesWithOneSummaryLinePerFile) {
  const std::string in = MakeFolder("batch-in");
  const fs::path out = Temp("batch-out");
  fs::remove_all(out);
  const Outcome run = Veilmark("protect " + in + " -o " + out.string() + " --jobs 2");
  EXPECT_EQ(run.status, 1) << run.output;  // the damaged file is the worst
  EXPECT_EQ(CountLines(run.output, "\"status\":"), 3) << run.output;
  EXPECT_EQ(CountLines(run.output, "\"status\":\"ok\""), 2) << run.output;
  EXPECT_EQ(CountLines(run.output, "\"file\":\"" + in + "/sub/damaged.pdf\",\"status\":\"error\""), 1)
      << run.output;
  EXPECT_TRUE(fs::exists(out / "form.pdf"));
  EXPECT_TRUE(fs::exists(out / "sub" / "rotated.pdf"));
  EXPECT_FALSE(fs::exists(out / "sub" / "damaged.pdf"));
  EXPECT_FALSE(fs::exists(out / "notes.txt"));

  // The copies are protected: scanning them (as a list on standard input) finds nothing.
  const std::string list = Temp("batch-list.txt");
  std::ofstream(list) << (out / "form.pdf").string() << "\n" << (out / "sub" / "rotated.pdf").string() << "\n";
  const Outcome again = Veilmark("scan --json --files-from - < " + list);
  EXPECT_EQ(again.status, 0) << again.output;
  EXPECT_EQ(CountLines(again.output, "\"occurrences\":0"), 2) << again.output;
  EXPECT_EQ(CountLines(again.output, "\"page\":"), 0) << again.output;
}

TEST(Batch, ScanMarksEachOccurrenceWithItsFileAndRefusesCollidingOutputs) {
  const std::string in = MakeFolder("batch-scan");
  const Outcome run = Veilmark("scan --json --jobs 1 " + in + "/form.pdf " + in + "/sub/rotated.pdf");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_GT(CountLines(run.output, "{\"file\":\"" + in + "/form.pdf\",\"page\":"), 10) << run.output;
  EXPECT_EQ(CountLines(run.output, "\"status\":\"ok\""), 2) << run.output;

  // Two inputs whose copies would have the same name.
  fs::create_directories(in + "/other");
  fs::copy_file(in + "/form.pdf", in + "/other/form.pdf", fs::copy_options::overwrite_existing);
  const Outcome clash = Veilmark("protect " + in + "/form.pdf " + in + "/other/form.pdf -o " +
                                 Temp("batch-clash"));
  EXPECT_EQ(clash.status, 2) << clash.output;
  EXPECT_NE(clash.output.find("both be written to"), std::string::npos) << clash.output;
}

TEST(Batch, EveryLineOfAnOccurrenceOrImagePageNamesItsFile) {
  const std::string data = VM_TEST_DATA_DIR;
  const std::string files = data + "/outside-text.pdf " + data + "/scanned-page.pdf";
  const Outcome json = Veilmark("scan --json --jobs 1 " + files);
  EXPECT_EQ(json.status, 3) << json.output;
  for (const char* where : {"\"where\":\"link\"", "\"where\":\"xmp\"", "\"where\":\"image\""})
    EXPECT_GT(CountLines(json.output, where), 0) << where << "\n" << json.output;
  std::istringstream lines(json.output);
  for (std::string line; std::getline(lines, line);)
    if (line.find("\"where\":") != std::string::npos) {
      EXPECT_EQ(line.rfind("{\"file\":\"" + data + "/", 0), 0u) << line;
    }

  const Outcome text = Veilmark("scan --jobs 1 " + files);
  EXPECT_GT(CountLines(text.output, "\tlink 0 "), 0) << text.output;
  EXPECT_EQ(CountLines(text.output, data + "/outside-text.pdf\tlink 0 "), CountLines(text.output, "\tlink 0 "));
  EXPECT_EQ(CountLines(text.output, data + "/scanned-page.pdf\t1\timage"), 1) << text.output;
}

TEST(Batch, StatusesOrderAndSummaryLines) {
  EXPECT_EQ(cli::WorseExit(0, 3), 3);
  EXPECT_EQ(cli::WorseExit(3, 1), 1);
  EXPECT_EQ(cli::WorseExit(4, 1), 4);
  EXPECT_EQ(cli::WorseExit(1, 0), 1);
  const std::string line =
      cli::SummaryLine("a \"b\".pdf", cli::FileResult{4, 12, 7}, 1.5, "out/a.pdf.check-failed");
  EXPECT_EQ(line, "{\"file\":\"a \\\"b\\\".pdf\",\"status\":\"check-failed\",\"exit\":4,\"pages\":12,"
                  "\"occurrences\":7,\"seconds\":1.50,\"output\":\"out/a.pdf.check-failed\"}");

  const std::string progress = cli::ProgressLine(3, 12, 300, 10, 25, 100, 78);
  EXPECT_LE(progress.size(), 78u) << progress;
  EXPECT_NE(progress.find("3/12 files"), std::string::npos) << progress;
  EXPECT_NE(progress.find("30 pages/s"), std::string::npos) << progress;
  EXPECT_NE(progress.find("0:30 left"), std::string::npos) << progress;  // a quarter took 10 s
  EXPECT_EQ(progress.rfind("[##########", 0), 0u) << progress;
  EXPECT_EQ(progress.find("OCR"), std::string::npos) << progress;
  const std::string scans = cli::ProgressLine(3, 12, 300, 10, 25, 100, 78, 41);
  EXPECT_LE(scans.size(), 78u) << scans;
  EXPECT_NE(scans.find("41 OCR pages"), std::string::npos) << scans;
}

TEST(Batch, ACopyThatFailedItsCheckNeverKeepsTheProtectedName) {
  const std::string written = Temp("settle.pdf.unchecked");
  const std::string output = Temp("settle.pdf");
  std::ofstream(output) << "an older protected copy";
  std::ofstream(written) << "readable text";
  EXPECT_EQ(cli::SettleCheckedCopy(false, written, output), output + ".check-failed");
  EXPECT_FALSE(fs::exists(output));
  EXPECT_FALSE(fs::exists(written));
  EXPECT_TRUE(fs::exists(output + ".check-failed"));

  std::ofstream(written) << "checked";
  EXPECT_EQ(cli::SettleCheckedCopy(true, written, output), output);
  EXPECT_TRUE(fs::exists(output));
  EXPECT_FALSE(fs::exists(written));
}

TEST(Batch, InputNamesStayRelativeAndBelowTheOutputFolder) {
  const std::string in = MakeFolder("batch-names");
  const cli::InputList list = cli::CollectInputs({in, "a/b.pdf", "../up.pdf", "/abs/c.pdf"}, "");
  ASSERT_EQ(list.files.size(), 6u);
  EXPECT_TRUE(list.batch);
  EXPECT_EQ(list.files[0].relativeName, "form.pdf");
  EXPECT_EQ(list.files[1].relativeName, "sub/damaged.pdf");
  EXPECT_EQ(list.files[2].relativeName, "sub/rotated.pdf");
  EXPECT_EQ(list.files[3].relativeName, "a/b.pdf");
  EXPECT_EQ(list.files[4].relativeName, "up.pdf");
  EXPECT_EQ(list.files[5].relativeName, "c.pdf");
}

}  // namespace
