// The Windows host program's record of what it found wrong: every failed expectation is printed
// at once and counted; the program's exit status says whether any failed.
#pragma once

#include <string>

namespace winhost {

// Records a failure (and prints it with `what`) unless `holds`; returns `holds`.
bool Expect(bool holds, const std::string& what);
bool ExpectEqual(const std::u16string& actual, const std::u16string& expected, const std::string& what);
bool ExpectEqual(long long actual, long long expected, const std::string& what);
int FailureCount();

std::string Utf8(const std::u16string& text);

}  // namespace winhost
