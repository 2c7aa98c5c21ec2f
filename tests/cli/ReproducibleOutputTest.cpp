// The same input and options give the same bytes, in any process and at any time: protected
// copies (also of refused and damaged documents) and preview pictures.
#include <gtest/gtest.h>
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>

#include "CommandLineSupport.h"

namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A re-encrypted copy gets a new random owner password, so its encrypted bytes differ from run
// to run by design; the rest of it must not. Compared as MuPDF writes it decrypted, identifier
// kept, objects unrenumbered.
std::string Decrypted(const fs::path& path) {
  std::string text;
  fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
  pdf_document* doc = nullptr;
  fz_buffer* buffer = nullptr;
  fz_output* out = nullptr;
  fz_var(doc);
  fz_var(buffer);
  fz_var(out);
  fz_try(ctx) {
    doc = pdf_open_document(ctx, path.c_str());
    buffer = fz_new_buffer(ctx, 1 << 16);
    out = fz_new_output_with_buffer(ctx, buffer);
    pdf_write_options options = pdf_default_write_options;
    options.do_encrypt = PDF_ENCRYPT_NONE;
    options.dont_regenerate_id = 1;
    pdf_write_document(ctx, doc, out, &options);
    fz_close_output(ctx, out);
    unsigned char* data = nullptr;
    const size_t size = fz_buffer_storage(ctx, buffer, &data);
    text.assign(reinterpret_cast<const char*>(data), size);
  }
  fz_always(ctx) {
    fz_drop_output(ctx, out);
    fz_drop_buffer(ctx, buffer);
    pdf_drop_document(ctx, doc);
  }
  fz_catch(ctx) { ADD_FAILURE() << path << ": " << fz_caught_message(ctx); }
  fz_drop_context(ctx);
  return text;
}

// Every file under `folder`, by its name relative to it.
std::map<std::string, fs::path> FilesUnder(const fs::path& folder) {
  std::map<std::string, fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = entry.path();
  return files;
}

const std::string kSamples = std::string(VM_TEST_DATA_DIR) + "/../../samples";

// Returns once the wall clock has moved on to another second.
void WaitForTheNextSecond() {
  const std::time_t start = std::time(nullptr);
  while (std::time(nullptr) == start) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void ExpectSameFiles(const fs::path& first, const fs::path& second) {
  const auto a = FilesUnder(first);
  const auto b = FilesUnder(second);
  ASSERT_FALSE(a.empty());
  std::vector<std::string> namesA, namesB;
  for (const auto& [name, path] : a) namesA.push_back(name);
  for (const auto& [name, path] : b) namesB.push_back(name);
  ASSERT_EQ(namesA, namesB);
  for (const auto& [name, path] : a) {
    const std::string bytesA = Bytes(path), bytesB = Bytes(b.at(name));
    if (bytesA == bytesB) continue;
    if (bytesA.find("/Encrypt") != std::string::npos)
      EXPECT_TRUE(Decrypted(path) == Decrypted(b.at(name))) << name << ": decrypted, the copies differ";
    else
      ADD_FAILURE() << name << ": the two runs wrote different bytes";
  }
}

// The documents to protect: every one of the test data and the samples. The sanitizer build,
// ten times slower, leaves out the 200-page benchmark document, which adds no kind of content.
std::string Inputs(const fs::path& folder) {
#ifdef VM_SANITIZED
  const fs::path data = folder / "data";
  fs::copy(VM_TEST_DATA_DIR, data, fs::copy_options::recursive);
  fs::remove(data / "bench-200.pdf");
  return "'" + data.string() + "' '" + kSamples + "'";
#else
  (void)folder;
  return "'" + std::string(VM_TEST_DATA_DIR) + "' '" + kSamples + "'";
#endif
}

TEST(ReproducibleOutput, EveryDocumentProtectedTwiceInOtherProcessesAndSecondsGivesTheSameBytes) {
  const fs::path folder = Temp("reproducible");
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string arguments = "protect " + Inputs(folder) + " --jobs 2 -o ";
  const Outcome first = Veilmark(arguments + "first", folder.string());
  WaitForTheNextSecond();
  const Outcome second = Veilmark(arguments + "second", folder.string());
  EXPECT_EQ(first.status, second.status) << first.output << second.output;
  ExpectSameFiles(folder / "first", folder / "second");
}

TEST(ReproducibleOutput, PreviewPicturesAreTheSameInAnotherProcessAndSecond) {
  const fs::path folder = Temp("reproducible-previews");
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string sample = "'" + kSamples + "/sample-ko.pdf'";
  for (const std::string run : {"first", "second"}) {
    EXPECT_EQ(Veilmark("scan " + sample + " --preview " + run + "/scan", folder.string()).status, 0);
    const Outcome protect =
        Veilmark("protect " + sample + " -o " + run + "/copy.pdf --preview " + run + "/protect", folder.string());
    EXPECT_EQ(protect.status, 0) << protect.output;
    WaitForTheNextSecond();
  }
  ExpectSameFiles(folder / "first", folder / "second");
}

}  // namespace
