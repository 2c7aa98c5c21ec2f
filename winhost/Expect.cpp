#include "Expect.h"

#include <cstdio>

#include "Utf8.h"

namespace winhost {

namespace {
int g_failures = 0;
}

bool Expect(bool holds, const std::string& what) {
  if (!holds) {
    ++g_failures;
    std::printf("FAILED: %s\n", what.c_str());
    std::fflush(stdout);
  }
  return holds;
}

bool ExpectEqual(const std::u16string& actual, const std::u16string& expected, const std::string& what) {
  return Expect(actual == expected, what + ": \"" + Utf8(actual) + "\", expected \"" + Utf8(expected) + "\"");
}

bool ExpectEqual(long long actual, long long expected, const std::string& what) {
  return Expect(actual == expected, what + ": " + std::to_string(actual) + ", expected " + std::to_string(expected));
}

int FailureCount() { return g_failures; }

std::string Utf8(const std::u16string& text) { return common::Utf16ToUtf8(text); }

}  // namespace winhost
