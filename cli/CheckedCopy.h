// Where a protected copy ends up once it was checked.
#pragma once

#include <string>

namespace cli {

// The name a copy that failed the check keeps: OUTPUT.check-failed, so that nothing under the
// name of a protected copy holds readable text.
std::string FailedCopyName(const std::string& output);

// Moves the copy written under `written` to `output` when the check passed. Otherwise removes
// whatever is under `output` and keeps the copy only as FailedCopyName(output). Returns the
// copy's name now, empty when it could not be kept (then it is removed).
std::string SettleCheckedCopy(bool passed, const std::string& written, const std::string& output);

}  // namespace cli
