#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_run.h"
#include "support/other_readers.h"
#include "support/temp_dir.h"

using vmx::test::run_cli;
using vmx::test::run_shell;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// RFC 4180: quoted fields may hold commas, quotes (doubled) and line breaks.
Rows parse_csv(const std::string& text) {
  Rows rows(1);
  std::string cell;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().push_back(cell);
      cell.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      rows.back().push_back(cell);
      cell.clear();
      rows.emplace_back();
      ++i;
    } else {
      cell += c;
    }
  }
  rows.pop_back();  // after the last line break
  return rows;
}

// The same table read by Debian's python3-dbf, printed one value a line as
// "row|field|value" with numbers in repr and blanks as "".
Rows python_dbf_rows(const std::string& file, size_t& fields) {
  const std::string script =
      "import dbf, sys\n"
      "t = dbf.Table(sys.argv[1], codepage='cp936'); t.open()\n"
      "print(len(t.field_names))\n"
      "for r in t:\n"
      "  if dbf.is_deleted(r): continue\n"
      "  out = []\n"
      "  for v in r:\n"
      "    if v is None: out.append('')\n"
      "    elif isinstance(v, str): out.append(v.rstrip())\n"
      "    elif hasattr(v, 'isoformat'): out.append(v.isoformat() if v else '')\n"
      "    elif isinstance(v, bool): out.append('true' if v else 'false')\n"
      "    else: out.append(repr(v))\n"
      "  print('\\x1f'.join(out))\n";
  const auto r =
      run_shell("/usr/bin/python3 -c \"$(cat <<'PY'\n" + script + "PY\n)\" '" + file + "' 2>&1");
  std::istringstream in(r.out);
  std::string line;
  std::getline(in, line);
  fields = static_cast<size_t>(std::atoi(line.c_str()));
  Rows rows;
  while (std::getline(in, line)) {
    rows.emplace_back();
    size_t start = 0;
    for (;;) {
      const size_t end = line.find('\x1f', start);
      rows.back().push_back(line.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  return rows;
}

bool same_value(const std::string& ours, const std::string& theirs) {
  if (ours == theirs) return true;
  char* e1 = nullptr;
  char* e2 = nullptr;
  const double a = std::strtod(ours.c_str(), &e1), b = std::strtod(theirs.c_str(), &e2);
  return !ours.empty() && !theirs.empty() && *e1 == 0 && *e2 == 0 && std::fabs(a - b) < 1e-9;
}

class DumpCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(run_cli("init " + (dir / "inst").string() + " --demo").code, 0);
  }
  std::string path(const char* rel) const { return (dir / "inst" / rel).string(); }
  vmx::test::TempDir dir;
};

}  // namespace

// The demo installation's dBase tables, as we print them, against an
// independent reader of the same files.
TEST_F(DumpCommand, AgreesWithAnIndependentReader) {
  if (!vmx::test::python_imports("dbf")) GTEST_SKIP() << "python3-dbf is not installed";
  for (const char* rel : {"demo/tr2.DBF", "allstocks.DBF", "code_to_lx.DBF", "demo/addr.dbf"}) {
    SCOPED_TRACE(rel);
    const auto dumped = run_cli("dump " + path(rel));
    ASSERT_EQ(dumped.code, 0);
    Rows ours = parse_csv(dumped.out);
    ASSERT_FALSE(ours.empty());
    ours.erase(ours.begin());  // header
    size_t fields = 0;
    const Rows theirs = python_dbf_rows(path(rel), fields);
    ASSERT_EQ(ours.size(), theirs.size());
    ASSERT_GT(ours.size(), 0u);
    for (size_t r = 0; r < ours.size(); ++r) {
      ASSERT_EQ(ours[r].size(), fields);
      ASSERT_EQ(theirs[r].size(), fields);
      for (size_t f = 0; f < fields; ++f)
        EXPECT_TRUE(same_value(ours[r][f], theirs[r][f]))
            << "row " << r << " field " << f << ": " << ours[r][f] << " vs " << theirs[r][f];
    }
  }
}

TEST_F(DumpCommand, OrdersSelectsAndFormats) {
  // The holdings view: open rows only, by broker code then account.
  const Rows all = parse_csv(run_cli("dump " + path("demo/tr2.DBF")).out);
  const Rows view = parse_csv(run_cli("dump " + path("demo/TR2.dbf") + " --index no_pc").out);
  ASSERT_GT(view.size(), 2u);
  EXPECT_EQ(view[0], all[0]);
  size_t closed = 0;
  for (size_t r = 1; r < all.size(); ++r) closed += all[r][0].rfind("P", 0) == 0;
  EXPECT_GT(closed, 0u);
  EXPECT_EQ(view.size(), all.size() - closed);
  for (size_t r = 2; r < view.size(); ++r)
    EXPECT_LE(view[r - 1][1] + "\x01" + view[r - 1][4], view[r][1] + "\x01" + view[r][4]);
  const Rows by_code =
      parse_csv(run_cli("dump " + path("demo/tr2.DBF") + " --order 'CODE;AMT'").out);
  for (size_t r = 2; r < by_code.size(); ++r) EXPECT_LE(by_code[r - 1][5], by_code[r][5]);

  // JSON: Paradox logical and dates as JSON values, one object a row.
  const auto json = run_cli("dump " + path("z.db") + " --format json");
  ASSERT_EQ(json.code, 0);
  EXPECT_NE(json.out.find("\"User_name\": \"示范帐户\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"Now\": true"), std::string::npos) << json.out;
  EXPECT_EQ(json.out.front(), '[');

  struct Case {
    std::string args;
    int code;
  } cases[] = {
      {"dump", 2},
      {"dump " + path("nothere.DBF"), 2},
      {"dump " + path("demo/tr2.DBF") + " --index NOPE", 2},
      {"dump " + path("demo/tr2.DBF") + " --format xml", 2},
      {"dump " + path("demo/tr2.DBF") + " --index NO_PC --order CODE", 2},
      {"frobnicate", 2},
  };
  for (const auto& c : cases) EXPECT_EQ(run_cli(c.args).code, c.code) << c.args;
}
