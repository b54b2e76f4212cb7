// Two running copies of the program writing one shared table at once: every
// row each adds is there afterwards, and edits of different fields of the same
// row both survive.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>

#include "core/store/cursor.h"
#include "core/store/session.h"
#include "core/store/table.h"
#include "support/temp_dir.h"

#ifdef VMX_HAVE_PXLIB
extern "C" {  // the library's header declares no C linkage of its own
#include <paradox.h>
}
#endif

namespace vmx::store {
namespace {

constexpr int kShared = 10;  // rows both copies edit
constexpr int kAdded = 150;  // rows each copy adds

std::string code(char prefix, int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%c%04d", prefix, i);
  return buf;
}

// One copy: adds its rows; every tenth row it also changes its own field
// (PRICE for copy 0, NAME for copy 1) of one of the shared rows. Copy 1 makes
// its changes in passes of ten rows, copy 0 one at a time.
void run_copy(const std::string& dir, const std::string& file, int copy) {
  Session s;
  Cursor c(s, dir, file);
  c.open();
  std::optional<WritePass> pass;
  for (int i = 0; i < kAdded; ++i) {
    if (copy == 1 && i % 10 == 0) {
      if (pass) pass->finish();
      pass.emplace(c.table());
    }
    c.append();
    c.set_string("CODE", code(char('p' + copy), i));
    c.post();
    if (i % 10 == 0) {
      const int row = (i / 10) % kShared;
      if (!c.locate("CODE", {Value::text(code('a', row))})) throw std::runtime_error("lost row");
      if (copy == 0)
        c.set_double("PRICE", row + 0.5);
      else
        c.set_string("NAME", "n" + std::to_string(row));
      c.post();
    }
  }
  if (pass) pass->finish();
}

// The rows another reader finds in the file: python3-dbf for dBase, pxlib for
// Paradox; the expected number when that reader is not on this machine.
int independent_count(const std::filesystem::path& path) {
  const int expected = kShared + 2 * kAdded;
  if (path.extension() == ".DBF") {
    if (std::system("/usr/bin/python3 -c 'import dbf' 2>/dev/null") != 0) return expected;
    const std::string cmd = "/usr/bin/python3 -c \"import dbf; t = dbf.Table('" + path.string() +
                            "', codepage='cp936'); t.open(); print(len(t))\"";
    FILE* p = ::popen(cmd.c_str(), "r");
    int n = -1;
    if (p && std::fscanf(p, "%d", &n) != 1) n = -1;
    if (p) ::pclose(p);
    return n;
  }
#ifdef VMX_HAVE_PXLIB
  pxdoc_t* doc = PX_new();
  FILE* fp = std::fopen(path.c_str(), "rb");
  const int n = PX_open_fp(doc, fp) == 0 ? PX_get_num_records(doc) : -1;
  PX_close(doc);
  PX_delete(doc);
  std::fclose(fp);
  return n;
#else
  return expected;
#endif
}

void check_table(const std::string& file, const Schema& schema) {
  SCOPED_TRACE(file);
  test::TempDir dir;
  const std::string where = dir.path().string();
  create_table_file(dir / file, schema);
  {
    Session s;
    Cursor c(s, where, file);
    c.open();
    for (int i = 0; i < kShared; ++i) {
      c.append();
      c.set_string("CODE", code('a', i));
      c.post();
    }
  }
  pid_t pids[2];
  for (int copy = 0; copy < 2; ++copy) {
    pids[copy] = ::fork();
    ASSERT_GE(pids[copy], 0);
    if (pids[copy] == 0) {
      int rc = 0;
      try {
        run_copy(where, file, copy);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "copy %d: %s\n", copy, e.what());
        rc = 1;
      }
      std::fflush(nullptr);
      ::_exit(rc);
    }
  }
  for (pid_t pid : pids) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  Session s;
  Cursor c(s, where, file);
  c.open();
  std::multiset<std::string> seen;
  for (c.first(); !c.eof(); c.next()) {
    const std::string k = c.get_string("CODE");
    seen.insert(k);
    if (k[0] == 'a') {
      EXPECT_EQ(c.get_double("PRICE"), std::stoi(k.substr(1)) + 0.5) << k;
      EXPECT_EQ(c.get_string("NAME"), "n" + std::to_string(std::stoi(k.substr(1)))) << k;
    }
  }
  EXPECT_EQ(seen.size(), size_t(kShared + 2 * kAdded));
  for (int i = 0; i < kAdded; ++i) {
    EXPECT_EQ(seen.count(code('p', i)), 1u) << i;
    EXPECT_EQ(seen.count(code('q', i)), 1u) << i;
  }
  EXPECT_EQ(independent_count(dir / file), kShared + 2 * kAdded);
}

TEST(SharedTableTest, TwoProcessesWritingOneTableLoseNothing) {
  Schema dbase;
  // The security list's own fields: the engine refuses to write a table of
  // the catalogue that lacks them.
  dbase.fields = find_table_spec("allstocks.DBF")->schema.fields;
  check_table("allstocks.DBF", dbase);
  Schema paradox;
  paradox.fields = {{"CODE", FieldType::Character, 6, 0},
                    {"NAME", FieldType::Character, 8, 0},
                    {"PRICE", FieldType::Number, 8, 0}};
  paradox.key_fields = 1;
  check_table("shared.DB", paradox);
}

}  // namespace
}  // namespace vmx::store
