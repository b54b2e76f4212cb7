#pragma once

#include <string>
#include <vector>

#include "core/fund/fund_ledger.h"
#include "core/fund/investment_types.h"

// Money into and out of the fund: every movement is a fund-ledger row and a
// change of the cash row of its cash account in the holdings ledger, so the
// next market result sees the money in the holdings and takes it out.
// Amounts and dates are converted before anything is asked or written.
namespace vmx::fund {

inline constexpr const char* kInOutQuestion =
    "本操作将增加一个投资或撤资记录,并改变持仓文件相应帐户资金数目,继续吗?";
inline constexpr const char* kInvestmentAdded =
    "一个投资记录已经追加! 如要修改请退回到基金管理窗口。";
inline constexpr const char* kWithdrawalAdded = "一个撤资记录已经追加, 将运行撤资处理!";
inline constexpr const char* kInOutNoCashRow =
    "持仓文件中找不到该帐户的现金记录(要求有券商代码,资金帐号一致的现金记录)，"
    "已经放弃资金改变操作,请手工修改股票帐户基金余额。";
inline constexpr const char* kNoCode = "投资人代码没填好,退出从来!";
inline constexpr const char* kNoAccount = "资金帐户没选好,退出从来!";
inline constexpr const char* kNoType = "投资类型没选好,退出从来!";
inline constexpr const char* kNoSource = "资金来源没填好,退出从来!";
inline constexpr const char* kNoTarget = "资金去向没填好,退出从来!";
inline constexpr const char* kRowAdded = "资金进出文件添加记录成功.";
inline constexpr const char* kCashChanged = "持仓文件相应资金帐户金额已经改变.";
inline constexpr const char* kCashRowMissing = "没找到相应的资金帐户现金记录！";
inline constexpr const char* kTransferHelp =
    "本操作将在资金进出文件后添加两个记录, 并改变持仓文件中相应资金帐户现金数量;"
    "处理的原则是：1）记录资金流向，便于查帐；2）不影响基金价格.";

// Puts the holdings cursor on the cash row of a cash account (the row of the
// kind "cash", never a frozen-cash row that shares its type); false when the
// account has none.
bool locate_cash_row(ledger::Ledger& holdings, const std::string& qsdm, const std::string& zjzh);

// The in/out window's boxes as typed.
struct InOutEntry {
  std::string pycode, name, qsdm, zjzh, xabc;
  std::string amount;  // "投入资金(元)"; negative is a withdrawal
  std::string date;    // "投入日期", yyyy-mm-dd
};
enum class InOutResult { Declined, Done, NoCashRow };
// "确定": after its question, the row (price of the last ledger row, B1 "b"
// or "s"), for a withdrawal the matching over the whole ledger, then the cash
// row's AMT. Throws ConversionError (nothing asked or written) for an amount
// or date that does not convert.
InOutResult in_out_confirm(FundLedger& f, TypeBook& types, const InOutEntry& e);

// The row "确定" appends, on its own (no question, matching or cash).
void write_in_out_row(FundLedger& f, const InOutEntry& e, double amount, Date date);

// The transfer window's first group: an investor's movement without matching.
struct InvestorMove {
  std::string pycode, name, qsdm, zjzh, xabc;
  std::string amount = "1000";
  std::string note{};
};
// False when refused (code, account or type missing) or the cash row is missing.
bool move_investor(FundLedger& f, const InvestorMove& m);
// Its row on its own, dated today, numbered (no cash).
void write_investor_row(FundLedger& f, const InvestorMove& m, double amount);

// The cash accounts of the transfer window's lists: the distinct (QSDM, ZJZH)
// of the holdings rows that are not closed, in the holdings' order.
struct CashAccount {
  std::string qsdm{}, zjzh{};
};

// The second group: money between two of the fund's cash accounts, as a pair
// of account rows with opposite amounts; the note goes into both rows.
struct AccountTransfer {
  std::string from_zjzh, to_zjzh;
  std::string amount = "1000";
  std::string note{};
};
bool transfer_accounts(FundLedger& f, const AccountTransfer& t);
// The pair of rows on its own, dated today, each numbered (no cash).
void write_transfer_rows(FundLedger& f, const CashAccount& from, const CashAccount& to,
                         double amount, const std::string& note);

std::vector<CashAccount> cash_accounts(ledger::Ledger& holdings);
// The investors the transfer window offers: distinct (code, name) of the
// reported rows.
std::vector<std::pair<std::string, std::string>> investor_list(FundLedger& f);

}  // namespace vmx::fund
