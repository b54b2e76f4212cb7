#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/fund/address_book.h"
#include "core/fund/fund_ledger.h"
#include "core/fund/investment_types.h"
#include "core/fund/investor_lists.h"
#include "core/ledger/report/page_frame.h"
#include "core/platform/clock.h"
#include "core/platform/printer.h"
#include "core/store/query.h"

// The printed reports of the fund management window: the receipt of one
// record, the statement of one investor, the totals report of all investors,
// the cash-account report and the address list. Their columns are padded in
// front (right-aligned). Lines are made from the window's lists as they are
// selected; the print functions send them to a printer.
namespace vmx::fund::report {

inline constexpr const char* kReceiptQuestion = "本操作按下面窗口指定的记录打印单据，继续吗？";
inline constexpr const char* kUnmatchedWithdrawal = "是撤资记录，但未做撤资处理，下面先处理!";

// The report definition tab: what the headers and statements print.
struct ReportDefinition {
  std::string fund_name{};               // "管理帐户或基金名称:" (Note of the Now type)
  std::string title = "投资记录报告单";  // "标题:"
  bool all_lines = true;                 // "同时打印所有记录"
  bool brief = false;                    // "简要文字报告:"
  std::string memo{};                    // "资金进出报告内容"
};

// The line of code, name and print time, centred on 90, and the address line
// when the book has the code.
std::vector<std::string> investor_heading(const std::string& pycode, const std::string& name,
                                          AddressBook& book, const platform::DateTime& when);

// The receipt of the detail list's current row (an investment or a matched
// withdrawal); the detail list returns to that row.
std::vector<std::string> receipt_lines(InvestorLists& lists, TypeBook& types, AddressBook& book,
                                       const ReportDefinition& def, const platform::DateTime& when);
// What the receipt tells about a type: "投资类型代码" + code + "的含义是:" and
// a line per option.
std::vector<std::string> type_explanation(const std::string& xabc, const TypeTerms* terms);
// The fee breakdown of one consumed investment at the withdrawal's date `w`:
// daily fee (option 6), in/out fee (option 7), performance fee (the rest of
// the value above what was paid out), each rounded to whole currency units.
struct FeeParts {
  double daily = 0, in_out = 0, performance = 0;
};
FeeParts fee_parts(const TypeTerms* terms, Date invested, Date withdrawn, double unit, double price,
                   double l_price, double market_value, double dmoney);

// "打印投资单据": the question (unless `ask` is false); an unmatched withdrawal
// is matched first (the filter goes to all records, the detail list to its
// last row, nothing printed); otherwise one or two copies. False when nothing
// was printed.
bool print_receipt(FundLedger& f, TypeBook& types, InvestorLists& lists, AddressBook& book,
                   const ReportDefinition& def, bool two_copies, platform::Printer& printer,
                   bool ask = true);

// "打印阶段报告" of the selected investor. The manager's form switches the
// lists to open records.
std::vector<std::string> statement_lines(FundLedger& f, InvestorLists& lists, AddressBook& book,
                                         const ReportDefinition& def,
                                         const platform::DateTime& when);
// The "*" marks of the statement's records: a record whose rounded amount
// cancels that of another record of the same date (fee extraction pairs).
std::vector<bool> extraction_pairs(const std::vector<Date>& dates,
                                   const std::vector<double>& amounts);
void print_statement(FundLedger& f, InvestorLists& lists, AddressBook& book,
                     const ReportDefinition& def, platform::Printer& printer);

// "打印总报表": every row of the totals list.
ledger::report::PageFrame totals_frame();
std::vector<std::string> totals_lines(InvestorLists& lists);
void print_totals(FundLedger& f, InvestorLists& lists, platform::Printer& printer);

// The cash accounts tab: the accounts with their invested sums, the selected
// account's movements and its holdings' value.
class AccountLists {
 public:
  explicit AccountLists(store::Session& session);
  store::Query& accounts() { return m_accounts; }
  store::Query& movements() { return m_movements; }
  store::Query& holdings() { return m_holdings; }
  void reopen();
  // Selects the account; false when not listed.
  bool select(const std::string& qsdm, const std::string& zjzh);

 private:
  store::Query m_accounts, m_movements, m_holdings;
};

// "增值率:" of a value against the invested sum, two decimals; nullopt when
// there is no value (or nothing invested).
std::optional<double> gain_rate(std::optional<double> value, double invested);

std::vector<std::string> account_report_lines(AccountLists& lists, const std::string& broker_name,
                                              bool details, const platform::DateTime& when);
void print_account_report(FundLedger& f, AccountLists& lists, bool details,
                          platform::Printer& printer);

// "打印通讯录".
ledger::report::PageFrame address_frame();
void print_addresses(FundLedger& f, AddressBook& book, platform::Printer& printer);

// Sends plain lines as one document of `copies` copies, each on its own page.
void print_lines(platform::Printer& printer, const std::string& job,
                 const std::vector<std::string>& lines, int copies = 1);

}  // namespace vmx::fund::report
