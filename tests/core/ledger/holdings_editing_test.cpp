#include "core/ledger/holdings_editing.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/ledger/ledger_fixture.h"

using namespace vmx;
using namespace vmx::test;
using ledger::HoldingsEditing;
using Migration = HoldingsEditing::Migration;

namespace {

HoldingsEditing editing(LedgerFixture& f) {
  return HoldingsEditing(*f.ledger, *f.lookups, f.dialogs, f.session.alias_dir("ubx"));
}

// Every row of the file, natural order, every field as text: what "the ledger
// is untouched" is checked against.
std::vector<std::string> all_rows(LedgerFixture& f) {
  store::Cursor c(f.session, "ubx", "tr2.DBF");
  c.open();
  std::vector<std::string> rows;
  for (c.first(); !c.eof(); c.next()) {
    std::string line;
    for (const auto& field : c.schema().fields) line += c.value(field.name).as_string() + "|";
    rows.push_back(line);
  }
  return rows;
}

LedgerRow closed_row(const char* wth, const char* code) {
  LedgerRow r = security_row(code, 100, 10, 11);
  r.push_back({"WTH", T(wth)});
  return r;
}

}  // namespace

TEST(HoldingsEditing, CopyBuyRecTakesTheCurrentPriceForBothPricesAndValues) {
  struct Case {
    double amt, price1, price2, value;
  };
  const Case cases[] = {{1000, 10, 12, 12000}, {200, 12, 9.5, 1900}, {-300, 8, 8, -2400}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.amt);
    LedgerRow row = security_row("600000", k.amt, k.price1, k.price2);
    row.push_back({"WTH", T("s")});
    row.push_back({"SXF", N(30)});
    row.push_back({"NOTE", T("mine")});
    LedgerFixture f({row, cash_row(5000)});
    auto ed = editing(f);
    f.row("600000", "s");
    ed.copy_buy_rec();
    store::Cursor& c = f.ledger->cursor();
    ASSERT_EQ(f.rows_with_code("600000"), 2u);
    // The cursor stands on the new row.
    EXPECT_TRUE(c.is_blank("SXF"));
    EXPECT_TRUE(c.is_blank("NOTE"));
    EXPECT_EQ(c.get_string("WTH"), "s");
    EXPECT_EQ(c.get_string("NAME"), "浦发银行");
    EXPECT_EQ(c.get_string("QS"), "华泰");
    EXPECT_EQ(c.get_string("LXM"), "A股");
    EXPECT_DOUBLE_EQ(c.get_double("AMT"), k.amt);
    EXPECT_DOUBLE_EQ(c.get_double("PRICE1"), k.price2);
    EXPECT_DOUBLE_EQ(c.get_double("PRICE2"), k.price2);
    EXPECT_DOUBLE_EQ(c.get_double("COST1"), k.value);
    EXPECT_DOUBLE_EQ(c.get_double("COST2"), k.value);
    EXPECT_DOUBLE_EQ(c.get_double("ZK_RATE"), 0.9);
    EXPECT_EQ(c.get_date("DATE1"), Date::from_ymd(2001, 1, 2));
    EXPECT_TRUE(c.is_blank("BS"));  // not among the copied fields
  }
}

TEST(HoldingsEditing, DeleteAndCopyOnAnEmptyViewDoNothing) {
  LedgerFixture f({security_row("600000", 100, 10, 11)});
  auto ed = editing(f);
  ed.show_view(ledger::Ledger::View::Closed);
  ed.copy_buy_rec();
  ed.delete_current();
  ed.show_view(ledger::Ledger::View::Holdings);
  EXPECT_EQ(f.ledger->cursor().count(), 1u);
  ed.delete_current();
  EXPECT_EQ(f.ledger->cursor().count(), 0u);
  EXPECT_TRUE(f.dialogs.shown().empty());  // deleting asks nothing
}

TEST(HoldingsEditing, ViewChoiceShowsTheNewestClosingLast) {
  LedgerFixture f({closed_row("P2001040300", "600001"), security_row("600000", 100, 10, 11),
                   closed_row("P2000010100", "600002"), closed_row("P2002010100", "600003"),
                   cash_row(1000)});
  auto ed = editing(f);
  ed.show_view(ledger::Ledger::View::Closed);
  store::Cursor& c = f.ledger->cursor();
  EXPECT_EQ(f.ledger->view(), ledger::Ledger::View::Closed);
  EXPECT_EQ(c.count(), 3u);
  EXPECT_EQ(c.get_string("WTH"), "P2002010100");
  ed.show_view(ledger::Ledger::View::Holdings);
  EXPECT_EQ(f.ledger->view(), ledger::Ledger::View::Holdings);
  EXPECT_EQ(f.ledger->cursor().count(), 2u);
}

TEST(HoldingsEditing, FillNamesFillsNamesBrokersAndTypeNames) {
  LedgerRow bare = {{"QSDM", T("htzq")},
                    {"ZJZH", T("1001")},
                    {"CODE", T("600000")},
                    {"LX", T("a")},
                    {"AMT", N(100)}};
  LedgerRow unknown = {{"QSDM", T("nobk")}, {"ZJZH", T("1")},  {"CODE", T("777777")},
                       {"LX", T("a")},      {"LXM", T("A股")}, {"AMT", N(5)}};
  LedgerFixture f({bare, unknown, cash_row(1000)});
  auto ed = editing(f);
  const auto result = ed.fill_names();
  EXPECT_FALSE(result.stopped);
  EXPECT_EQ(result.filled, 5u);  // two names, two brokers, one type name
  auto& a = f.row("600000");
  EXPECT_FALSE(a.get_string("NAME").empty());
  EXPECT_NE(a.get_string("NAME"), "???");
  EXPECT_EQ(a.get_string("QS"), "华泰");
  EXPECT_EQ(a.get_string("LXM"), "A股");
  auto& b = f.row("777777");
  EXPECT_EQ(b.get_string("NAME"), "???");
  EXPECT_EQ(b.get_string("QS"), "???");
  ASSERT_EQ(f.dialogs.texts().size(), 1u);  // the broker lookup's own message
  // It ends on the last row of the view.
  store::Cursor& c = f.ledger->cursor();
  ed.fill_names();
  const auto here = c.current_row();
  c.last();
  EXPECT_EQ(c.current_row(), here);
}

// A reference row whose name is blank makes the lookup answer "": the fill
// must end (on that row, with a message) instead of finding the same empty
// field again and again.
TEST(HoldingsEditing, FillNamesEndsWhenALookupAnswersEmpty) {
  struct Case {
    const char* name;
    const char* field;  // the ledger field left empty
    std::function<void(LedgerFixture&)> blank_reference;
  };
  const Case cases[] = {
      {"broker", "QS",
       [](LedgerFixture& f) {
         store::Cursor& b = f.lookups->brokers();
         b.append();
         b.set_string("Qsdm", "kong");
         b.post();
       }},
      {"type", "LXM",
       [](LedgerFixture& f) {
         store::Cursor& t = f.lookups->types();
         t.append();
         t.set_string("Lx", "k");
         t.set_double("Bzj_rate", 1);
         t.post();
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    LedgerRow row = {{"QSDM", T("kong")},     {"ZJZH", T("9")}, {"CODE", T("600000")},
                     {"NAME", T("浦发银行")}, {"LX", T("k")},   {"AMT", N(1)}};
    if (std::string(k.field) == "LXM") row[0].second = T("htzq");
    LedgerFixture f({row, security_row("600001", 1, 1, 1)});
    k.blank_reference(f);
    auto ed = editing(f);
    const auto result = ed.fill_names();
    EXPECT_TRUE(result.stopped);
    store::Cursor& c = f.ledger->cursor();
    EXPECT_EQ(c.get_string("CODE"), "600000");
    EXPECT_TRUE(c.is_blank(k.field));
    ASSERT_FALSE(f.dialogs.texts().empty());
    EXPECT_EQ(f.dialogs.texts().back().rfind(ledger::kFillStopped, 0), 0u);
  }
}

namespace {

// Writes tr0.DBF (and, unless told, an empty tr0.mdx) into the account directory.
void write_tr0(LedgerFixture& f, const std::vector<LedgerRow>& rows, bool with_mdx = true,
               std::vector<store::FieldDef> fields = {}) {
  const auto dir = f.session.alias_dir("ubx");
  store::Schema schema = store::find_table_spec("tr0.DBF")->schema;
  if (!fields.empty()) schema.fields = std::move(fields);
  auto file = store::create_table_file(dir / "tr0.DBF", schema);
  std::vector<uint8_t> rec(file->record_size());
  for (const auto& row : rows) {
    file->blank_record(rec.data());
    for (const auto& [name, value] : row) file->set(rec.data(), schema.index_of(name), value);
    file->insert(rec.data());
  }
  if (with_mdx) std::ofstream(dir / "tr0.mdx") << "";
}

LedgerRow old_row(const char* wth, const char* code, double amt) {
  return {{"wth", T(wth)},
          {"qsdm", T("gxzq")},
          {"qs", T("国信")},
          {"zjzh", T("2002")},
          {"gddm", T("B77")},
          {"code", T(code)},
          {"name", T("旧名")},
          {"lx", T("a")},
          {"lxm", T("A股")},
          {"amt", N(amt)},
          {"price1", N(3.5)},
          {"price2", N(4.25)},
          {"cost1", N(350)},
          {"cost2", N(425)},
          {"income", N(75)},
          {"inc", N(21.4286)},
          {"per", N(12.5)},
          {"sxf", N(1.05)},
          {"yhs", N(1.4)},
          {"cj_dh", T("12345")},
          {"zk_rate", N(0.9)},
          {"note", T("old")},
          {"date1", store::Value::date(Date::from_ymd(1999, 3, 1))}};
}

}  // namespace

TEST(HoldingsEditing, MigrationReplacesTheLedgerWithEveryRowOfTr0) {
  LedgerFixture f(
      {security_row("600000", 100, 10, 11), closed_row("P2001040300", "600001"), cash_row(1000)});
  write_tr0(f, {old_row("", "000001", 100), old_row("P990301", "000002", 200),
                old_row("b", "000003", 300)});
  auto ed = editing(f);
  f.dialogs.answer_yes();
  f.dialogs.answer_yes();
  const auto result = ed.migrate_from_tr0();
  EXPECT_EQ(result.outcome, Migration::Done);
  EXPECT_EQ(result.copied, 3u);
  EXPECT_EQ(result.skipped, 0u);
  const std::string dir = f.session.alias_dir("ubx").string();
  EXPECT_EQ(f.dialogs.texts(),
            (std::vector<std::string>{ledger::migration_question(dir), ledger::kMigrationConfirm,
                                      ledger::migration_done(dir)}));

  EXPECT_EQ(all_rows(f).size(), 3u);
  EXPECT_EQ(f.ledger->view(), ledger::Ledger::View::Holdings);
  EXPECT_EQ(f.ledger->cursor().count(), 2u);
  auto& open = f.row("000001");
  EXPECT_EQ(open.get_int("BS"), 1);
  EXPECT_DOUBLE_EQ(open.get_double("BIRATE"), 1);
  EXPECT_EQ(open.get_string("QS"), "国信");
  EXPECT_EQ(open.get_string("GDDM"), "B77");
  EXPECT_EQ(open.get_string("NAME"), "旧名");
  EXPECT_EQ(open.get_string("CJ_DH"), "12345");
  EXPECT_EQ(open.get_string("NOTE"), "old");
  EXPECT_EQ(open.get_date("DATE1"), Date::from_ymd(1999, 3, 1));
  EXPECT_DOUBLE_EQ(open.get_double("PRICE2"), 4.25);
  EXPECT_DOUBLE_EQ(open.get_double("INC"), 21.4286);
  EXPECT_DOUBLE_EQ(open.get_double("YHS"), 1.4);
  EXPECT_EQ(f.row("000003", "b").get_int("BS"), 1);
  f.ledger->set_view(ledger::Ledger::View::Closed);
  store::Cursor& closed = f.ledger->cursor();
  ASSERT_EQ(closed.count(), 1u);
  EXPECT_EQ(closed.get_string("CODE"), "000002");
  EXPECT_TRUE(closed.is_blank("BS"));
  EXPECT_TRUE(closed.is_blank("BIRATE"));
}

TEST(HoldingsEditing, MigrationSkipsRowsTheLedgerCannotHold) {
  LedgerFixture f({cash_row(1000)});
  auto fields = store::find_table_spec("tr0.DBF")->schema.fields;
  for (auto& fd : fields)
    if (fd.name == "amt") fd.width = 20;  // wider than the ledger's field
  write_tr0(f, {old_row("", "000001", 100), old_row("", "000002", 5e14)}, true, fields);
  auto ed = editing(f);
  f.dialogs.set_default_answer(true);
  const auto result = ed.migrate_from_tr0();
  EXPECT_EQ(result.outcome, Migration::Done);
  EXPECT_EQ(result.copied, 1u);
  EXPECT_EQ(result.skipped, 1u);
  EXPECT_EQ(f.rows_with_code("000001"), 1u);
  EXPECT_EQ(all_rows(f).size(), 1u);
  EXPECT_NE(f.dialogs.texts().back().find("1条记录"), std::string::npos);
}

TEST(HoldingsEditing, FailedMigrationLeavesTheLedgerUntouched) {
  struct Case {
    const char* name;
    std::vector<bool> answers;
    std::function<void(LedgerFixture&)> prepare;
    Migration outcome;
    const char* message_start;  // of the last message; null: the first question
  };
  const auto dir_of = [](LedgerFixture& f) { return f.session.alias_dir("ubx"); };
  const Case cases[] = {
      {"no to the first question",
       {false},
       [](LedgerFixture& f) { write_tr0(f, {old_row("", "000001", 1)}); },
       Migration::Declined,
       nullptr},
      {"no to the second question",
       {true, false},
       [](LedgerFixture& f) { write_tr0(f, {old_row("", "000001", 1)}); },
       Migration::Declined,
       ledger::kMigrationConfirm},
      {"tr0.mdx missing",
       {true},
       [](LedgerFixture& f) { write_tr0(f, {old_row("", "000001", 1)}, false); },
       Migration::MissingFiles,
       "旧文件tr0.dbf和tr0.mdx至少一个找不到"},
      {"tr0.DBF missing",
       {true},
       [&](LedgerFixture& f) { std::ofstream(dir_of(f) / "tr0.mdx") << ""; },
       Migration::MissingFiles,
       "旧文件tr0.dbf和tr0.mdx至少一个找不到"},
      {"tr0.DBF not a table",
       {true, true},
       [&](LedgerFixture& f) {
         std::ofstream(dir_of(f) / "tr0.DBF") << "this is no dBase file at all";
         std::ofstream(dir_of(f) / "tr0.mdx") << "";
       },
       Migration::ReadFailed,
       ledger::kMigrationReadFailed},
      {"tr0.DBF cut short",
       {true, true},
       [&](LedgerFixture& f) {
         write_tr0(f, {old_row("", "000001", 1), old_row("", "000002", 2)});
         std::filesystem::resize_file(dir_of(f) / "tr0.DBF", 300);
       },
       Migration::ReadFailed,
       ledger::kMigrationReadFailed},
      {"tr0.DBF without a field",
       {true, true},
       [](LedgerFixture& f) {
         auto fields = store::find_table_spec("tr0.DBF")->schema.fields;
         fields.pop_back();  // note
         write_tr0(f, {}, true, fields);
       },
       Migration::ReadFailed,
       ledger::kMigrationReadFailed},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    LedgerFixture f(
        {security_row("600000", 100, 10, 11), closed_row("P2001040300", "600001"), cash_row(1000)});
    k.prepare(f);
    const auto before = all_rows(f);
    for (bool yes : k.answers) yes ? f.dialogs.answer_yes() : f.dialogs.answer_no();
    auto ed = editing(f);
    const auto result = ed.migrate_from_tr0();
    EXPECT_EQ(result.outcome, k.outcome);
    EXPECT_EQ(all_rows(f), before);
    EXPECT_EQ(f.dialogs.unused_answers(), 0u);
    const auto texts = f.dialogs.texts();
    ASSERT_FALSE(texts.empty());
    if (k.message_start)
      EXPECT_EQ(texts.back().rfind(k.message_start, 0), 0u) << texts.back();
    else
      EXPECT_EQ(texts.size(), 1u);
  }
}
