#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace vmx::store {

// Every failure of the table engine: a file that cannot be read or written, a
// field that does not exist, a value that does not fit. The message names the
// file (where there is one) and the problem in plain words; it is what the
// user sees in the standard error box.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A table file that could not be read, written or made durable: the file and
// the operating system's error number travel with the message.
class IoError : public Error {
 public:
  IoError(const std::string& message, std::string file, int os_error)
      : Error(message), m_file(std::move(file)), m_os_error(os_error) {}
  const std::string& file() const { return m_file; }
  int os_error() const { return m_os_error; }

 private:
  std::string m_file;
  int m_os_error;
};

// A text that does not convert to a number or a date.
class ConversionError : public Error {
 public:
  using Error::Error;
};

}  // namespace vmx::store
