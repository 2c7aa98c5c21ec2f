#include "CheckedCopy.h"

#include <filesystem>

namespace cli {

std::string FailedCopyName(const std::string& output) { return output + ".check-failed"; }

std::string SettleCheckedCopy(bool passed, const std::string& written, const std::string& output) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string target = passed ? output : FailedCopyName(output);
  if (!passed) fs::remove(output, ec);
  fs::rename(written, target, ec);
  if (!ec) return target;
  fs::remove(written, ec);
  return {};
}

}  // namespace cli
