// The page comparison finds each kept character of the original at its place in the copy:
// within a twentieth of a point, whatever the number of like characters on the page.
#include <gtest/gtest.h>

#include <string>

#include "CorpusSupport.h"
#include "ProtectionCheck.h"
#include "core/Application.h"
#include "pdf/Document.h"

namespace e2e {
namespace {

// A page of digits: many like characters, as a page of account numbers has.
std::string DigitsAt(const std::string& x) {
  std::string content = "BT /F1 9 Tf " + x + " 760 Td 11 TL";
  for (int line = 0; line < 60; ++line) content += " (0000000000 1111111111 0101010101 9999999999) '";
  return content + " ET";
}

std::string Saved(const std::string& content, const std::string& name) {
  auto document = standin::pdf::DocumentFromContent({content});
  const std::string path = TempPath(name);
  std::string error;
  EXPECT_TRUE(document && standin::pdf::SaveDocument(*document, path, &error)) << error;
  return path;
}

TEST(CheckPositions, KeptCharactersAreFoundWithinTheToleranceAndMissedBeyondIt) {
  const std::string original = Saved(DigitsAt("40"), "positions-original.pdf");
  const struct {
    const char* x;
    bool passes;
  } copies[] = {{"40", true}, {"40.03", true}, {"39.97", true}, {"40.2", false}, {"39.8", false}};
  for (const auto& c : copies) {
    const std::string copy = Saved(DigitsAt(c.x), "positions-copy.pdf");
    const checker::CheckResult result = checker::CheckProtectedFile({original, copy, nullptr, '*', {}});
    EXPECT_EQ(FailsWith(result, "characters that were not masked moved or vanished"), !c.passes) << c.x;
    EXPECT_EQ(result.keptCharactersChecked, 60 * 40) << c.x;
  }
  standin::ResetHost();
}

}  // namespace
}  // namespace e2e
