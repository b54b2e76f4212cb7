#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/store/catalogue.h"
#include "core/store/table_file.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::store;

namespace {

using test::CliRun;

CliRun run(const std::string& args) { return test::run_cli("query " + args); }

TEST(QueryCommand, PrintsCsvAndExitCodes) {
  test::TempDir dir;
  const Schema s = find_table_spec("tr2.DBF")->schema;
  {
    auto f = create_table_file(dir / "TR2.DBF", s);
    std::vector<uint8_t> rec(f->record_size());
    f->blank_record(rec.data());
    f->set(rec.data(), s.index_of("CODE"), Value::text("600000"));
    f->set(rec.data(), s.index_of("NAME"), Value::text("浦,发银"));
    f->set(rec.data(), s.index_of("AMT"), Value::number(1000.5));
    f->set(rec.data(), s.index_of("DATE1"), Value::date(*Date::parse("2001-02-01")));
    f->insert(rec.data());
    f->blank_record(rec.data());
    f->set(rec.data(), s.index_of("CODE"), Value::text("xj"));
    f->insert(rec.data());
  }
  const std::string d = dir.path().string();
  const CliRun ok = run(d +
                        " 'select code as 代码, name, amt, date1, price2 from \"tr2.dbf\" "
                        "where code=:c or wth=:\"W\" order by code desc' --param c=600000 "
                        "--param w=x");
  EXPECT_EQ(ok.code, 0);
  EXPECT_EQ(ok.out,
            "代码,NAME,AMT,DATE1,PRICE2\r\n"
            "600000,\"浦,发银\",1000.5,2001-02-01,\r\n");

  EXPECT_EQ(run(d + " 'select nonsense from tr2.dbf'").code, 1);
  EXPECT_EQ(run(d + " 'delete from tr2.dbf'").code, 1);
  EXPECT_EQ(run(d + " 'select * from nothere.dbf'").code, 2);
  EXPECT_EQ(run(d + "/nothere 'select 1'").code, 2);
  EXPECT_EQ(run(d).code, 2);
  EXPECT_EQ(run(d + " 'select 1' --param nameonly").code, 2);
}

}  // namespace
