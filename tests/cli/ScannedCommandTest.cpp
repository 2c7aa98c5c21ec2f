// The command line on scanned pages, with Tesseract reading them: a few small scans made by
// tools/make-scanned-samples.sh (the recall over whole pages is measured by bench/ocr-recall.sh).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

Outcome Veilmark(const std::string& arguments) {
  Outcome run;
  const std::string errFile = (std::filesystem::temp_directory_path() /
                               ("veilmark-scanned-err-" + std::to_string(getpid()) + ".txt")).string();
  std::FILE* pipe = popen((std::string(VM_CLI_PATH) + " " + arguments + " 2>" + errFile).c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(errFile);
  run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
  return run;
}

std::string Scan(const std::string& name) { return std::string(VM_TEST_DATA_DIR) + "/scanned/" + name; }

std::string Temp(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() / ("veilmark-scanned-cli-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

int Lines(const std::string& text, const std::string& part) {
  std::istringstream in(text);
  int count = 0;
  for (std::string line; std::getline(in, line);) count += line.find(part) != std::string::npos;
  return count;
}

// The items expected on a sample: "category\ttext" per line of tests/data/scanned/expected.tsv.
std::vector<std::pair<std::string, std::string>> Expected(const std::string& file) {
  std::ifstream in(Scan("expected.tsv"));
  std::vector<std::pair<std::string, std::string>> items;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string name, page, category, text;
    std::getline(fields, name, '\t');
    std::getline(fields, page, '\t');
    std::getline(fields, category, '\t');
    std::getline(fields, text);
    if (name == file) items.emplace_back(category, text);
  }
  return items;
}

TEST(ScannedCommand, ScanFindsEveryItemOfAScanTheSameWayEachTime) {
  const Outcome scan = Veilmark("scan --json --jobs 2 " + Scan("scan-form.pdf"));
  EXPECT_EQ(scan.status, 0) << scan.err;
  const auto items = Expected("scan-form.pdf");
  ASSERT_EQ(items.size(), 9u);
  for (const auto& [category, text] : items)
    EXPECT_EQ(Lines(scan.out, "\"category\":\"" + category + "\",\"text\":\"" + text + "\""), 1)
        << category << " " << text << "\n" << scan.out;
  EXPECT_EQ(Lines(scan.out, "\"where\":\"image\",\"object\":2,\"confidence\":"), 9) << scan.out;
  // One reader per worker, one thread per reader: the same result again.
  const Outcome again = Veilmark("scan --json --jobs 1 " + Scan("scan-form.pdf"));
  EXPECT_EQ(again.out, scan.out);
}

TEST(ScannedCommand, ProtectBlacksOutTheItemsInTheImageAndChecksTheCopy) {
  const std::string copy = Temp("scan-form.pdf");
  const Outcome protect = Veilmark("protect --jobs 1 " + Scan("scan-form.pdf") + " -o " + copy);
  EXPECT_EQ(protect.status, 0) << protect.out << protect.err;
  EXPECT_NE(protect.out.find("9 occurrences blacked out in 1 images"), std::string::npos) << protect.out;
  EXPECT_NE(protect.out.find("1 changed images compared and read again"), std::string::npos) << protect.out;
  const Outcome again = Veilmark("scan --json " + copy);
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(Lines(again.out, "\"category\":"), 0) << again.out;
}

TEST(ScannedCommand, AScanWithoutPersonalInformationIsSearchedAndOneTooNoisyIsNot) {
  const Outcome clean = Veilmark("scan --json " + Scan("scan-no-pii.pdf"));
  EXPECT_EQ(clean.status, 0) << clean.err;
  EXPECT_EQ(clean.out, "");

  const Outcome noisy = Veilmark("scan --json " + Scan("scan-too-noisy.pdf"));
  EXPECT_EQ(noisy.status, 3);
  EXPECT_EQ(Lines(noisy.out, "{\"where\":\"image\",\"page\":0,\"searched\":false,\"reason\":"), 1) << noisy.out;
  EXPECT_NE(noisy.err.find("could not be read by OCR (page 0: "), std::string::npos) << noisy.err;
  EXPECT_NE(noisy.err.find("could not be read as text"), std::string::npos) << noisy.err;
}

}  // namespace
