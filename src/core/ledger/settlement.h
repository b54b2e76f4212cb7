#pragma once

#include "core/ledger/trading.h"

// The settlement (pcjs, the trading window's "确认结算"): confirms that a
// pending order was executed. A buy (or short opening) becomes a position row;
// a sell (or short closing) closes positions of the same broker, shareholder
// code, security and direction: one of exactly the sold quantity first,
// otherwise positions in the holdings view's order, the last one split with a
// new position row for what stays open. The order's frozen-cash row goes, and
// the account's cash row moves once by C = bzj x (q x p + |q| x p x f), with f
// the type's commission plus stamp-duty rate: fees are charged here and only
// here. Every change is posted at once; there is no transaction.
//
// An unmatched sell (positions short of the sold quantity): the matched
// positions are closed, the order row stays as the "0???" remainder (AMT =
// minus the unmatched quantity U, CJ_DH = the order number), and the money is
// split so that the cash row plus the frozen-cash rows equal what they were
// plus the whole sale's proceeds after fees: the cash row gets the matched
// part, bzj x M x p x (1 - f); a new frozen-cash row under the order number
// holds the unmatched part, bzj x U x p x (1 - f). Settling the remainder
// later (once the user has mended the holdings) deletes that frozen-cash row
// and credits the same amount to the cash row, and cancelling it deletes the
// frozen-cash row: either way nothing is counted twice.
namespace vmx::ledger {

inline constexpr const char* kSettleNoNumber = "无委托或成交代号,退回到主窗口选择！";
inline constexpr const char* kSettleZeroQuantity = "数量为零，简单删除!";
inline constexpr const char* kSettleOrderNotFound =
    "委托号,券商代码或日期改了，记录未找到,退出重来。";
inline constexpr const char* kSettledBefore =
    "此记录和一个已平仓结算记录相同(可用取消委托删除未平仓记录，也可进入手工处理窗口删除已平仓记录"
    "）,放弃本次平仓结算？";
// Preceded by qsdm + " " + gddm + " " + code + "多空参数为" + bs.
inline constexpr const char* kShortOfPositions =
    "的持仓数量不足, 卖出多余记录将被移入平仓文件(在手工处理窗口选<看平仓文件>可见并修改)。"
    "此记录将带有0???.";
inline constexpr const char* kCashRowCreated = "没找到相应的现金记录, 已插入一个新的现金记录！";
inline constexpr const char* kSettleDone = "确认成交处理成功,按OK继续！(左手按空格键选择亦可)";

enum class SettleOutcome {
  NoOrderNumber,  // step 1: the window closes
  ZeroQuantity,   // step 3: cancelled instead (see cancel_result)
  OrderNotFound,  // step 4
  Declined,       // step 5 (settled before, user chose Yes) or step 6 (No)
  Failed,         // steps 6-10 raised: "Ignoring exception: " was shown
  Settled,        // success message shown; the order number box is to be emptied
};

struct SettleResult {
  SettleOutcome outcome = SettleOutcome::NoOrderNumber;
  std::string order_number;   // as stored (position the main window on it)
  OrderResult cancel_result;  // for ZeroQuantity
  bool unmatched = false;     // a "0???" remainder was left
};

// Runs pcjs on the trading window's boxes in follow-up mode (form.order_number
// the order, date0 its date; quantity and price possibly corrected). The
// checks of steps 1 to 5 stop with their messages before anything is written;
// a failure of the boxes in step 2 throws store::Error (nothing written). From
// step 6 on an error is shown as "Ignoring exception: <message>" and the rows
// already posted stay changed. The caller refreshes the valuation and the
// main window, and closes the trading window.
SettleResult settle(Trading& trading, const TradeForm& form);

// The money the cash row moves for a signed quantity q at price p:
// bzj x (q x p + |q| x p x (sxf + yhs)), computed in single precision as the
// trade record holds it, then widened.
double settlement_cash(float q, float p, float bzj, float sxf, float yhs);

}  // namespace vmx::ledger
