#include "core/market/security_list.h"

#include <gtest/gtest.h>

#include <set>

#include "core/install/installation.h"
#include "core/store/session.h"
#include "support/temp_dir.h"

namespace vmx::test {
namespace {

using store::Value;

// Every pattern the security list window offers, over the shipped list plus
// a row with an empty code: the rows kept are the codes with the pattern's
// prefix ("*" all of them, "" only the empty code), and the lookups find
// exactly those.
TEST(SecurityListFilter, OfferedPatterns) {
  TempDir dir;
  store::init_installation(dir.path(), false, Date::from_ymd(2024, 3, 15));
  store::Session session;
  session.set_alias("curr", dir.path());
  market::SecurityList list(session);
  store::Cursor& c = list.cursor();
  c.append();
  c.set_string("NAME", "无代码");
  c.set_double("PRICE", 1.5);
  c.post();

  std::vector<std::string> codes;
  for (c.first(); !c.eof(); c.next()) codes.push_back(c.get_string("CODE"));
  ASSERT_GT(codes.size(), 20u);

  const char* patterns[] = {"0*", "00*", "05*", "07*", "08*", "1*", "2*", "3*", "4*",
                            "5*", "6*",  "60*", "7*",  "70*", "8*", "9*", "*",  ""};
  for (const char* p : patterns) {
    const std::string pat = p;
    std::set<std::string> expected;
    for (const std::string& code : codes) {
      const bool keep = pat.empty()  ? code.empty()
                        : pat == "*" ? true
                                     : code.rfind(pat.substr(0, pat.size() - 1), 0) == 0;
      if (keep) expected.insert(code);
    }
    list.set_code_pattern(pat);
    std::set<std::string> seen;
    for (c.first(); !c.eof(); c.next()) seen.insert(c.get_string("CODE"));
    EXPECT_EQ(seen, expected) << "pattern '" << pat << "'";
    for (const std::string& code : codes) {
      if (code.empty()) continue;
      EXPECT_EQ(!list.code_to_name(code).empty(), expected.count(code) == 1) << pat << " " << code;
      EXPECT_EQ(list.code_to_price(code) != 0.0f, expected.count(code) == 1) << pat << " " << code;
    }
  }
  // "60*" in force: a Shenzhen code is not found; cleared, it is again, and
  // the lookup leaves the row found current.
  list.set_code_pattern("60*");
  EXPECT_EQ(list.code_to_name("0002"), "");
  list.clear_code_pattern();
  EXPECT_EQ(list.code_to_name("0002"), "万科A");
  EXPECT_EQ(c.get_string("CODE"), "0002");
  EXPECT_EQ(c.count(), codes.size());
}

}  // namespace
}  // namespace vmx::test
