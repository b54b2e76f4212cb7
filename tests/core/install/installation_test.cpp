#include "core/install/installation.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/store/catalogue.h"
#include "core/store/error.h"
#include "core/store/filter.h"
#include "core/store/table_file.h"
#include "support/cli_run.h"
#include "support/other_readers.h"
#include "support/temp_dir.h"

#ifdef VMX_HAVE_PXLIB
extern "C" {  // the library's header declares no C linkage of its own
#include <paradox.h>
}
#endif

namespace vmx::store {
namespace {

namespace fs = std::filesystem;

const Date kToday = Date::from_ymd(2024, 3, 15);

// A table's rows by field name (upper case), as our codec reads them.
struct Row {
  std::map<std::string, Value> v;
  std::string s(const char* f) const { return v.at(f).as_string(); }
  double n(const char* f) const { return v.at(f).as_number(); }
  bool blank(const char* f) const { return v.at(f).is_null(); }
};

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::vector<Row> read_rows(const fs::path& p) {
  auto file = open_table_file(p, {true});
  std::vector<Row> rows;
  file->load([&](RowId, const uint8_t* rec) {
    Row r;
    for (size_t i = 0; i < file->schema().fields.size(); ++i)
      r.v[upper(file->schema().fields[i].name)] = file->get(rec, static_cast<int>(i));
    rows.push_back(std::move(r));
  });
  return rows;
}

// One installation with the demo data, shared by the tests that only read it.
class DemoInstallation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = new test::TempDir;
    init_installation(s_dir->path() / "vmx", true, kToday);
  }
  static void TearDownTestSuite() {
    delete s_dir;
    s_dir = nullptr;
  }
  static fs::path root() { return s_dir->path() / "vmx"; }
  static test::TempDir* s_dir;
};
test::TempDir* DemoInstallation::s_dir = nullptr;

TEST(Installation, RefusesAnythingButAnEmptyDirectory) {
  test::TempDir tmp;
  const fs::path busy = tmp / "busy";
  fs::create_directories(busy);
  std::ofstream(busy / "notes.txt") << "keep me";
  EXPECT_THROW(init_installation(busy, true, kToday), Error);
  EXPECT_EQ(std::distance(fs::directory_iterator(busy), fs::directory_iterator()), 1);

  std::ofstream(tmp / "plain") << "x";
  EXPECT_THROW(init_installation(tmp / "plain", false, kToday), Error);

  // An empty directory is used, a missing one (with missing parents) created.
  fs::create_directories(tmp / "empty_one");
  EXPECT_NO_THROW(init_installation(tmp / "empty_one", false, kToday));
  EXPECT_NO_THROW(init_installation(tmp / "new" / "deeper", false, kToday));
  EXPECT_TRUE(fs::exists(tmp / "new" / "deeper" / "z.db"));
}

TEST(Installation, CommandLineExitCodes) {
  test::TempDir tmp;
  std::ofstream(tmp / "f") << "x";
  struct Case {
    std::string args;
    int code;
  };
  const Case cases[] = {
      {"init", 2},
      {"init " + (tmp / "a").string() + " --demox", 2},
      {"init " + (tmp / "a").string() + " " + (tmp / "b").string(), 2},
      {"init " + tmp.path().string(), 1},  // not empty
      {"init " + (tmp / "ok").string() + " --demo", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(test::run_cli(c.args).code, c.code);
  }
  EXPECT_FALSE(fs::exists(tmp / "a"));
  EXPECT_TRUE(fs::exists(tmp / "ok" / "demo" / "tr2.DBF"));
}

// Every table is where the catalogue says, opens with our codec and has the
// catalogue's fields; the earlier versions' files are not laid out.
TEST_F(DemoInstallation, EveryTableIsInPlaceWithTheCatalogueFields) {
  for (const TableSpec& t : catalogue()) {
    SCOPED_TRACE(t.file);
    std::vector<fs::path> dirs = {root()};
    if (t.place == Place::Account)
      dirs = {root() / kTemplateDir, root() / kMyAccountDir, root() / kDemoAccountDir};
    for (const auto& d : dirs) {
      const fs::path p = d / t.file;
      if (t.earlier_version || t.place != (d == root() ? Place::Program : Place::Account)) {
        EXPECT_FALSE(fs::exists(p)) << p;
        continue;
      }
      ASSERT_TRUE(fs::exists(p)) << p;
      auto file = open_table_file(p, {true});
      const auto& got = file->schema();
      ASSERT_EQ(got.fields.size(), t.schema.fields.size()) << p;
      for (size_t i = 0; i < got.fields.size(); ++i) {
        EXPECT_EQ(upper(got.fields[i].name), upper(t.schema.fields[i].name)) << p;
        EXPECT_EQ(got.fields[i].type, t.schema.fields[i].type) << t.schema.fields[i].name;
        EXPECT_EQ(got.fields[i].width, t.schema.fields[i].width) << t.schema.fields[i].name;
        EXPECT_EQ(got.fields[i].decimals, t.schema.fields[i].decimals) << t.schema.fields[i].name;
      }
      if (t.format == Format::Paradox) {
        EXPECT_EQ(got.key_fields, t.schema.key_fields);
      }
      // The template and the user's account start empty.
      if (d != root() && d != root() / kDemoAccountDir) {
        EXPECT_TRUE(read_rows(p).empty()) << p;
      }
    }
  }
  const auto accounts = read_rows(root() / "z.db");
  ASSERT_EQ(accounts.size(), 2u);
  std::map<std::string, Row> by_name;
  for (const auto& a : accounts) by_name[a.s("USER_NAME")] = a;
  EXPECT_EQ(by_name.at(kMyAccountName).s("SUBDIR"), kMyAccountDir);
  EXPECT_EQ(by_name.at(kDemoAccountName).s("SUBDIR"), kDemoAccountDir);
  EXPECT_EQ(by_name.at(kMyAccountName).s("USER_PASSWORD"), "");
  EXPECT_FALSE(by_name.at(kMyAccountName).v.at("NOW").as_bool());
  EXPECT_TRUE(by_name.at(kDemoAccountName).v.at("NOW").as_bool());
}

TEST_F(DemoInstallation, ReferenceTablesHoldWhatTheLookupsNeed) {
  // One settlement currency, at rate 1, codes in lower case.
  int settlement = 0;
  for (const auto& c : read_rows(root() / "bi.db")) {
    EXPECT_EQ(c.s("CODE"), [](std::string s) {
      for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      return s;
    }(c.s("CODE")));
    if (c.v.at("NOW").as_bool()) {
      ++settlement;
      EXPECT_EQ(c.n("RATE"), 1.0);
    }
  }
  EXPECT_EQ(settlement, 1);
  // The default investment type exists; index futures allow short selling.
  bool y = false;
  for (const auto& t : read_rows(root() / "TZLX.db")) y = y || t.s("XABC") == "y";
  EXPECT_TRUE(y);
  bool futures = false;
  for (const auto& t : read_rows(root() / "lx.DB"))
    if (t.s("LXM") == "股指期货") {
      futures = true;
      EXPECT_DOUBLE_EQ(t.n("BZJ_RATE"), 0.1);
      EXPECT_TRUE(t.v.at("OVERSELL").as_bool());
    }
  EXPECT_TRUE(futures);
  // Both index codes are in the security list; one quote source is current.
  std::set<std::string> codes;
  for (const auto& s : read_rows(root() / "allstocks.DBF")) codes.insert(s.s("CODE"));
  EXPECT_TRUE(codes.count("9996") && codes.count("999999"));
  EXPECT_GE(codes.size(), 24u);
  int current = 0;
  for (const auto& q : read_rows(root() / "hq_path.DBF")) current += q.v.at("NOW").as_bool();
  EXPECT_EQ(current, 1);
}

bool pending(const std::string& wth) { return wth > "0" && wth < "999999"; }
bool closed(const std::string& wth) { return wth >= "P" && wth < "PA"; }

// The demo ledger holds every row kind the way the program's operations
// leave them (the figures are the valuation's own: see the calc test below).
TEST_F(DemoInstallation, DemoLedgerKeepsTheRowKinds) {
  std::map<std::string, Row> types;
  for (auto& t : read_rows(root() / "lx.DB")) types[t.s("LX")] = t;
  const auto rows = read_rows(root() / kDemoAccountDir / "tr2.DBF");
  ASSERT_GT(rows.size(), 15u);

  std::map<std::string, int> cash_rows;  // per cash account
  std::map<std::string, int> frozen;     // per order number
  std::set<std::string> orders;
  std::map<std::string, int> totals;
  int shorts = 0;
  double split_open = 0, split_closed = 0;
  for (const Row& r : rows) {
    const std::string wth = r.s("WTH"), code = r.s("CODE"),
                      account = r.s("QSDM") + "/" + r.s("ZJZH");
    SCOPED_TRACE(code + " " + wth);
    if (code == "zzc" || code == "zzz") {
      EXPECT_EQ(wth, "###");
      totals[code]++;
      continue;
    }
    const double bs = r.n("BS");
    EXPECT_TRUE(bs == 1 || bs == -1);
    EXPECT_NE(r.n("BIRATE"), 0);
    EXPECT_NE(r.n("ZK_RATE"), 0);
    EXPECT_NE(r.s("NAME"), "");
    if (code == "0001") (closed(wth) ? split_closed : split_open) += r.n("AMT");
    if (closed(wth)) {
      EXPECT_EQ(wth, "P" + r.v.at("DATE2").as_date().to_string().erase(7, 1).erase(4, 1) + "00");
      EXPECT_FALSE(r.s("CJ_DH").empty());
    } else if (code == "xj") {
      (r.s("CJ_DH") == "冻结资金" ? frozen[wth] : cash_rows[account])++;
    } else {
      if (pending(wth)) orders.insert(wth);
      if (bs == -1) {
        ++shorts;
        EXPECT_TRUE(types.at(r.s("LX")).v.at("OVERSELL").as_bool());
      }
    }
  }
  // One cash row per cash account with a currency.
  for (const auto& zb : read_rows(root() / kDemoAccountDir / "zh_bi.db"))
    EXPECT_EQ(cash_rows[zb.s("QSDM") + "/" + zb.s("ZJZH")], 1) << zb.s("ZJZH");
  EXPECT_GE(cash_rows.size(), 3u);
  // Each pending order has exactly one frozen-cash row, and no frozen-cash row
  // is without its order.
  EXPECT_GE(orders.size(), 1u);
  for (const auto& o : orders) EXPECT_EQ(frozen[o], 1) << o;
  EXPECT_EQ(frozen.size(), orders.size());
  EXPECT_GE(shorts, 1);
  EXPECT_EQ(totals, (std::map<std::string, int>{{"zzc", 1}, {"zzz", 1}}));
  // The sell of 3000 split the position of 5000 (the sell row itself holds -3000).
  EXPECT_EQ(split_open, 2000);
  EXPECT_EQ(split_closed, 0);
}

std::vector<char> file_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The demo holdings are what the valuation makes of them: the first calc
// after init changes no byte of tr2.DBF. Bytes 1 to 3 of the header, the day
// the file was last written, are left out, so a run across midnight passes.
TEST(Installation, CalcRightAfterInitDemoChangesNothing) {
  test::TempDir tmp;
  const fs::path dir = tmp / "vmx";
  auto run = [](const std::string& args) {
    const std::string cmd = std::string(VMX_CLI) + " " + args + " >/dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  ASSERT_EQ(run("init '" + dir.string() + "' --demo"), 0);
  const fs::path ledger = dir / kDemoAccountDir / "tr2.DBF";
  std::vector<char> before = file_bytes(ledger);
  ASSERT_EQ(run("calc '" + dir.string() + "' " + kDemoAccountName), 0);
  std::vector<char> after = file_bytes(ledger);
  ASSERT_EQ(after.size(), before.size());
  ASSERT_GT(before.size(), 4u);
  for (auto* bytes : {&before, &after}) bytes->erase(bytes->begin() + 1, bytes->begin() + 4);
  EXPECT_TRUE(before == after) << "calc changed the demo's tr2.DBF";
}

TEST_F(DemoInstallation, FundHistoryFollowsTheUnitPricePass) {
  const auto rows = read_rows(root() / kDemoAccountDir / "fund2.DB");
  ASSERT_GT(rows.size(), 250u);  // a market row every business day
  EXPECT_EQ(rows.front().s("PYCODE"), "@@@");
  EXPECT_EQ(rows.back().s("PYCODE"), "***");
  EXPECT_EQ(rows.back().v.at("DT").as_date(), kToday);
  EXPECT_GE(kToday - rows.front().v.at("DT").as_date(), 365);

  std::set<std::string> keys;
  std::map<int64_t, double> group_units;
  std::set<std::string> investors;
  int open_investments = 0, transfers = 0, corrections = 0, open_withdrawals = 0;
  double pp = rows.front().n("PRICE"), pf = rows.front().n("FUND");
  for (size_t i = 1; i < rows.size(); ++i) {
    const Row& r = rows[i];
    const std::string code = r.s("PYCODE");
    SCOPED_TRACE(r.v.at("DT").as_date().to_string() + " " + code);
    EXPECT_GE(r.v.at("DT").as_date(), rows[i - 1].v.at("DT").as_date());  // key order
    const std::string key = r.v.at("DT").as_date().to_string() + code + r.s("NUM") + r.s("CZXH") +
                            r.s("XABC") + r.s("B1");
    EXPECT_TRUE(keys.insert(key).second) << "duplicate key";
    // The open rest of a split investment joins the ledger after the pass
    // went by its date: it has no running value of its own.
    // A consumed investment keeps the running value it had while whole.
    if (r.blank("FUND")) continue;
    if (!(r.s("B1") == "b" && r.n("CZXH") > 0)) {
      EXPECT_NEAR(r.n("FUND"), pf + r.n("INPUT"), 0.001);
    }
    if (code == "***") {
      EXPECT_NEAR(r.n("PRICE"),
                  pf == 0 ? pp : std::nearbyint(r.n("FUND") * pp / pf * 10000) * 0.0001, 1e-9);
      EXPECT_TRUE(r.blank("UNIT"));
    } else {
      EXPECT_NEAR(r.n("PRICE"), std::nearbyint(pp * 1000) * 0.001, 1e-9);
      if (r.n("CZXH") > 0) group_units[r.v.at("CZXH").as_integer()] += r.n("UNIT");
      if (code[0] == '$')
        (code == "$input" ? corrections : transfers)++;
      else if (code != "@@@")
        investors.insert(code);
      if (r.s("B1") == "b" && r.n("CZXH") == 0 && code[0] != '$') ++open_investments;
      if (r.n("INPUT") < 0 && r.n("CZXH") == 0 && code[0] != '$') ++open_withdrawals;
    }
    pp = r.n("PRICE");
    pf = r.n("FUND");
  }
  // Within a withdrawal group the units cancel.
  EXPECT_GE(group_units.size(), 3u);
  for (const auto& [group, units] : group_units) EXPECT_NEAR(units, 0, 0.011) << group;
  EXPECT_EQ(investors.size(), 5u);
  EXPECT_EQ(transfers, 2);
  EXPECT_EQ(corrections, 1);
  EXPECT_GE(open_investments, 4);
  EXPECT_EQ(open_withdrawals, 1);
  // Today's market result brings the fund to the holdings' discounted total.
  for (const auto& r : read_rows(root() / kDemoAccountDir / "tr2.DBF"))
    if (r.s("CODE") == "zzz") {
      EXPECT_NEAR(pf, r.n("COST2"), 0.5);
    }
  // Every investor has an address.
  std::set<std::string> addressed;
  for (const auto& a : read_rows(root() / kDemoAccountDir / "addr.dbf"))
    addressed.insert(a.s("PYCODE"));
  for (const auto& code : investors) EXPECT_TRUE(addressed.count(code)) << code;
}

// The ledger's index selections split the rows by the marker scheme.
TEST(Installation, LedgerTagsFollowTheMarkerScheme) {
  test::TempDir tmp;
  const TableSpec* spec = find_table_spec("tr2.DBF");
  auto file = create_table_file(tmp / "tr2.DBF", spec->schema);
  const int wth = spec->schema.index_of("WTH"), cj = spec->schema.index_of("CJ_DH");
  auto compile = [&](const char* tag) {
    for (const auto& ix : spec->indexes)
      if (iequals(ix.name, tag)) return FilterExpr::compile(ix.selection, *file);
    throw Error(std::string("no tag ") + tag);
  };
  const auto open = compile("NO_PC"), closed_tag = compile("For_PC"), settled = compile("FOR_CJHD");
  struct Case {
    const char* wth;
    const char* cj_dh;
    bool open, closed, settled;
  };
  const Case cases[] = {
      {"", "", true, false, false},                      // cash row, manual position
      {"", "24031509351", true, false, true},            // settled buy
      {"24031509351", "冻结资金", true, false, false},   // frozen cash
      {"0315100217", "", true, false, false},            // pending sell
      {"0???", "0315100217", true, true, true},          // unmatched sell
      {"P2001040300", "0403101245", false, true, true},  // closed
      {"P980401", "0401093000", false, true, true},      // closed, earlier mark
      {"P999999", "", false, true, false},
      {"###", "", true, false, false},  // total or not at broker
      {"b", "", true, false, false},
      {"s", "", true, false, false},
      {"PA", "", true, false, false},  // seen somewhere, not lost
  };
  std::vector<uint8_t> rec(file->record_size());
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.wth) + " / " + c.cj_dh);
    file->blank_record(rec.data());
    file->set(rec.data(), wth, Value::text(c.wth));
    file->set(rec.data(), cj, Value::text(c.cj_dh));
    EXPECT_EQ(open->matches(rec.data()), c.open);
    EXPECT_EQ(closed_tag->matches(rec.data()), c.closed);
    EXPECT_EQ(settled->matches(rec.data()), c.settled);
  }
}

// Readers that are not ours open every file and see the same fields and rows.
TEST_F(DemoInstallation, IndependentReadersOpenEveryFile) {
  if (!test::python_imports("dbf")) GTEST_SKIP() << "python3-dbf is not installed";
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(root())) {
    const std::string ext = upper(e.path().extension().string());
    // Tables only: the optimiser's default.prd is a text file.
    if (e.is_regular_file() && (ext == ".DB" || ext == ".DBF")) files.push_back(e.path());
  }
  int dbf = 0, px = 0;
  for (const auto& p : files) {
    SCOPED_TRACE(p.string());
    const std::string ext = upper(p.extension().string());
    auto ours = open_table_file(p, {true});
    size_t our_rows = 0;
    ours->load([&](RowId, const uint8_t*) { ++our_rows; });
    std::string our_fields;
    for (const auto& f : ours->schema().fields) our_fields += upper(f.name) + ",";
    if (ext == ".DBF") {
      ++dbf;
      const std::string cmd =
          "/usr/bin/python3 -c \"import dbf,sys\n"
          "t=dbf.Table(sys.argv[1],codepage='cp936'); t.open(dbf.READ_ONLY)\n"
          "rows=[[str(v) for v in r] for r in t]\n"
          "print(','.join(f.upper() for f in t.field_names)+',', len(rows))\" '" +
          p.string() + "' 2>&1";
      const test::CliRun r = test::run_shell(cmd);
      EXPECT_EQ(r.code, 0) << r.out;
      const std::string& out = r.out;
      EXPECT_EQ(out, our_fields + " " + std::to_string(our_rows) + "\n");
    } else {
      ++px;
#ifdef VMX_HAVE_PXLIB
      pxdoc_t* doc = PX_new();
      FILE* fp = fopen(p.c_str(), "rb");
      ASSERT_NE(fp, nullptr);
      ASSERT_EQ(PX_open_fp(doc, fp), 0);
      EXPECT_EQ(PX_get_num_records(doc), static_cast<int>(our_rows));
      std::string fields;
      for (int i = 0; i < PX_get_num_fields(doc); ++i)
        fields += upper(PX_get_field(doc, i)->px_fname) + ",";
      EXPECT_EQ(fields, our_fields);
      PX_close(doc);
      PX_delete(doc);
      fclose(fp);
#endif
    }
  }
  // six program tables; tr2 and addr in three places; four sample exchange tables
  EXPECT_EQ(dbf, 6 + 2 * 3 + 4);
  EXPECT_GT(px, 0);
#ifndef VMX_HAVE_PXLIB
  GTEST_SKIP() << "pxlib-dev is not installed: the Paradox tables were not read by it";
#endif
}

}  // namespace
}  // namespace vmx::store
