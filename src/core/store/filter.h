#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/store/table_file.h"

namespace vmx::store {

// A filter expression in the engine's syntax, compiled against a table's
// fields:
//   expr   := term { "or" term }
//   term   := factor { "and" factor }
//   factor := "not" factor | "(" expr ")" | operand op operand
//   op     := = <> < > <= >=
//   operand:= field name | 'text' | "text" | number | true | false | null
// Keywords and field names are case-insensitive; text compares ordinally as
// stored (GBK bytes), case-sensitively. In a text literal compared with = or <>,
// '*' matches any run of characters ("code='60*'"). A date field compares with
// a 'yyyy-mm-dd' literal. A blank text field reads '', a blank number 0, a
// blank logical false; `field = null` tests for a blank field.
class FilterExpr {
 public:
  // Throws Error naming the expression and what is wrong with it.
  static std::unique_ptr<FilterExpr> compile(std::string_view text, const TableFile& file);
  virtual ~FilterExpr() = default;
  virtual bool matches(const uint8_t* record) const = 0;
};

// Matches `text` against a pattern in which '*' stands for any run of
// characters (also none). Byte-wise, so it works on GBK and UTF-8 alike.
bool wildcard_match(std::string_view pattern, std::string_view text);

}  // namespace vmx::store
