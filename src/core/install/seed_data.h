#pragma once

// The starting data of a new installation: the reference tables of the program
// directory and the demo account's holdings, fund ledger and addresses. Used by
// init_installation (installation.h); kept apart so the data read as tables.

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/platform/date.h"
#include "core/store/catalogue.h"
#include "core/store/table_file.h"
#include "core/store/value.h"

namespace vmx::store::seed {

// Writes rows into one table file through the codec, naming fields rather than
// positions. A number given for an integer field (and the reverse) is converted,
// so the data tables need not care which kind of number a format uses.
class RowWriter {
 public:
  explicit RowWriter(std::unique_ptr<TableFile> file);
  // Creates `spec.file` in `dir` (replacing a file of that name) and opens it.
  RowWriter(const std::filesystem::path& dir, const TableSpec& spec);
  // Opens an existing table file of `dir` by its catalogue name.
  static RowWriter open(const std::filesystem::path& dir, std::string_view file);

  using Cell = std::pair<std::string_view, Value>;
  // Adds one row; the fields not named stay blank. Throws Error naming the file
  // and field when a field does not exist or a value does not fit.
  void add(std::initializer_list<Cell> cells);
  void add(const std::vector<Cell>& cells);

  TableFile& file() { return *m_file; }

 private:
  std::unique_ptr<TableFile> m_file;
};

// Value shorthands for the data tables.
inline Value txt(std::string s) { return Value::text(std::move(s)); }
inline Value num(double d) { return Value::number(d); }
inline Value flag(bool b) { return Value::boolean(b); }
inline Value day(Date d) { return Value::date(d); }

// Rounding as the program rounds: to nearest, halves to the even neighbour.
double round_even(double x);
double round_to(double x, int decimals);

// ---- reference data shared by the program tables and the demo account ----

struct SecurityType {
  const char* lx;
  const char* lxm;
  double zk_rate, sxf_rate, yhs_rate, bzj_rate;
  bool oversell;
};
const std::vector<SecurityType>& security_types();
// nullptr when the type code is unknown.
const SecurityType* find_type(std::string_view lx);

struct CodeRange {
  int order;
  const char* code1;
  const char* code2;
  const char* lx;
};
const std::vector<CodeRange>& code_ranges();
// The type of a security code by the code ranges, as code_to_lx finds it:
// lowest match order first, same length, inside the range as text. "???" when
// nothing matches.
std::string code_to_lx(std::string_view code);

// A broker's short name; "???" for an unknown code.
std::string broker_name(std::string_view qsdm);
// A currency's rate to the settlement currency (code in any case); 1 when unknown.
double currency_rate(std::string_view code);

struct InvestmentType {
  const char* xabc;
  const char* note;
  bool c1 = false, c2 = false, c3 = false, c4 = false, c5 = false, c6 = false, c7 = false,
       c8 = false, c9 = false;
  double e1 = 0, e2 = 0, e3 = 0, e4 = 0, e5 = 0, e6 = 0, e7 = 0, e8 = 0, e9 = 0, e10 = 0, e11 = 0,
         e12 = 0, e13 = 0;
  bool now = false;
};
const std::vector<InvestmentType>& investment_types();
// nullptr when the type code (any case) is unknown.
const InvestmentType* find_investment_type(std::string_view xabc);

struct Security {
  std::string code;
  std::string name;
  double price;
};
// The security list: shares, funds, bonds, warrants, the current index-futures
// contract (its code follows `today`) and the two index codes.
std::vector<Security> securities(Date today);
// The current index-futures contract code for `today` ("IF" + yymm of next month).
std::string futures_code(Date today);

// Writes every program-directory table with its starting rows into `dir`.
// `demo` adds what the demo account refers to (its codes in the code list, the
// chart's start date).
void write_program_tables(const std::filesystem::path& dir, bool demo, Date today);

// Fills the demo account directory (already holding the template's empty
// tables) with holdings, cash-account currencies, a year of fund history and
// the investors' addresses.
void write_demo_account(const std::filesystem::path& account_dir, Date today);

// The demo account's fund ledger, its last market result at the holdings'
// discounted total and the index values of today (demo_fund.cpp); adds the
// demo's investment types to the program directory's TZLX.db.
void write_demo_fund(const std::filesystem::path& account_dir, Date today, double discounted_total,
                     double sz_today, double shz_today);

// The first date of the demo fund's history (the chart window starts there).
Date demo_fund_start(Date today);

// The codes the demo holdings hold, for the user's own code list.
std::vector<std::string> demo_codes(Date today);

}  // namespace vmx::store::seed
