#include "core/ledger/corporate_actions.h"

#include <vector>

#include "core/ledger/holdings_record.h"
#include "core/ledger/report/page_frame.h"
#include "core/platform/error_boundary.h"
#include "core/store/catalogue.h"
#include "core/store/rounding.h"

namespace vmx::ledger {

namespace {

using store::Value;

constexpr const char* kActionFile = "sph.db";
constexpr const char* kActionOrder = "Dj_date;Code";

// The cash row of a position's account, on a cursor of its own so the walk
// over the positions keeps its place. WTH empty leaves out the frozen-cash
// rows of pending orders, which share CODE "xj".
void move_cash(store::Cursor& cash, const HoldingsRow& position, double money) {
  if (!cash.locate(store::field_list(
                       {store::tr2::kQsdm, store::tr2::kZjzh, store::tr2::kCode, store::tr2::kWth}),
                   {Value::text(position.qsdm), Value::text(position.zjzh), Value::text(kCashCode),
                    Value::text("")}))
    return;
  const HoldingsRow was = read_row(cash);
  HoldingsRow row = was;
  row.amt = was.amt + money;
  write_row(cash, row, was);
  cash.post();
}

}  // namespace

std::string action_done_text(int rows, int64_t shares) {
  return std::to_string(rows) + "个记录中有," + std::to_string(shares) + "股；处理成功！";
}

CorporateActions::CorporateActions(store::Session& session)
    : m_session(session), m_actions(session, "ubx", kActionFile) {
  m_actions.set_index_fields(kActionOrder);
}

CorporateActions::~CorporateActions() = default;

store::Cursor& CorporateActions::cursor() {
  m_actions.open();
  return m_actions;
}

ActionOutcome CorporateActions::process_current(platform::Dialogs& dialogs, bool move_cash_too) {
  store::Cursor& a = cursor();
  a.post();
  ActionOutcome out;
  if (a.empty() || a.get_string("Code").empty() || a.is_blank("Dj_date") ||
      a.get_double("Num") == 0) {
    dialogs.inform(kActionIncomplete);
    return out;
  }
  if (!a.get_string("Amt1").empty()) {
    dialogs.inform(kActionAlreadyDone);
    return out;
  }
  const std::string kind = a.get_string("Sph");
  const bool bonus = kind == kBonus, rights = kind == kRights, dividend = kind == kDividend;
  if (!bonus && !rights && !dividend) {
    dialogs.inform(kActionBadKind);
    return out;
  }
  const std::string code = a.get_string("Code");
  const Date record_date = a.get_date("Dj_date");
  const double num = a.get_double("Num");
  const double price = a.get_double("Price");
  const double tax = a.get_double("Tax");
  const float g = static_cast<float>(num * 0.1);
  float before = 0, added = 0;

  // A cursor of its own in the file's order: every position takes part
  // whatever view the holdings window shows, and the window sees each post.
  store::Cursor h(m_session, "ubx", "tr2.DBF");
  h.open();
  store::Cursor cash(m_session, "ubx", "tr2.DBF");
  if (move_cash_too && !bonus) cash.open();
  const std::string mark = std::string(bonus    ? "送"
                                       : rights ? "配"
                                                : "派") +
                           report::general_number(num);
  for (h.first(); !h.eof(); h.next()) {
    const HoldingsRow was = read_row(h);
    if (was.kind() != RowKind::Position || was.code != code || was.date1 > record_date) continue;
    const double qty = was.amt, p = was.price1;
    HoldingsRow row = was;
    before += static_cast<float>(qty);
    ++out.rows;
    if (dividend) {
      added += static_cast<float>(qty * num * (1 - tax) * 0.1);
      row.price1 = p - (1 - tax) * num * 0.1;
    } else {
      added += static_cast<float>(num * qty * 0.1);
      row.amt = qty * (static_cast<double>(g) + 1);
      row.price1 = bonus ? p / (static_cast<double>(g) + 1) : (price * num + p * 10) / (num + 10);
    }
    row.note = was.note + mark;
    write_row(h, row, was);
    h.post();
    if (move_cash_too && rights) move_cash(cash, was, -(price * qty * num * 0.1));
    if (move_cash_too && dividend) move_cash(cash, was, num * qty * 0.1);
  }

  out.before = store::trunc(before);
  out.added = store::trunc(added);
  a.edit();
  a.set_string("Amt1", std::to_string(out.before) + "股");
  a.set_string("Amt2", std::to_string(out.added) + (dividend ? "元" : "股"));
  a.set_string("Amt12",
               std::to_string(dividend ? out.before : store::trunc(before + added)) + "股");
  a.post();
  out.processed = true;
  dialogs.inform(action_done_text(out.rows, out.before));
  return out;
}

bool CorporateActions::fill_missing_name(market::SecurityList& securities) {
  store::Cursor& a = cursor();
  a.post();
  if (!a.locate("Name", {Value::text("")})) return false;
  const std::string code = a.get_string("Code");
  const std::string name = securities.code_to_name(code);
  a.edit();
  a.set_string("Name", name.empty() ? code : name);
  a.post();
  a.prior();
  return true;
}

int CorporateActions::fetch_from(const std::filesystem::path& shared_dir,
                                 platform::Dialogs& dialogs) {
  store::Cursor& a = cursor();
  a.post();
  store::Cursor shared(m_session, shared_dir.string(), kActionFile);
  shared.set_index_fields(kActionOrder);
  try {
    shared.open();
  } catch (const std::exception& e) {
    dialogs.warn(kNoSharedActions + platform::describe(e));
    return 0;
  }
  // Taken before appending: when both tables are one file, the rows added
  // must not be walked again.
  std::vector<store::RowId> candidates;
  shared.last();
  shared.move_by(-10);
  for (; !shared.eof(); shared.next()) candidates.push_back(shared.current_row());
  const char* copied[] = {"Dj_date", "Code", "Name", "Sph", "Num", "Price", "Tax"};
  int added = 0;
  for (store::RowId id : candidates) {
    if (!shared.go_to_bookmark(id)) continue;
    if (a.locate(kActionOrder, {shared.value("Dj_date"), shared.value("Code")})) continue;
    a.append();
    for (const char* f : copied) a.set(f, shared.value(f));
    a.post();
    ++added;
  }
  return added;
}

void CorporateActions::delete_current() {
  store::Cursor& a = cursor();
  if (a.state() == store::Cursor::State::Insert) {
    a.cancel();
    return;
  }
  if (a.state() == store::Cursor::State::Edit) a.cancel();
  if (!a.empty()) a.remove();
}

}  // namespace vmx::ledger
