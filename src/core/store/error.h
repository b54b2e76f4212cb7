#pragma once

#include <stdexcept>
#include <string>

namespace vmx::store {

// Every failure of the table engine: a file that cannot be read or written, a
// field that does not exist, a value that does not fit. The message names the
// file (where there is one) and the problem in plain words; it is what the
// user sees in the standard error box.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text that does not convert to a number or a date.
class ConversionError : public Error {
 public:
  using Error::Error;
};

}  // namespace vmx::store
