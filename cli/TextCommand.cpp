// veilmark text: personal information in a UTF-8 text file, as one page text.
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "Commands.h"
#include "InputFiles.h"
#include "Options.h"
#include "Categories.h"
#include "TextOutput.h"
#include "Utf8.h"
#include "detect/Detect.h"
#include "detect/Patterns.h"

namespace cli {

int RunTextCommand(int argc, char** argv) {
  Options options;
  if (std::optional<int> exit = ParseOptions(Command::Text, argc, argv, &options)) return *exit;
  if (options.inputs.empty()) return UsageError(Command::Text, "no FILE given");
  const std::string& path = options.inputs.front();
  const vm::PiCategoryFlags& flags = options.pi.flags;
  const bool json = options.json;

  const std::string reason = UnusableInputReason(path);
  if (!reason.empty()) {
    std::fprintf(stderr, "veilmark text: cannot open '%s': %s\n", path.c_str(), reason.c_str());
    return 1;
  }

  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "veilmark text: cannot open '%s': %s\n", path.c_str(),
                 std::strerror(errno));
    return 1;
  }
  std::string bytes;
  try {
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure&) {
    file.setstate(std::ios::badbit);
  }
  if (file.bad()) {
    std::fprintf(stderr, "veilmark text: cannot read '%s'\n", path.c_str());
    return 1;
  }
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);  // byte-order mark
  size_t badOffset = 0;
  const std::optional<std::u16string> text = common::Utf8ToUtf16(bytes, &badOffset);
  if (!text) {
    std::fprintf(stderr, "veilmark text: '%s' is not valid UTF-8 (byte offset %zu)\n",
                 path.c_str(), badOffset);
    return 1;
  }

  vm::PiPatternList patterns;
  vm::BuildPatternSet(flags, patterns);
  const vm::PageDetection detection = vm::DetectInPageText(patterns, *text);

  for (const vm::PiCandidate& c : detection.selected) {
    const std::u16string_view found = std::u16string_view(*text).substr(c.start, c.length);
    if (json) {
      std::printf("{\"category\":\"%s\",\"start\":%d,\"length\":%d,\"text\":%s}\n",
                  kCategoryKeys[c.category], c.start, c.length, JsonString(found).c_str());
    } else {
      std::printf("%s\t%d\t%d\t%s\n", common::Utf16ToUtf8(vm::CategoryLabel(c.category)).c_str(),
                  c.start, c.length, PlainText(found).c_str());
    }
  }
  if (std::fflush(stdout) != 0) return 1;
  if (!detection.complete) {
    std::fprintf(stderr,
                 "veilmark text: the text could not be searched completely (regular-expression "
                 "engine limit); occurrences may be missing\n");
    return 3;
  }
  return 0;
}

}  // namespace cli
