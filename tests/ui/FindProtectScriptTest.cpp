// The find-and-protect script (ui/FindProtectScript.h) that the Windows host program also runs
// through the DLL: here with the module linked in. Every document's run holds, its saved file
// passes the project's checker, and the file and the transcript are kept under
// VM_FINDPROTECT_OUTPUT/linux. When VM_WINDOWS_SAVES names the output of a Windows host
// program's run (its dpi96 and dpi144 folders), each file saved there must be the same, byte for
// byte, as the one saved here, with the same transcript, and pass the checker too.
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "ProtectionCheck.h"
#include "core/Application.h"
#include "core/Ribbon.h"
#include "detect/ScanDocument.h"
#include "mask/Replacements.h"
#include "ui/FindProtectScript.h"
#include "ui/MainDialog.h"
#include "ui/ReadOptions.h"
#include "ui/UiTest.h"

namespace {

std::string DocumentPath(const std::string& file) {
  const std::string data = VM_TEST_DATA_DIR;
  return file == "sample-ko.pdf" ? data + "/../../samples/" + file : data + "/" + file;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return in ? bytes.str() : std::string();
}

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

char ProtectionByte(int radio) { return radio == 2202 ? '~' : radio == 2203 ? 'X' : '*'; }

class FindProtectScriptTest : public uitest::UiTest {
 protected:
  // What the dialog finds and writes on the unchanged document with the case's choices, for the
  // checker: the dialog opened and clicked as the script does, its options read.
  void OccurrencesAndReplacements(const uitest::FindProtectCase& run, vm::PiMatchList* occurrences,
                                  vm::PiMatchList* replacements, vm::PiCategoryFlags* categories) {
    HostHandle document = standin::OpenHostDocument(DocumentPath(run.file), nullptr);
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(standin::ClickRibbonButton("Ctrl_Veilmark_Mask"));
    HWND dialog = vm::MainDialogWindow();
    ASSERT_NE(dialog, nullptr);
    for (int id : run.categoryClicks) SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(dialog, run.protectionCharacter), BM_CLICK, 0, 0);
    const vm::PiOptions options = vm::ReadOptions(dialog);
    *categories = options.flags;
    vm::ScanDocument(document, options.flags, *occurrences);
    vm::BuildReplacements(document, options, *occurrences, *replacements);
    DestroyWindow(dialog);
    standin::CloseHostDocument(document);
  }

  void ExpectPassesTheChecker(const uitest::FindProtectCase& run, const std::string& saved) {
    vm::PiMatchList occurrences, replacements;
    vm::PiCategoryFlags categories{};
    OccurrencesAndReplacements(run, &occurrences, &replacements, &categories);
    ASSERT_FALSE(occurrences.empty());
    checker::CheckInput input{DocumentPath(run.file), saved, docscan::OccurrenceStore::FromLists(occurrences, replacements),
                              ProtectionByte(run.protectionCharacter), {}};
    input.categories = categories;
    const checker::CheckResult result = checker::CheckProtectedFile(input);
    std::string failures;
    for (const std::string& failure : result.failures) failures += failure + "\n";
    EXPECT_TRUE(result.Passed()) << saved << "\n" << failures;
    EXPECT_GT(result.maskedCharactersChecked, 0) << saved;
  }
};

TEST_F(FindProtectScriptTest, EveryDocumentFoundProtectedUndoneRedoneAndSavedAsTheWindowsBuildSavesIt) {
  const std::string output = std::string(VM_FINDPROTECT_OUTPUT) + "/linux";
  ASSERT_EQ(std::system(("rm -rf '" + output + "' && mkdir -p '" + output + "'").c_str()), 0);
  const char* windows = std::getenv("VM_WINDOWS_SAVES");
  int compared = 0;
  for (const uitest::FindProtectCase& run : uitest::FindProtectCases()) {
    SCOPED_TRACE(run.file);
    const std::string saved = output + "/" + run.file;
    const uitest::FindProtectRun result = uitest::RunFindProtect(run, DocumentPath(run.file), saved);
    for (const std::string& failure : result.failures) ADD_FAILURE() << failure;
    ASSERT_TRUE(result.saved);
    const std::string transcript = uitest::TranscriptText(result.transcript);
    std::ofstream(saved + ".txt", std::ios::binary) << transcript;
    ExpectPassesTheChecker(run, saved);
    if (!windows) continue;

    const std::string bytes = ReadFile(saved);
    for (const char* dpi : {"dpi96", "dpi144"}) {
      const std::string other = std::string(windows) + "/" + dpi + "/" + run.file;
      ASSERT_TRUE(Exists(other)) << other << " was not saved by the Windows host program";
      EXPECT_EQ(ReadFile(other + ".txt"), transcript) << other << ".txt differs from " << saved << ".txt";
      EXPECT_TRUE(ReadFile(other) == bytes) << other << " differs from " << saved << " (cmp -l shows where)";
      ExpectPassesTheChecker(run, other);
      ++compared;
    }
  }
  if (windows) EXPECT_EQ(compared, 2 * static_cast<int>(uitest::FindProtectCases().size()));
}

}  // namespace
