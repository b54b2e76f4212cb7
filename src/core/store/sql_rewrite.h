#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/store/error.h"

namespace vmx::store {

// A query text the engine could not run: bad SQL, a statement other than a
// read-only SELECT. File problems (a table that cannot be read) stay plain Error.
class QueryError : public Error {
 public:
  using Error::Error;
};

// A query text of the program turned into SQLite's dialect.
struct RewrittenSql {
  std::string sql;  // for sqlite3_prepare: parameters are ?1, ?2, ... in `params` order
  // Table files the text names, spelled as first written, without duplicates
  // (by lower case). In `sql` each stands as the quoted identifier of its
  // lower-case name, e.g. "tr2.dbf".
  std::vector<std::string> files;
  // Parameter names, lower-cased (names match without regard to case); the
  // parameter ?N is params[N-1]. A name used twice is one parameter.
  std::vector<std::string> params;
};

// Rewrites the program's local SQL dialect into SQLite with a tokenizer, not a
// parser: quoted ("tr2.dbf", "fund2.DB") and unquoted (tr2.dbf, tr2.DBF) file
// names become quoted lower-case table names, so `"tr2.dbf"."CODE"` keeps
// working as a qualified column; `:"Code"` and `:Code` become numbered
// parameters. A file name is a name ending in ".db" or ".dbf" (any case).
// String literals and comments pass through untouched; everything else
// (aliases, Chinese ones included, DISTINCT, aggregates, sub-selects, NOT IN,
// GROUP BY, ORDER BY) is SQLite already. Throws QueryError for an unterminated
// string, quoted name or comment, and for a ':' that names no parameter.
RewrittenSql rewrite_sql(std::string_view text);

// True when the text's first keyword (after blanks, comments and opening
// parentheses) is SELECT or WITH: the only statements a query may run.
bool is_select(std::string_view text);

}  // namespace vmx::store
