#include "mask/FormatChoiceTable.h"

#include <iterator>

namespace vm {

namespace {

constexpr const char16_t* kPhone[] = {u"*************", u"NNN-****-NNNN", u"NNN-NNN-****"};
constexpr const char16_t* kRegistration[] = {u"**************", u"NNNNNN-*******",
                                             u"NNNNNN-N******", u"NNNNNN-N*****N"};
constexpr const char16_t* kEmail[] = {u"************", u"***@TT.TT.TT", u"T**@TT.TT.TT",
                                      u"TT*@TT.TT.TT", u"TTT@***.***.***"};
constexpr const char16_t* kAccount[] = {u"***************", u"NNN-**-****-NNN", u"***-NN-NNNN-***",
                                        u"NNN-**-NNNN-***", u"NNN-NN-****-***"};
constexpr const char16_t* kCard[] = {u"********************", u"NNNN-****-****-NNNN",
                                     u"NNNN-****-NNNN-****", u"****-NNNN-NNNN-****",
                                     u"NNNN-NNNN-****-****"};
constexpr const char16_t* kIp[] = {u"*********", u"NNN.*.*.N", u"NNN.*.N.*", u"***.N.N.*"};
constexpr const char16_t* kBirth[] = {u"**********", u"NNNN-**-NN", u"NNNN-**-**", u"NNNN-NN-**"};

template <std::size_t N>
constexpr int32_t Count(const char16_t* const (&)[N]) {
  return static_cast<int32_t>(N);
}

}  // namespace

const std::array<FormatChoiceRow, 8> FormatChoiceTable = {{
    {u"전화번호", 0, u"FormatPhone", kPhone, Count(kPhone)},
    {u"주민등록번호", 1, u"FormatRRN", kRegistration, Count(kRegistration)},
    {u"외국인등록번호", 2, u"FormatForeign", kRegistration, Count(kRegistration)},
    {u"전자우편", 3, u"FormatEmail", kEmail, Count(kEmail)},
    {u"계좌 번호", 4, u"FormatAccount", kAccount, Count(kAccount)},
    {u"신용카드 번호", 5, u"FormatCard", kCard, Count(kCard)},
    {u"IP 주소", 6, u"FormatIP", kIp, Count(kIp)},
    {u"생년월일", 7, u"FormatBirth", kBirth, Count(kBirth)},
}};

const FormatChoiceRow* FindFormatChoiceRow(int32_t category) {
  if (category < 0 || category >= static_cast<int32_t>(FormatChoiceTable.size())) return nullptr;
  return &FormatChoiceTable[category];
}

const char16_t* FormatChoiceTemplate(int32_t category, int32_t index) {
  const FormatChoiceRow* row = FindFormatChoiceRow(category);
  if (!row) return u"";
  if (index < 0 || index >= row->count) index = 0;
  return row->templates[index];
}

}  // namespace vm
