#include "core/reference/lookups.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/reference/reference_fixture.h"
#include "core/store/error.h"

namespace vmx::store::reference::test {
namespace {

using Msgs = std::vector<std::string>;

// Text lookups: result and the messages shown on the way, for found and
// missing keys (searches are exact and case-sensitive).
TEST(Lookups, TextLookupsWithFallbacksAndMessages) {
  LoggedIn w;
  Lookups& l = *w.lookups;
  // A code-list row without a name, and a code only the security list knows.
  LoggedIn::add(l.code_list(), {{"CODE", Value::text("600777")}});
  ASSERT_FALSE(l.code_list().find_key({Value::text("600030")}));
  struct Case {
    const char* what;
    std::function<std::string()> call;
    std::string result;
    Msgs messages;
  };
  const std::vector<Case> cases = {
      {"code in list", [&] { return l.code_to_name("600000"); }, "浦发银行", {}},
      {"code in list, name empty", [&] { return l.code_to_name("600777"); }, "???", {}},
      {"code only in security list", [&] { return l.code_to_name("600030"); }, "中信证券", {}},
      {"code nowhere", [&] { return l.code_to_name("123456"); }, "???", {}},
      {"code prefix is no match", [&] { return l.code_to_name("60000"); }, "???", {}},
      {"broker", [&] { return l.qsdm_to_qs("htzq"); }, "华泰", {}},
      {"broker in capitals",
       [&] { return l.qsdm_to_qs("HTZQ"); },
       "???",
       {"找不到券商代码为HTZQ的券商名,需进入设置窗口补充！"}},
      {"type name", [&] { return l.lx_to_lxm("qh"); }, "股指期货", {}},
      {"type missing",
       [&] { return l.lx_to_lxm("zq"); },
       "???",
       {"找不到类型码为zq的类型名,需进入设置窗口补充！"}},
      {"total type hidden by the filter",
       [&] { return l.lx_to_lxm("zzc"); },
       "???",
       {"找不到类型码为zzc的类型名,需进入设置窗口补充！"}},
      {"range, Shanghai", [&] { return l.code_to_lx("600519"); }, "a", {}},
      {"range, Shenzhen 4 digits", [&] { return l.code_to_lx("0858"); }, "a", {}},
      {"6 digits never match a 4-character range",
       [&] { return l.code_to_lx("000858"); },
       "???",
       {}},
      {"range upper bound inclusive", [&] { return l.code_to_lx("603999"); }, "a", {}},
      {"range, letters", [&] { return l.code_to_lx("IF2404"); }, "qh", {}},
      {"no range", [&] { return l.code_to_lx("700000"); }, "???", {}},
      {"account currency as stored", [&] { return l.zjzh_to_bi("gxzq", "30007721"); }, "RMB", {}},
      {"account without currency row", [&] { return l.zjzh_to_bi("yhzq", "1"); }, "rmb", {}},
      {"settlement code", [&] { return l.settlement_code(); }, "rmb", {}},
      {"settlement name", [&] { return l.settlement_name(); }, "人民币", {}},
  };
  for (const auto& c : cases) {
    w.dialogs.clear();
    EXPECT_EQ(c.call(), c.result) << c.what;
    EXPECT_EQ(w.dialogs.texts(), c.messages) << c.what;
  }
}

// Rate lookups: single precision, silent 1.0 where a type or currency is
// missing, the two fee defaults with their messages, 0 for the total rows.
TEST(Lookups, RateLookupsInSinglePrecision) {
  LoggedIn w;
  Lookups& l = *w.lookups;
  LoggedIn::add(
      l.account_currencies(),
      {{"Qsdm", Value::text("yhzq")}, {"Zjzh", Value::text("77")}, {"Bicode", Value::text("JPY")}});
  struct Case {
    const char* what;
    std::function<float()> call;
    float result;
    Msgs messages;
  };
  const std::string sxf_missing =
      "码为 zq 的类型未加入类型文件，手续费率且以0.003代之, 可进入设置窗口修改好再来计算!";
  const std::string yhs_missing =
      "类型码为 zq 的类型未加入类型文件,印花税率且以0.0045代之,可进入设置窗口修改好再来计算!";
  const std::vector<Case> cases = {
      {"discount", [&] { return l.lx_to_zk_rate("b"); }, 0.85f, {}},
      {"discount missing", [&] { return l.lx_to_zk_rate("zq"); }, 1.0f, {}},
      {"discount of zzc (filtered)", [&] { return l.lx_to_zk_rate("zzc"); }, 1.0f, {}},
      {"margin", [&] { return l.lx_bzj_rate("qh"); }, 0.1f, {}},
      {"margin of zzc (filtered)", [&] { return l.lx_bzj_rate("zzc"); }, 1.0f, {}},
      {"commission", [&] { return l.lx_to_sxf_rate("j"); }, 0.0025f, {}},
      {"commission zzc", [&] { return l.lx_to_sxf_rate("zzc"); }, 0.0f, {}},
      {"commission zzz", [&] { return l.lx_to_sxf_rate("zzz"); }, 0.0f, {}},
      {"commission missing", [&] { return l.lx_to_sxf_rate("zq"); }, 0.003f, {sxf_missing}},
      {"stamp duty", [&] { return l.lx_to_yhs_rate("a"); }, 0.004f, {}},
      {"stamp duty zzc", [&] { return l.lx_to_yhs_rate("zzc"); }, 0.0f, {}},
      {"stamp duty zzz", [&] { return l.lx_to_yhs_rate("zzz"); }, 0.0f, {}},
      {"stamp duty missing", [&] { return l.lx_to_yhs_rate("zq"); }, 0.0045f, {yhs_missing}},
      {"currency lower case", [&] { return l.zjzh_to_birate("zxzq", "88001234"); }, 7.1f, {}},
      {"currency stored in capitals",
       [&] { return l.zjzh_to_birate("gxzq", "30007721"); },
       1.0f,
       {}},
      {"account without row", [&] { return l.zjzh_to_birate("zxzq", "1"); }, 1.0f, {}},
      {"currency not defined", [&] { return l.zjzh_to_birate("yhzq", "77"); }, 1.0f, {}},
      {"total rows", [&] { return l.zjzh_to_birate("zzc", ""); }, 1.0f, {}},
  };
  for (const auto& c : cases) {
    w.dialogs.clear();
    EXPECT_EQ(c.call(), c.result) << c.what;  // exact: the float of the stored double
    EXPECT_EQ(w.dialogs.texts(), c.messages) << c.what;
  }
  // A capitalised code finds the lower-case row: make the rate tell.
  LoggedIn::change(l.currencies(), "Code", "rmb", {{"Rate", Value::number(1.5)}});
  EXPECT_EQ(l.zjzh_to_birate("gxzq", "30007721"), 1.5f);
}

TEST(Lookups, OverlappingRangesLowerOrderWins) {
  LoggedIn w;
  Cursor& r = w.lookups->code_ranges();
  // Inserted after the broad Shanghai range but tried first, and one tried last.
  LoggedIn::add(r, {{"Order", Value::number(5)},
                    {"Code1", Value::text("600500")},
                    {"Code2", Value::text("600599")},
                    {"Lx", Value::text("j")}});
  LoggedIn::add(r, {{"Order", Value::number(500)},
                    {"Code1", Value::text("600000")},
                    {"Code2", Value::text("600099")},
                    {"Lx", Value::text("qz")}});
  EXPECT_EQ(w.lookups->code_to_lx("600519"), "j");
  EXPECT_EQ(w.lookups->code_to_lx("600036"), "a");
  EXPECT_EQ(w.lookups->code_to_lx("600600"), "a");
}

TEST(Lookups, RangeRuleComparesTextOfEqualLength) {
  struct Case {
    const char *code, *code1, *code2;
    bool in;
  };
  const Case cases[] = {
      {"600000", "600000", "603999", true},
      {"603999", "600000", "603999", true},
      {"604000", "600000", "603999", false},
      {"000858", "0001", "0999", false},
      {"0858", "0001", "0999", true},
      {"IF2404", "IF0000", "IFZZZZ", true},
      {"if2404", "IF0000", "IFZZZZ", false},
      {"60", "600000", "603999", false},
      {"", "", "", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(code_in_range(c.code, c.code1, c.code2), c.in) << c.code << " " << c.code1;
}

TEST(Lookups, MissingTableFailsConstruction) {
  vmx::test::TempDir dir;
  init_installation(dir.path(), false, kToday);
  std::filesystem::remove(dir.path() / "qs.db");
  Session s;
  s.set_alias("curr", dir.path());
  s.set_alias("ubx", dir.path() / kMyAccountDir);
  platform::ScriptedDialogs d;
  market::SecurityList sl(s);
  EXPECT_THROW(Lookups(s, d, sl), Error);
}

// The code filter of the security list: lookups see only the rows it lets
// through; prices come back in single precision.
TEST(SecurityList, FilterAndSinglePrecision) {
  LoggedIn w;
  market::SecurityList& sl = *w.securities;
  LoggedIn::add(sl.cursor(), {{"CODE", Value::text("600998")},
                              {"NAME", Value::text("测试")},
                              {"PRICE", Value::number(12.34)}});
  EXPECT_EQ(sl.code_to_price("600998"), 12.34f);
  EXPECT_NE(static_cast<double>(sl.code_to_price("600998")), 12.34);
  EXPECT_EQ(sl.code_to_price("777777"), 0.0f);
  EXPECT_EQ(sl.code_to_name("777777"), "");

  struct Case {
    const char* pattern;
    const char* code;
    bool seen;
  };
  const Case cases[] = {
      {"60*", "600000", true}, {"60*", "0002", false},   {"60*", "510300", false},
      {"*", "0002", true},     {"0*", "0002", true},     {"0*", "010107", true},
      {"00*", "0002", true},   {"00*", "010107", false}, {"", "600000", false},
      {"6*0", "600000", true}, {"6*0", "600519", false}, {"6'", "600000", false},
  };
  for (const auto& c : cases) {
    sl.set_code_pattern(c.pattern);
    EXPECT_EQ(sl.code_to_name(c.code).empty(), !c.seen) << c.pattern << " " << c.code;
    EXPECT_EQ(sl.code_to_price(c.code) != 0, c.seen) << c.pattern << " " << c.code;
  }
  EXPECT_THROW(sl.set_code_pattern("6'\""), Error);
  sl.clear_code_pattern();
  EXPECT_EQ(sl.code_to_name("0002"), "万科A");
  // The lookups' fallback to the security list sees the filter too.
  sl.set_code_pattern("0*");
  EXPECT_EQ(w.lookups->code_to_name("600030"), "???");
}

}  // namespace
}  // namespace vmx::store::reference::test
