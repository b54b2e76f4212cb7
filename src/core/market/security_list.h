#pragma once

#include <string>

#include "core/store/cursor.h"

namespace vmx::market {

// The security list allstocks.DBF (alias curr, index CODE): every code the
// program knows with its name and latest price. One instance per login; it
// answers two lookups for the rest of the program, and the security list
// window is a view on its cursor.
class SecurityList {
 public:
  explicit SecurityList(store::Session& session);
  ~SecurityList();

  // The cursor (opened on first use, index CODE).
  store::Cursor& cursor();
  // The same cursor, open or not: for a view that must exist even when the
  // file cannot be read.
  store::Cursor& cursor_as_is() { return m_cursor; }

  // Locate CODE exactly; the row's NAME, or "" when not found. Sees only rows
  // that pass the current code filter; moves the current row.
  std::string code_to_name(const std::string& code);
  // Locate CODE exactly; the row's PRICE in single precision, or 0.
  float code_to_price(const std::string& code);

  // The code filter: "code='" + pattern + "'", '*' standing for any run of
  // characters; filtering on. An empty optional clears it (filtering off).
  void set_code_pattern(const std::string& pattern);
  void clear_code_pattern();

 private:
  store::Cursor m_cursor;
};

}  // namespace vmx::market
