// The command line on what lies beyond page-level text: form XObjects, text outside the page
// content, and pages that are images.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

struct Outcome {
  int status = -1;
  std::string out;  // stdout
  std::string err;  // stderr
};

Outcome Veilmark(const std::string& arguments) {
  Outcome run;
  // One file per test process: ctest runs the tests of this file in parallel processes.
  const std::string errFile = (std::filesystem::temp_directory_path() /
                               ("veilmark-outside-err-" + std::to_string(getpid()) + ".txt")).string();
  const std::string command = std::string(VM_CLI_PATH) + " " + arguments + " 2>" + errFile;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (std::FILE* err = std::fopen(errFile.c_str(), "r")) {
    while ((n = std::fread(buffer, 1, sizeof buffer, err)) > 0) run.err.append(buffer, n);
    std::fclose(err);
  }
  return run;
}

std::string Data(const std::string& name) { return std::string(VM_TEST_DATA_DIR) + "/" + name; }

std::string Temp(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() / ("veilmark-cli-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

int Lines(const std::string& text, const std::string& with) {
  int n = 0;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    if (text.substr(at, end - at).find(with) != std::string::npos) ++n;
    at = end + 1;
  }
  return n;
}

TEST(CommandLineOutside, ScanNamesWhereEachOccurrenceLiesAndProtectLeavesNoneOfThem) {
  const Outcome scan = Veilmark("scan " + Data("outside-text.pdf") + " --json");
  EXPECT_EQ(scan.status, 0) << scan.err;
  for (const char* where : {"page", "link", "annotation", "field", "info", "xmp", "outline", "attachment"})
    EXPECT_GT(Lines(scan.out, std::string("\"where\":\"") + where + "\""), 0) << where << "\n" << scan.out;
  EXPECT_GT(Lines(scan.out, "\"where\":\"link\",\"page\":0,\"object\":"), 0) << scan.out;

  const std::string out = Temp("outside-protected.pdf");
  const Outcome protect = Veilmark("protect " + Data("outside-text.pdf") + " -o " + out);
  EXPECT_EQ(protect.status, 0) << protect.out << protect.err;
  EXPECT_NE(protect.out.find("1 attachments removed"), std::string::npos) << protect.out;
  EXPECT_NE(protect.out.find("check: passed"), std::string::npos) << protect.out;

  const Outcome again = Veilmark("scan " + out + " --json");
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(Lines(again.out, "\"where\":"), Lines(again.out, "\"where\":\"page\"")) << again.out;
}

TEST(CommandLineOutside, FormTextIsProtectedAndScannedPagesAreNamed) {
  const Outcome form = Veilmark("protect " + Data("form-twice.pdf") + " -o " + Temp("form-twice.pdf"));
  EXPECT_EQ(form.status, 0) << form.out << form.err;

  // Its image page is 85 x 110 pixels over most of the page: too coarse for OCR, so not searched.
  const Outcome scan = Veilmark("scan " + Data("scanned-page.pdf") + " --json");
  EXPECT_EQ(scan.status, 3);
  EXPECT_EQ(Lines(scan.out, "{\"where\":\"image\",\"page\":1,\"searched\":false,\"reason\":\"the image's "
                            "resolution is too low to read\"}"), 1) << scan.out;
  EXPECT_NE(scan.err.find("page 1: the image's resolution is too low to read"), std::string::npos) << scan.err;

  const Outcome protect = Veilmark("protect " + Data("scanned-page.pdf") + " -o " + Temp("scanned.pdf"));
  EXPECT_EQ(protect.status, 3) << protect.out << protect.err;
  EXPECT_NE(protect.err.find("could not be read by OCR (page 1: "), std::string::npos) << protect.err;

  // Without OCR such pages are only named, as images without text.
  const Outcome listed = Veilmark("scan " + Data("scanned-page.pdf") + " --json --no-ocr");
  EXPECT_EQ(listed.status, 3);
  EXPECT_EQ(Lines(listed.out, "{\"where\":\"image\",\"page\":1}"), 1) << listed.out;
  EXPECT_NE(listed.err.find("pages 1 show images without text"), std::string::npos) << listed.err;
}

}  // namespace

namespace {

std::string Shell(const std::string& command) {
  std::string out;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

// A signature's appearance shows the signing date, which the birth-date rules match: the date
// is taken out where it is drawn, the rest of the appearance stays (before, the whole appearance
// was removed), and the user is told that the copy's signatures no longer verify.
TEST(CommandLineOutside, ASignatureAppearanceIsMaskedInPlaceAndTheUserToldOfTheSignature) {
  const std::string out = Temp("signed-out.pdf");
  const Outcome run = Veilmark("protect " + Data("hostile/signed-appearance.pdf") + " -o " + out);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("is signed (1 signature): the protected copy is a new file, and its signatures no "
                         "longer verify"), std::string::npos) << run.err;
  const std::string text = Shell("pdftotext -q '" + out + "' -");
  EXPECT_NE(text.find("Digitally signed by Kim Minjun"), std::string::npos) << text;
  EXPECT_NE(text.find("10:20:30"), std::string::npos) << text;
  EXPECT_EQ(text.find("2023.05.14"), std::string::npos) << text;
  EXPECT_NE(Shell("mutool show '" + out + "' grep | grep /Widget").find("/AP"), std::string::npos);

  const Outcome plain = Veilmark("protect " + Data("tj-kerning.pdf") + " -o " + Temp("unsigned-out.pdf"));
  EXPECT_EQ(plain.err.find("signature"), std::string::npos) << plain.err;
}

}  // namespace
