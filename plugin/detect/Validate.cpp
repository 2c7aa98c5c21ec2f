#include "detect/Validate.h"

#include <algorithm>

#include "detect/RegexEngine.h"

namespace vm {

namespace {

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The values of the candidate's ASCII digits, in order, up to N of them; returns how many
// digits there are in all.
template <size_t N>
size_t CollectDigits(std::u16string_view candidate, std::array<int, N>& digits) {
  size_t n = 0;
  for (char16_t c : candidate) {
    if (!IsAsciiDigit(c)) continue;
    if (n < N) digits[n] = c - u'0';
    ++n;
  }
  return n;
}

const Regex& PhoneShape() {
  static const Regex regex(u"^0\\d{1,3}[-\u2010-\u2015\u2212\uFF0D]\\d{3,4}"
                           u"[-\u2010-\u2015\u2212\uFF0D]\\d{4}$");
  return regex;
}

}  // namespace

bool IsDashChar(char16_t c) {
  return c == u'-' || (c >= u'\u2010' && c <= u'\u2015') || c == u'\u2212' || c == u'\uFF0D';
}

bool CheckRegistrationNumber(std::u16string_view candidate, bool foreigner) {
  std::array<int, 13> d{};
  if (CollectDigits(candidate, d) != 13) return false;
  const int month = 10 * d[2] + d[3];
  const int day = 10 * d[4] + d[5];
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth[month - 1]) return false;
  const int seventh = d[6];
  if (foreigner) return seventh >= 5 && seventh <= 8;
  return seventh <= 4 || seventh == 9;
}

bool CheckCardNumber(std::u16string_view candidate) {
  std::array<int, 16> d{};
  const size_t n = CollectDigits(candidate, d);
  if (n < 14 || n > 16) return false;
  int sum = 0;
  for (size_t i = 0; i < n; ++i) {
    int v = d[n - 1 - i];
    if (i % 2 == 1) {
      v *= 2;
      if (v > 9) v -= 9;
    }
    sum += v;
  }
  return sum % 10 == 0;
}

bool IsPhoneShaped(std::u16string_view candidate) {
  // A thread's scratch lives as long as the thread; the compiled pattern for the module's life.
  thread_local RegexScratch scratch;
  return PhoneShape().FullMatch(candidate, scratch);
}

bool ValidateMatch(PiCheck check, std::u16string_view pageText, int32_t start, int32_t length) {
  if (start < 0 || length < 0 || static_cast<size_t>(start) > pageText.size()) return false;
  const std::u16string_view candidate = pageText.substr(start, length);
  switch (check) {
    case Resident:
      return CheckRegistrationNumber(candidate, false);
    case Foreign:
      return CheckRegistrationNumber(candidate, true);
    case Account:
      if (IsPhoneShaped(candidate)) return false;
      if (start < 2) return true;
      return !(IsDashChar(pageText[start - 1]) && IsAsciiDigit(pageText[start - 2]));
    case Card:
      return CheckCardNumber(candidate);
    default:
      return true;
  }
}

}  // namespace vm
