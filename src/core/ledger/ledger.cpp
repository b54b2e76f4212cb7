#include "core/ledger/ledger.h"

#include "core/ledger/holdings_record.h"
#include "core/store/catalogue.h"
#include "core/store/rounding.h"

namespace vmx::ledger {

namespace {

namespace tr2 = store::tr2;

constexpr const char* kNoAccount = "找不到相应的资金帐号";

const char* index_of(Ledger::View v) { return v == Ledger::View::Holdings ? "NO_PC" : "For_PC"; }

}  // namespace

Ledger::Ledger(store::Session& session, platform::Dialogs& dialogs)
    : m_session(session), m_dialogs(dialogs), m_cursor(session, "ubx", "tr2.DBF") {}

Ledger::~Ledger() = default;

store::Cursor& Ledger::cursor() {
  if (!m_cursor.active()) {
    m_cursor.set_index_name(index_of(m_view));
    m_cursor.open();
  }
  return m_cursor;
}

void Ledger::set_view(View v) {
  m_cursor.close();
  m_view = v;
  m_cursor.set_index_name(index_of(v));
  m_cursor.open();
}

void Ledger::reopen() {
  m_cursor.close();
  cursor();
}

// Both walks rely on the holdings view keeping the rows of one cash account
// adjacent (NO_PC orders by QSDM, ZJZH). Within the account the rows stand in
// the order they were added, so a cash row created by a settlement after an
// order was entered follows that order's frozen-cash row: the cash row is
// recognised by its kind, never by being the first "xj" row.

int64_t Ledger::zjzhxj1(const std::string& qsdm, const std::string& zjzh) {
  if (m_view != View::Holdings) set_view(View::Holdings);
  store::Cursor& c = cursor();
  if (c.locate(store::field_list({tr2::kQsdm, tr2::kZjzh}),
               {store::Value::text(qsdm), store::Value::text(zjzh)})) {
    for (; !c.eof(); c.next()) {
      if (c.get_string(tr2::kQsdm) != qsdm || c.get_string(tr2::kZjzh) != zjzh) break;
      const std::string wth = c.get_string(tr2::kWth), code = c.get_string(tr2::kCode),
                        lx = c.get_string(tr2::kLx), cj_dh = c.get_string(tr2::kCjDh);
      if (code == kCashCode && classify({wth, code, lx, qsdm, cj_dh}) == RowKind::Cash)
        return store::trunc(static_cast<long double>(c.get_double(tr2::kAmt)));
    }
  }
  m_dialogs.inform(kNoAccount);
  return 0;
}

int64_t Ledger::zjzhxj(const std::string& qsdm, const std::string& zjzh) {
  if (m_view != View::Holdings) set_view(View::Holdings);
  store::Cursor& c = cursor();
  if (!c.locate(store::field_list({tr2::kQsdm, tr2::kZjzh}),
                {store::Value::text(qsdm), store::Value::text(zjzh)})) {
    m_dialogs.inform(kNoAccount);
    return 0;
  }
  long double sum = 0;
  for (; !c.eof(); c.next()) {
    if (c.get_string(tr2::kQsdm) != qsdm || c.get_string(tr2::kZjzh) != zjzh) {
      c.prior();  // leave the cursor on the account's last row
      break;
    }
    if (c.get_string(tr2::kCode) == kCashCode) sum += c.get_double(tr2::kAmt);
  }
  return store::trunc(sum);
}

}  // namespace vmx::ledger
