// A disk that fills up or fails under a change: the change stops with an error
// naming the file and the system's reason, the file reopens with the rows
// posted before (or with the new row too, where all of its data reached the
// file before the failure), memory agrees with the file, and writing goes on.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "core/platform/faulty_file_system.h"
#include "core/store/cursor.h"
#include "core/store/error.h"
#include "core/store/session.h"
#include "core/store/table.h"
#include "support/temp_dir.h"

namespace vmx::store {
namespace {

using Fault = platform::FaultyFileSystem::Fault;

struct Case {
  const char* what;
  Fault fault;
  bool row_kept;  // the failed insert's row is in the file all the same
};

std::vector<std::string> codes(Session& session, const std::string& dir, const std::string& file) {
  Cursor c(session, dir, file);
  c.open();
  std::vector<std::string> out;
  for (c.first(); !c.eof(); c.next()) out.push_back(c.get_string("CODE"));
  return out;
}

void append(Cursor& c, const std::string& code) {
  c.append();
  c.set_string("CODE", code);
  c.set_double("PRICE", 1.5);
  c.post();
}

std::string key(int i) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "k%03d", i);
  return buf;
}

// Lays out `file` with `rows` rows (keys k000, k002, ...), then runs
// `change` under the fault and checks what the file and memory hold after.
void run_case(const Case& c, const std::string& file, const Schema& schema, int rows,
              const std::string& new_code) {
  SCOPED_TRACE(c.what);
  test::TempDir dir;
  const std::string where = dir.path().string();
  create_table_file(dir / file, schema);
  std::vector<std::string> want;
  {
    Session s;
    Cursor cur(s, where, file);
    cur.open();
    for (int i = 0; i < rows; ++i) {
      append(cur, key(2 * i));
      want.push_back(key(2 * i));
    }
  }
  platform::FaultyFileSystem faulty;
  const platform::ScopedFileSystem use(faulty);
  Session s;
  Cursor cur(s, where, file);
  cur.open();
  faulty.arm(c.fault);
  try {
    append(cur, new_code);
    ADD_FAILURE() << "the insert did not fail";
  } catch (const IoError& e) {
    EXPECT_EQ(e.os_error(), c.fault.error);
    EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
  }
  EXPECT_TRUE(faulty.fired());
  cur.cancel();
  if (c.row_kept) {
    want.push_back(new_code);
    std::sort(want.begin(), want.end());
  }
  EXPECT_EQ(codes(s, where, file), want) << "in memory";
  Session fresh;
  EXPECT_EQ(codes(fresh, where, file), want) << "from the file";

  append(cur, "z999");  // the disk has room again
  want.push_back("z999");
  Session after;
  EXPECT_EQ(codes(after, where, file), want) << "after the next insert";
}

TEST(WriteFailureTest, DbaseInsertStopsCleanly) {
  Schema schema;
  schema.fields = {{"CODE", FieldType::Character, 6, 0}, {"PRICE", FieldType::Numeric, 10, 3}};
  const size_t record = 1 + 6 + 10;
  // A fresh session's first insert writes: the header's date, the record
  // (marked deleted) with the end marker after it, the header's date and
  // count, the record's deletion flag. A failure at any of them leaves no
  // live row that the count leaves out.
  const Case cases[] = {
      {"header date", {.nth_write = 1}, false},
      {"record", {.nth_write = 2}, false},
      {"record, torn", {.nth_write = 2, .written_first = 5}, false},
      {"end marker", {.nth_write = 2, .error = EIO, .written_first = record}, false},
      {"header count", {.nth_write = 3, .error = EIO}, false},
      {"header count, torn", {.nth_write = 3, .written_first = 3}, false},
      {"deletion flag", {.nth_write = 4, .error = EIO}, false},
  };
  for (const Case& c : cases) run_case(c, "t.dbf", schema, 3, "new");
}

TEST(WriteFailureTest, ParadoxInsertStopsCleanly) {
  // 200 + 8 bytes a record: 19 to a 4 KiB block. 20 ascending rows leave a
  // full first block and one row in the second; k011 then splits the first.
  Schema schema;
  schema.fields = {{"CODE", FieldType::Character, 200, 0}, {"PRICE", FieldType::Number, 8, 0}};
  schema.key_fields = 1;
  // The split writes the new block, the old block pointing to it, the back
  // link of the block after, then the header.
  const Case cases[] = {
      {"new block", {.nth_write = 1}, false},
      {"new block, torn", {.nth_write = 1, .written_first = 100}, false},
      {"old block", {.nth_write = 2, .error = EIO}, false},
      {"back link", {.nth_write = 3}, true},
      {"header", {.nth_write = 4, .error = EIO}, true},
  };
  for (const Case& c : cases) run_case(c, "t.db", schema, 20, "k011");
}

// A pass whose gathered writes fail at its end: the error reaches the caller,
// memory is read again from the file (which holds whatever part of the pass
// reached it), and the next change writes as usual.
TEST(WriteFailureTest, PassThatCannotBeWrittenLeavesMemoryAsTheFile) {
  Schema dbf;
  dbf.fields = {{"CODE", FieldType::Character, 6, 0}, {"PRICE", FieldType::Numeric, 10, 3}};
  Schema px;
  px.fields = {{"CODE", FieldType::Character, 200, 0}, {"PRICE", FieldType::Number, 8, 0}};
  px.key_fields = 1;
  const struct {
    const char* file;
    const Schema& schema;
    Fault fault;
  } cases[] = {
      {"t.dbf", dbf, {.nth_write = 1}},
      {"t.dbf", dbf, {.nth_write = 1, .written_first = 300}},
      {"t.db", px, {.nth_write = 1, .error = EIO}},
      {"t.db", px, {.nth_write = 1, .written_first = 5000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " torn after " + std::to_string(c.fault.written_first));
    test::TempDir dir;
    const std::string where = dir.path().string();
    create_table_file(dir / c.file, c.schema);
    {
      Session s;
      Cursor cur(s, where, c.file);
      cur.open();
      for (int i = 0; i < 30; ++i) append(cur, key(2 * i));
    }
    platform::FaultyFileSystem faulty;
    const platform::ScopedFileSystem use(faulty);
    Session s;
    Cursor cur(s, where, c.file);
    cur.open();
    try {
      WritePass pass(cur.table());
      for (cur.first(); !cur.eof(); cur.next()) {
        cur.set_double("PRICE", 7);
        cur.post();
      }
      append(cur, "k999");
      faulty.arm(c.fault);
      pass.finish();
      ADD_FAILURE() << "the pass was written";
    } catch (const IoError& e) {
      EXPECT_EQ(e.os_error(), c.fault.error);
    }
    EXPECT_TRUE(faulty.fired());
    Session fresh;
    const std::vector<std::string> in_file = codes(fresh, where, c.file);
    EXPECT_EQ(codes(s, where, c.file), in_file);
    append(cur, "z999");
    Session after;
    std::vector<std::string> want = in_file;
    want.push_back("z999");
    EXPECT_EQ(codes(after, where, c.file), want);
  }
}

}  // namespace
}  // namespace vmx::store
