// The nine categories of personal information and the category flags of the options.
#pragma once

#include <array>
#include <cstdint>

namespace vm {

enum PiCategory : int32_t {
  Phone = 0,
  ResidentRegistration = 1,
  ForeignRegistration = 2,
  Email = 3,
  BankAccount = 4,
  CreditCard = 5,
  IpAddress = 6,
  BirthDate = 7,
  Address = 8,
};

constexpr int kCategoryCount = 9;

// The nine flags in the order of the dialog's check boxes (not the PiCategory order):
// 0 phone, 1 IP address, 2 birth date, 3 bank account, 4 e-mail, 5 credit card,
// 6 resident registration, 7 foreign registration, 8 address.
using PiCategoryFlags = std::array<bool, kCategoryCount>;

}  // namespace vm
