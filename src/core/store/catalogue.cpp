#include "core/store/catalogue.h"

namespace vmx::store {

namespace {

// Field builders, one per on-disk kind, so the tables below read like the
// field lists they come from. Fixed-size types carry their byte size.

// dBase
FieldDef chr(const char* name, int width) { return {name, FieldType::Character, width, 0}; }
FieldDef num(const char* name, int width, int decimals) {
  return {name, FieldType::Numeric, width, decimals};
}
FieldDef dat(const char* name) { return {name, FieldType::Date, 8, 0}; }
FieldDef lgc(const char* name) { return {name, FieldType::Logical, 1, 0}; }

// Paradox
FieldDef alpha(const char* name, int width) { return {name, FieldType::Character, width, 0}; }
FieldDef number(const char* name) { return {name, FieldType::Number, 8, 0}; }
FieldDef pdate(const char* name) { return {name, FieldType::Date, 4, 0}; }
FieldDef plogical(const char* name) { return {name, FieldType::Logical, 1, 0}; }
FieldDef shrt(const char* name) { return {name, FieldType::Short, 2, 0}; }
FieldDef lng(const char* name) { return {name, FieldType::Long, 4, 0}; }

// Numeric widths of the ledger's dBase number fields (the owner leaves them to
// us). Money: 13 integer digits and 4 decimals fit every amount up to 1e12
// with its sign, and keep the unrounded products (quantity x price x margin)
// that settlement and valuation post. Prices: 4 decimals cover the 3-decimal
// fund and warrant prices and the 0.001-rounded discounted prices.
FieldDef money(const char* name) { return num(name, 19, 4); }
FieldDef price(const char* name) { return num(name, 15, 4); }

// Rows that are not closed: everything outside the closing-mark band
// ["P", "PA"). ">= 'PA'" rather than "> 'PA'" so that a marker of exactly "PA"
// is still seen in one of the two views instead of vanishing from both.
constexpr const char* kOpenRows = "wth='' or wth<'P' or wth>='PA'";
// Closed rows, plus the unmatched-sell rows "0???": the settlement's message
// sends the user to the closed-positions view to see and correct them, so
// that view must show them. They sort before every closing mark, so the last
// row of the view stays the newest closing.
constexpr const char* kClosedRows = "(wth>='P' and wth<'PA') or wth='0\?\?\?'";
// Rows settled under an order number: CJ_DH holds an ASCII order number. The
// frozen-cash marker "冻结资金" is GBK, whose bytes all sort above '~', so the
// upper bound leaves it out without a non-ASCII literal.
constexpr const char* kSettledRows = "cj_dh>'' and cj_dh<'~'";

// The holdings ledger's fields; the earlier ledger tr0.DBF has the same fields
// in its own order, without BS and BIRATE.
std::vector<FieldDef> tr2_fields() {
  using namespace tr2;
  // clang-format off
  return {
      chr(kWth, 11),
      chr(kQsdm, 4),
      chr(kQs, 6),
      chr(kGddm, 10),
      chr(kZjzh, 8),
      chr(kCode, 6),
      chr(kName, 8),
      chr(kLx, 3),
      chr(kLxm, 6),
      num(kBs, 2, 0),        // 1 or -1; width chosen: 2, sign and digit
      money(kAmt),           // quantity, or money on cash and total rows
      num(kBirate, 12, 6),   // width chosen: 12.6, rates such as 0.1209 or 8.27
      price(kPrice1),
      dat(kDate1),
      price(kPrice2),
      dat(kDate2),
      money(kCost1),
      money(kCost2),
      money(kSxf),
      money(kYhs),
      money(kIncome),
      num(kInc, 14, 4),      // width chosen: 14.4, a gain rate on a tiny cost is large
      num(kPer, 12, 4),      // width chosen: 12.4, percent; negative on frozen cash
      num(kZkRate, 8, 4),    // width chosen: 8.4
      chr(kCjDh, 11),
      chr(kNote, 10),
  };
  // clang-format on
}

std::vector<FieldDef> tr0_fields() {
  // Spelled as the earlier version's files spell them (lower case).
  return {
      chr("wth", 11),  chr("qsdm", 4),   chr("qs", 6),         chr("gddm", 10),   chr("zjzh", 8),
      chr("code", 6),  chr("name", 8),   chr("lx", 3),         chr("lxm", 6),     money("amt"),
      price("price1"), dat("date1"),     price("price2"),      dat("date2"),      money("cost1"),
      money("cost2"),  money("income"),  num("inc", 14, 4),    num("per", 12, 4), money("sxf"),
      money("yhs"),    chr("cj_dh", 11), num("zk_rate", 8, 4), chr("note", 10),
  };
}

// The fund ledger of both versions. Its key (DT, PYCODE, Num, CZXH, XABC, B1)
// is not made of leading fields, and the field order is the one existing files
// have, so the table is written unkeyed: uniqueness is kept by the fund
// operations, and the key order is the index "Key" below (the same order as the
// field list "DT;PYCODE;Num;CZXH;XABC;B1" that the fund windows select).
std::vector<FieldDef> fund_fields() {
  return {
      pdate("DT"),      lng("Num"),        alpha("PYCODE", 6), alpha("NAME", 6),  alpha("QSDM", 4),
      alpha("ZJZH", 8), number("INPUT"),   alpha("XABC", 2),   number("UNIT"),    number("FUND"),
      number("INC"),    number("PRICE"),   number("SZ"),       number("SHZ"),     number("DMONEY"),
      lng("CZXH"),      alpha("NOTE", 20), alpha("B1", 1),     number("L_PRICE"), number("PER"),
  };
}

IndexDef fund_key() { return {"Key", {"DT", "PYCODE", "Num", "CZXH", "XABC", "B1"}, "", false}; }

std::vector<TableSpec> build() {
  std::vector<TableSpec> c;
  auto add = [&c](std::string file, Place place, Format format, std::vector<FieldDef> fields,
                  int key_fields, std::vector<IndexDef> indexes, std::string purpose,
                  bool earlier = false) {
    TableSpec t;
    t.file = std::move(file);
    t.place = place;
    t.format = format;
    t.schema.fields = std::move(fields);
    t.schema.key_fields = key_fields;
    t.indexes = std::move(indexes);
    t.purpose = std::move(purpose);
    t.earlier_version = earlier;
    c.push_back(std::move(t));
  };
  const auto P = Place::Program;
  const auto A = Place::Account;
  const auto DB = Format::Paradox;
  const auto DBF = Format::DBase;

  // ---- program directory ----

  // The login looks an account up by name and password at once.
  add("z.db", P, DB,
      {alpha("User_name", 8), alpha("User_password", 8), alpha("Subdir", 8), plogical("Now")}, 2,
      {}, "managed accounts: user name, password, subdirectory, last-picked flag");

  // Keyed by the type code that every lookup searches; the settings grid runs
  // in the secondary order (Bzj_rate, Lx).
  add("lx.DB", P, DB,
      {alpha("Lx", 3), alpha("Lxm", 8), number("Zk_rate"), number("Sxf_rate"), number("Yhs_rate"),
       number("Bzj_rate"), plogical("Oversell")},
      1, {{"BzjLx", {"Bzj_rate", "Lx"}, "", false}},
      "security types with discount, commission, stamp-duty and margin rates");

  add("code_to_lx.DBF", P, DBF,
      {num("Order", 4, 0),  // width chosen: 4
       chr("Code1", 6), chr("Code2", 6), chr("Lx", 3), chr("Lxm", 6)},
      0, {{"ORDER", {"Order"}, "", false}},
      "security-code ranges mapped to a type, in match order");

  // Qs width chosen: 12, so a broker's full name fits here even though the
  // holdings keep only 6 bytes of it.
  add("qs.db", P, DB, {alpha("Qsdm", 4), alpha("Qs", 12)}, 1, {}, "brokers: code and name");

  add("bi.db", P, DB, {alpha("Code", 4), alpha("Name", 6), number("Rate"), plogical("Now")}, 1, {},
      "currencies with their rate to the settlement currency");

  // NAME width chosen: 10, as in the security list it is refreshed from;
  // PRICE2 width chosen: 15.4 like the ledger's prices.
  add("code_N_P.DBF", P, DBF, {chr("CODE", 6), chr("NAME", 10), price("PRICE2")}, 0,
      {{"CODE", {"CODE"}, "", false}},
      "the user's own list of security codes with name and latest price");

  add("TZLX.db", P, DB,
      {alpha("Xabc", 2), alpha("Note", 16), plogical("C5"), number("E9"),   number("E10"),
       plogical("C2"),   number("E3"),      number("E4"),   plogical("C3"), number("E5"),
       number("E6"),     plogical("C4"),    number("E7"),   number("E8"),   plogical("C8"),
       plogical("C1"),   number("E1"),      number("E2"),   plogical("C9"), number("E12"),
       plogical("C6"),   number("E11"),     number("E13"),  plogical("C7"), plogical("Now")},
      1, {}, "investment types of the pooled fund and their fee parameters");

  // Keyed by Path, the key of the settings window's list of programs. Path
  // widened from 25 and Name from 15: directories and program names on this
  // system are longer, and a cut path would start something else.
  add("wt_path.DB", P, DB,
      {alpha("Path", 120), alpha("Name", 40), alpha("Wtrj", 10), plogical("Now")}, 1, {},
      "paths and names of outside order programs");

  // PATH widened from 15: directories on this system are longer, and a cut
  // path would point somewhere else.
  add("hq_path.DBF", P, DBF,
      {chr("HQCODE", 8), chr("HQNAME", 10), chr("PATH", 120), chr("SHSUBPATH", 20),
       chr("SZSUBPATH", 20), chr("NOTE", 25), lgc("NOW"), chr("SZHEAD", 3), chr("SHHEAD", 3),
       chr("TAIL", 3), num("LENGTH", 5, 0),  // width chosen: 5, a record length in bytes
       chr("TYPE", 1), chr("SZSUBTAB", 25),
       // positions and lengths inside a record of at most 100 bytes: width chosen 3
       num("SZC1", 3, 0), num("SZCLEN", 3, 0), num("SZN1", 3, 0), num("SZNLEN", 3, 0),
       num("SZLEN", 3, 0), chr("SHSUBTAB", 25), num("SHC1", 3, 0), num("SHCLEN", 3, 0),
       num("SHN1", 3, 0), num("SHNLEN", 3, 0), num("SHLEN", 3, 0), chr("SZCODEFILE", 15),
       chr("SHCODEFILE", 15)},
      0, {}, "quote sources: directories and formats of market-data programs");

  // PRICE width chosen: 12.3, index values in the thousands and fund prices
  // with three decimals.
  add("allstocks.DBF", P, DBF, {chr("CODE", 6), chr("NAME", 10), num("PRICE", 12, 3)}, 0,
      {{"CODE", {"CODE"}, "", false}}, "list of all securities with name and latest price");

  add("parameter.DBF", P, DBF, {chr("NAME", 8), chr("PARA", 30)}, 0, {},
      "parameters of the chart window");

  // One row: the directory the copy window backs up to. Wide enough for a
  // path of this system.
  add("bak_path.DBF", P, DBF, {chr("PATH", 254)}, 0, {},
      "the backup directory the copy window last used");

  // ---- account directory ----

  add("tr2.DBF", A, DBF, tr2_fields(), 0,
      {{"NO_PC", {tr2::kQsdm, tr2::kZjzh}, kOpenRows, false},
       {"For_PC", {tr2::kWth}, kClosedRows, false},
       // Chosen: settled and closed rows in the order of the order number
       // they were settled under; no operation selects it.
       {"FOR_CJHD", {tr2::kCjDh}, kSettledRows, false}},
      "holdings ledger");

  add("tr0.DBF", A, DBF, tr0_fields(), 0, {},
      "holdings ledger of the earlier version, read once for migration", true);

  add("fund2.DB", A, DB, fund_fields(), 0, {fund_key()}, "fund ledger");

  add("fund.db", A, DB, fund_fields(), 0, {fund_key()},
      "fund ledger of the earlier version, read once for migration", true);

  // Unkeyed: a cash account may get a second row (a retried account creation
  // adds one), which a key on (Qsdm, Zjzh) would refuse.
  add("zh_bi.db", A, DB, {alpha("Qsdm", 4), alpha("Zjzh", 8), alpha("Bicode", 4)}, 0, {},
      "currency of each cash account");

  // Unkeyed with the grid's order as an index: one security often has a bonus
  // and a dividend on the same record date, which a key on (Dj_date, Code)
  // would refuse.
  add("sph.db", A, DB,
      {pdate("Dj_date"), alpha("Code", 6), alpha("Name", 9), alpha("Sph", 1), number("Num"),
       number("Price"), number("Tax"), alpha("Amt1", 10), alpha("Amt2", 9), alpha("Amt12", 10)},
      0, {{"DjDateCode", {"Dj_date", "Code"}, "", false}},
      "bonus, rights and dividend announcements");

  add("addr.dbf", A, DBF,
      {chr("PYCODE", 4), chr("NAME", 8), chr("TEL", 18), chr("TEL2", 18), chr("PC", 6),
       chr("ADDR", 36)},
      0,
      {{"PYCODE", {"PYCODE"}, "", false},
       // By postcode, investors of one postcode by code.
       {"pcpy", {"PC", "PYCODE"}, "", false}},
      "investors' addresses");

  add("tich.DB", A, DB,
      {pdate("DT"), alpha("PYCODE", 6), alpha("XABC", 2), alpha("NAME", 6), number("INPUT"),
       number("UNIT"), number("PRICE"), number("FUND"), number("L_PRICE"), number("DMONEY"),
       number("PER")},
      0, {}, "fee candidates of the last fee search");

  // Unkeyed: a rule is identified by (Lx, Code), which are not leading fields.
  add("devision.DB", A, DB,
      {alpha("Lx", 3), alpha("Lxm", 8), alpha("Code", 6), alpha("Name", 8), shrt("Group")}, 0, {},
      "holdings assigned to the optimiser's groups");

  // Unkeyed: one row per code, and Code is not the leading field.
  add("groups.db", A, DB, {shrt("Group"), alpha("Code", 6), alpha("Name", 8), alpha("Lx", 3)}, 0,
      {}, "the four groups of the optimiser");

  return c;
}

}  // namespace

std::string field_list(std::initializer_list<std::string_view> names) {
  std::string s;
  for (std::string_view n : names) {
    if (!s.empty()) s += ';';
    s += n;
  }
  return s;
}

const std::vector<TableSpec>& catalogue() {
  static const std::vector<TableSpec> tables = build();
  return tables;
}

const TableSpec* find_table_spec(std::string_view file_name) {
  // A path is accepted too: only its last component names the table.
  const size_t slash = file_name.find_last_of("/\\");
  if (slash != std::string_view::npos) file_name.remove_prefix(slash + 1);
  for (const auto& t : catalogue())
    if (iequals(t.file, file_name)) return &t;
  return nullptr;
}

std::vector<IndexDef> indexes_for(std::string_view file_name) {
  const TableSpec* t = find_table_spec(file_name);
  return t ? t->indexes : std::vector<IndexDef>{};
}

}  // namespace vmx::store
