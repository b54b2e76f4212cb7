#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/store/cursor.h"
#include "core/store/query.h"
#include "core/store/session.h"

namespace vmx::store {

enum class BatchMode {
  Copy,    // the destination file is created anew with the source's fields
  Append,  // rows are appended to the existing destination table
};

struct BatchMoveResult {
  size_t moved = 0;    // rows written
  size_t skipped = 0;  // rows refused: a key violation or a value that does not convert or fit
};

// Where the rows go: a table file reached through an alias or a directory.
struct BatchTarget {
  std::string where;  // alias or directory path
  std::string file;   // "tmp.DBF", "result.db": the extension chooses the format
};

// Copies every row of a source into a destination table.
//
// `mapping` lines read "dest=source" ("price=当前价") and rename fields on the
// way; a destination field without a line takes the source field (or result
// column) of the same name without regard to case, and stays blank when there
// is none. Blank lines are ignored.
//
// Copy mode: the destination is created anew, replacing an earlier file. Its
// fields are the mapped ones when there is a mapping, else all of the source's.
// A cursor's fields keep their definitions (types the destination format lacks
// become the nearest it has; the new table has no primary key); a query's columns become text
// (Character, width of the longest value in GBK bytes, 1 to 254), numbers (Numeric 20.4 in dBase,
// Number in Paradox), dates and logicals. The engine forgets the old file, so the next open reads
// the new one; a cursor that held the old table open keeps showing the old rows until it is opened
// again.
//
// Append mode: rows are appended through a cursor on the destination; a row
// that cannot be posted is skipped and counted, the move goes on.
//
// The source is read in its current order and filter without moving it; its
// current row stays. Throws Error for a malformed mapping line, a mapped
// source field that does not exist, a destination that cannot be created or
// opened, or a destination that is the source's own file (copy mode would
// destroy the rows it reads).
BatchMoveResult batch_move(Cursor& source, Session& session, const BatchTarget& target,
                           BatchMode mode, const std::vector<std::string>& mapping = {});
BatchMoveResult batch_move(Query& source, Session& session, const BatchTarget& target,
                           BatchMode mode, const std::vector<std::string>& mapping = {});

}  // namespace vmx::store
