// The pattern list: one compiled regular expression per searched form, with its check and
// category, built from the nine category flags.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "detect/PiCategory.h"
#include "detect/RegexEngine.h"
#include "detect/StartFilters.h"

namespace vm {

// The validation a hit must pass before it becomes a candidate; other values act as NoCheck.
enum PiCheck : int32_t {
  NoCheck = 0,
  Resident = 1,
  Foreign = 2,
  Account = 3,
  Card = 4,
};

struct PiPattern {
  Regex regex;
  PiCheck check = NoCheck;
  int32_t category = 0;  // PiCategory
  // Where hits can begin; null: anywhere (the engine's own search).
  PiStartFilter startFilter = nullptr;
};

using PiPatternList = std::vector<PiPattern>;

// Index of the category's flag in PiCategoryFlags (check-box order).
int CategoryFlagIndex(int32_t category);
// The category's Korean label ("전화번호", ...); empty for a value outside 0 to 8.
std::u16string_view CategoryLabel(int32_t category);

// The pattern pieces that recur in several patterns.
inline constexpr std::u16string_view kDashClass = u"[-\u2010-\u2015\u2212\uFF0D]";
inline constexpr std::u16string_view kCardSeparator = u"[-\u2010-\u2015\u2212\uFF0D ]";
std::u16string SeparatorPattern();  // "\s*" DashClass "\s*"

// The text of each pattern, as it is compiled.
std::u16string RegistrationPattern();
std::u16string CardPattern();
std::u16string PhonePattern();
std::u16string AccountPattern();
std::u16string_view NumericBirthDatePattern();
std::u16string_view KoreanBirthDatePattern();
std::u16string_view IpAddressPattern();
std::u16string_view EmailPattern();
std::u16string_view RoadAddressPattern();
std::u16string_view LotAddressPattern();

// Appends the patterns of the set flags to `list`, in the fixed list order.
void BuildPatternSet(const PiCategoryFlags& flags, PiPatternList& list);

}  // namespace vm
