#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/user_facing.h"

namespace vmx::store {

// What went wrong, so that callers can tell failures apart and the text a user
// reads can be made in one place (user_message below).
enum class ErrorKind {
  Other,            // anything else: the message is shown as it is
  FileMissing,      // file: the table file does not exist
  CannotRead,       // file, os_error
  CannotWrite,      // file, os_error
  ReadOnly,         // file: the table cannot be changed
  Damaged,          // file, items: each way the file disagrees with itself
  NoSuchField,      // file, field
  FieldWrongType,   // file, field, text: the type the program needs
  FieldTooNarrow,   // file, field, text: the width the program needs
  UnreadableCells,  // file, cells: values that cannot be read; the table is not written
  KeyViolation,     // file: a row with the same key exists
  DoesNotFit,       // file, field, text: the value
  BadNumber,        // text: what was typed or stored
  BadInteger,
  BadBoolean,
  BadDate,
  BadTime,
};

// A stored value that cannot be read as its field's type.
struct BadCell {
  int64_t row = 0;  // record number from 1, as a user counts rows
  std::string field;
  std::string text;  // the stored characters (UTF-8)
  bool operator==(const BadCell&) const = default;
};

struct ErrorDetails {
  std::string file;  // the table file's path, where there is one
  std::string field;
  int os_error = 0;  // errno of a failed read or write
  std::string text;
  std::vector<std::string> items;
  std::vector<BadCell> cells;

  // Details naming a file, a field, a text; set the rest by hand.
  static ErrorDetails of(std::string file, std::string field = {}, std::string text = {}) {
    ErrorDetails d;
    d.file = std::move(file);
    d.field = std::move(field);
    d.text = std::move(text);
    return d;
  }
};

// Every failure of the table engine: a file that cannot be read or written, a
// field that does not exist, a value that does not fit. what() is the
// technical text (English, naming the file and the problem) for logs and
// tests; user_message() is what the user reads.
class Error : public std::runtime_error, public platform::UserFacing {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
  Error(ErrorKind kind, ErrorDetails details, const std::string& message)
      : std::runtime_error(message), m_kind(kind), m_details(std::move(details)) {}

  ErrorKind kind() const { return m_kind; }
  const ErrorDetails& details() const { return m_details; }
  std::string user_text() const override;

 private:
  ErrorKind m_kind = ErrorKind::Other;
  ErrorDetails m_details;
};

// A table file that could not be read, written or made durable: the file and
// the operating system's error number travel with the message (and in
// details(), for the user's text).
class IoError : public Error {
 public:
  IoError(const std::string& message, std::string file, int os_error,
          ErrorKind kind = ErrorKind::CannotWrite)
      : Error(kind, with_os_error(std::move(file), os_error), message) {}
  const std::string& file() const { return details().file; }
  int os_error() const { return details().os_error; }

 private:
  static ErrorDetails with_os_error(std::string file, int os_error) {
    ErrorDetails d = ErrorDetails::of(std::move(file));
    d.os_error = os_error;
    return d;
  }
};

// A text that does not convert to a number or a date.
class ConversionError : public Error {
 public:
  using Error::Error;
};

// The Chinese text a user reads for an error: the one place where engine
// errors are put into words for people.
std::string user_message(const Error& e);

// An OS error (errno) in Chinese.
std::string os_error_text(int err);

}  // namespace vmx::store
