#include "detect/Patterns.h"

#include <array>

namespace vm {

namespace {

constexpr std::array<int, kCategoryCount> kFlagOfCategory = {0, 6, 7, 4, 3, 5, 1, 2, 8};

constexpr std::array<std::u16string_view, kCategoryCount> kLabels = {
    u"전화번호",  u"주민등록번호",  u"외국인등록번호", u"전자 우편", u"계좌 번호",
    u"신용카드 번호", u"IP 주소", u"생년월일",      u"주소",
};

// Digit groups of the account alternatives, in the order they are tried.
constexpr std::array<std::array<int, 4>, 11> kAccountGroups = {{
    {3, 6, 2, 3}, {3, 4, 4, 2}, {4, 4, 4, 1}, {6, 2, 6}, {4, 3, 6}, {4, 2, 7},
    {3, 6, 5}, {3, 6, 3}, {3, 3, 6}, {3, 2, 6}, {4, 4, 4},
}};

std::u16string Digits(int count) {
  std::u16string s = u"\\d{";
  for (char c : std::to_string(count)) s += static_cast<char16_t>(c);
  return s + u'}';
}

void Append(PiPatternList& list, std::u16string_view text, PiCheck check, PiCategory category,
            PiStartFilter startFilter = nullptr) {
  list.push_back(PiPattern{Regex(text), check, category, startFilter});
}

}  // namespace

int CategoryFlagIndex(int32_t category) {
  return category >= 0 && category < kCategoryCount ? kFlagOfCategory[category] : -1;
}

std::u16string_view CategoryLabel(int32_t category) {
  return category >= 0 && category < kCategoryCount ? kLabels[category] : std::u16string_view{};
}

std::u16string SeparatorPattern() {
  return u"\\s*" + std::u16string(kDashClass) + u"\\s*";
}

std::u16string RegistrationPattern() {
  return u"\\b\\d{6}" + SeparatorPattern() + u"\\d{7}\\b";
}

std::u16string CardPattern() {
  const std::u16string s(kCardSeparator);
  return u"\\b(?:\\d{4}" + s + u"\\d{4}" + s + u"\\d{4}" + s + u"\\d{4}|3[47]\\d{2}" + s +
         u"\\d{6}" + s + u"\\d{5}|3(?:0[0-5]|[68]\\d)\\d" + s + u"\\d{6}" + s + u"\\d{4})\\b";
}

std::u16string PhonePattern() {
  const std::u16string s = SeparatorPattern();
  return u"\\b0\\d{1,2}" + s + u"\\d{3,4}" + s + u"\\d{4}\\b";
}

std::u16string AccountPattern() {
  const std::u16string s = SeparatorPattern();
  std::u16string p = u"\\b(?:";
  for (size_t a = 0; a < kAccountGroups.size(); ++a) {
    if (a > 0) p += u'|';
    for (size_t g = 0; g < kAccountGroups[a].size() && kAccountGroups[a][g] > 0; ++g) {
      if (g > 0) p += s;
      p += Digits(kAccountGroups[a][g]);
    }
  }
  return p + u")(?!" + std::u16string(kDashClass) + u"?\\d)";
}

std::u16string_view NumericBirthDatePattern() {
  return u"\\b(?:19|20)\\d{2}[./\u2010-\u2015\u2212\uFF0D-](?:0?[1-9]|1[0-2])"
         u"[./\u2010-\u2015\u2212\uFF0D-](?:0?[1-9]|[12]\\d|3[01])\\b";
}

std::u16string_view KoreanBirthDatePattern() {
  return u"(?:19|20)\\d{2}년\\s?(?:0?[1-9]|1[0-2])월\\s?(?:0?[1-9]|[12]\\d|3[01])일";
}

std::u16string_view IpAddressPattern() {
  return u"\\b\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\b";
}

std::u16string_view EmailPattern() {
  return u"[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,}";
}

std::u16string_view RoadAddressPattern() {
  return u"(?:[가-힣]{1,6}(?:특별자치시|특별자치도|특별시|광역시|시|도)\\s+"
         u"(?:[가-힣]{1,8}(?:시|군|구)\\s+){0,2}|(?:[가-힣]{1,8}(?:시|군|구)\\s+){1,2})"
         u"(?:[가-힣]{1,8}(?:읍|면)\\s+)?(?:[가-힣]|[A-Za-z0-9]){1,20}(?:대로|로|길)"
         u"(?:\\s*\\d{1,3}번길)?\\s*\\d{1,5}(?:-\\d{1,4})?(?!\\d)"
         u"(?:\\s*,?\\s+(?:(?:[가-힣]|[A-Za-z0-9.-]){1,20}\\s+){0,2}"
         u"(?:\\d{1,5}|[A-Za-z]\\d{0,4}|[가-힣]\\d{0,4})(?:동|층|호)){0,3}"
         u"(?:\\s*\\([^()]{1,40}\\))?";
}

std::u16string_view LotAddressPattern() {
  return u"(?:[가-힣]{1,6}(?:특별자치시|특별자치도|특별시|광역시|시|도)\\s*"
         u"(?:[가-힣]{1,8}(?:시|군|구)\\s*){0,2}|(?:[가-힣]{1,8}(?:시|군|구)\\s*){1,2})"
         u"(?:[가-힣]{1,8}(?:읍|면)\\s*)?(?:[가-힣]{1,8}(?:동|리|가)\\s*)+(?:산\\s*)?"
         u"\\d{1,5}(?:-\\d{1,4})?(?!\\d)";
}

void BuildPatternSet(const PiCategoryFlags& flags, PiPatternList& list) {
  if (flags[6]) Append(list, RegistrationPattern(), Resident, ResidentRegistration);
  if (flags[7]) Append(list, RegistrationPattern(), Foreign, ForeignRegistration);
  if (flags[5]) Append(list, CardPattern(), Card, CreditCard);
  if (flags[0]) Append(list, PhonePattern(), NoCheck, Phone);
  if (flags[3]) Append(list, AccountPattern(), Account, BankAccount);
  if (flags[2]) Append(list, NumericBirthDatePattern(), NoCheck, BirthDate);
  if (flags[2]) Append(list, KoreanBirthDatePattern(), NoCheck, BirthDate);
  if (flags[1]) Append(list, IpAddressPattern(), NoCheck, IpAddress);
  if (flags[4]) Append(list, EmailPattern(), NoCheck, Email);
  if (flags[8]) Append(list, RoadAddressPattern(), NoCheck, Address, RoadAddressStarts);
  if (flags[8]) Append(list, LotAddressPattern(), NoCheck, Address, LotAddressStarts);
}

}  // namespace vm
