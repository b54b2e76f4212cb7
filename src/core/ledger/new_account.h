#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/dialogs.h"
#include "core/reference/lookups.h"
#include "core/store/session.h"

namespace vmx::ledger {

// What the new-cash-account window holds when OK is pressed.
struct NewCashAccount {
  std::string qsdm;    // broker-code box
  std::string qs;      // broker-name box
  std::string zjzh;    // cash-account box
  std::string amount;  // cash-amount box, as typed
  std::string bicode;  // code of the chosen currency; empty when none is chosen
};

// The messages, in the order the checks run.
inline constexpr const char* kNoBrokerCode = "券商代码没有填好或选好，退出重来!";
inline constexpr const char* kNoBrokerName = "券商名没有填好,退出重来!";
inline constexpr const char* kNoCashAccount = "资金帐号没有填好,退出重来!";
inline constexpr const char* kNoCurrency = "货币没有选好,退出重来!";
inline constexpr const char* kAccountExists = "资金帐户已经存在，放弃建立。";
// Followed by the typed text in quotes and kNotCreated.
inline constexpr const char* kBadAmount = "现金数量不是有效的数字：";
inline constexpr const char* kNotCreated = "，资金帐户没有建立。";
inline constexpr const char* kAccountCreated = "资金帐户建立成功。";

// The cash amount as typed: blank reads as 0; nullopt when the text is not a
// finite decimal number (an optional sign, digits with an optional point and
// exponent, surrounding spaces allowed).
std::optional<double> read_cash_amount(const std::string& text);

// Creates a broker cash account in the logged-in account (alias ubx): its
// currency in zh_bi.db and its cash row ("xj"/"现金", AMT the amount, BIRATE the
// rate of the chosen currency) in tr2.DBF. The boxes' texts are taken without
// surrounding spaces. Checks, in this order, each showing its message through
// `dialogs` (an information box) and stopping: broker code, broker name, cash
// account, currency, an existing row of the same broker code and cash account
// anywhere in the ledger (whatever the holdings window's view), then the cash
// amount (an error box). Nothing is written before every check passed, and
// both new rows are filled in before either is posted, so a value a table
// refuses writes nothing either. An account whose zh_bi.db row is already
// there (entered by hand, or left by an earlier failure) has that row set to
// the chosen currency rather than a second row added, so the rate lookup sees
// the currency chosen now. Shows kAccountCreated and returns true on success;
// false after a refusing check. Throws store::Error when a table cannot be
// read or written (a row posted before the failure stays posted).
bool create_cash_account(store::Session& session, store::reference::Lookups& lookups,
                         platform::Dialogs& dialogs, const NewCashAccount& account);

// The lists the window offers: brokers (Qsdm, Qs) from qs.db and currencies
// (Code, Name) from bi.db, in the tables' order. Throws store::Error when a
// table cannot be read.
using CodeAndName = std::pair<std::string, std::string>;
std::vector<CodeAndName> broker_choices(store::Session& session);
std::vector<CodeAndName> currency_choices(store::Session& session);

}  // namespace vmx::ledger
