#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/market/security_list.h"
#include "core/platform/dialogs.h"
#include "core/store/cursor.h"
#include "core/store/session.h"

// Bonus shares, rights issues and cash dividends: the action rows an account
// keeps in sph.db and what processing one does to the positions of the
// holdings ledger tr2.DBF.
namespace vmx::ledger {

inline constexpr const char* kActionIncomplete = "填写信息不全！";
inline constexpr const char* kActionAlreadyDone =
    "已经处理过，退出操作。清空“原有数”栏可以再处理！";
inline constexpr const char* kActionBadKind = "类型栏符号不对(不是s,p,h中的一个)！";
// Shown when the account 我的帐户 has no action table to fetch from.
inline constexpr const char* kNoSharedActions = "我的帐户的送配记录表打不开，没有取到记录：";

// The kinds of the Sph field.
inline constexpr const char* kBonus = "s";     // 送股: Num shares given per 10
inline constexpr const char* kRights = "p";    // 配股: Num shares offered per 10 at Price
inline constexpr const char* kDividend = "h";  // 派息: Num money paid per 10, taxed at Tax

// What processing one action row did.
struct ActionOutcome {
  bool processed = false;  // the row was stamped
  int rows = 0;            // positions changed
  int64_t before = 0;      // their quantity before, whole shares
  int64_t added = 0;       // shares added (s, p) or dividend after tax (h), whole
};

// The message processing ends with: n + "个记录中有," + shares + "股；处理成功！".
std::string action_done_text(int rows, int64_t shares);

// The action table sph.db of the logged-in account (alias ubx) in the grid's
// order (Dj_date, Code), and the operations of the window that shows it.
class CorporateActions {
 public:
  explicit CorporateActions(store::Session& session);
  ~CorporateActions();

  // Opened on first use. Throws store::Error when the file cannot be read.
  store::Cursor& cursor();
  // The same cursor, open or not: for the grid, which must exist even when
  // the file cannot be read.
  store::Cursor& cursor_as_is() { return m_actions; }

  // Processes the current action row: every confirmed position (WTH empty)
  // in its Code opened on or before its Dj_date gets its quantity and buy
  // price changed and the action's mark appended to its NOTE; with
  // `move_cash`, rights cost money (Price x quantity x Num / 10 out of the
  // cash row of the position's account) and dividends bring it (Num /10 x
  // quantity, before tax, into it); an account without a cash row is passed
  // over. Then the row is stamped (Amt1, Amt2, Amt12) and the result shown.
  // Refused with a message, changing nothing: a row without Code, Dj_date or
  // Num; a row already stamped (Amt1 not empty); a kind other than s, p, h
  // (checked before any position is touched, so a wrong kind is never
  // stamped as processed). Sums and the ratio work in single precision. Every
  // row is posted as it is changed. Throws store::Error for the engine's
  // failures (rows posted before stay changed).
  ActionOutcome process_current(platform::Dialogs& dialogs, bool move_cash);

  // Gives the first row without a Name the security list's name of its Code
  // (the Code itself when the list has none), posts it and steps one row
  // back. One row per call; false when every row has a name.
  bool fill_missing_name(market::SecurityList& securities);

  // Copies from `shared_dir`'s sph.db (the account 我的帐户) the rows among
  // its last ones (its last row and the ten before it, in the grid's order)
  // whose (Dj_date, Code) this table lacks: Dj_date, Code, Name, Sph, Num,
  // Price and Tax, unprocessed. Returns how many were added. A missing or
  // unreadable shared table is said through `dialogs` and adds nothing.
  int fetch_from(const std::filesystem::path& shared_dir, platform::Dialogs& dialogs);

  // Deletes the current row, dropping an unposted change of it first; a new
  // row not yet posted is just dropped. Nothing when the table is empty.
  void delete_current();

 private:
  store::Session& m_session;
  store::Cursor m_actions;
};

}  // namespace vmx::ledger
