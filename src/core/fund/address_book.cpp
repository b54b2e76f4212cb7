#include "core/fund/address_book.h"

#include <map>
#include <set>

#include "core/fund/fund_record.h"
#include "core/fund/report/report_util.h"

namespace vmx::fund {

namespace {

Address read(store::Cursor& c) {
  return {c.get_string("PYCODE"), c.get_string("NAME"), c.get_string("TEL"),
          c.get_string("TEL2"),   c.get_string("PC"),   c.get_string("ADDR")};
}

bool market_or_account(const std::string& code) {
  return code == kMarketCode || (!code.empty() && code.front() == '$');
}

}  // namespace

AddressBook::AddressBook(store::Session& session) : m_cursor(session, "ubx", "addr.dbf") {}

store::Cursor& AddressBook::cursor() {
  if (!m_cursor.active()) {
    m_cursor.set_index_name(m_order == Order::ByCode ? "PYCODE" : "pcpy");
    m_cursor.open();
  }
  return m_cursor;
}

void AddressBook::set_order(Order order) {
  m_order = order;
  cursor().post();
  m_cursor.set_index_name(order == Order::ByCode ? "PYCODE" : "pcpy");
}

std::vector<Address> AddressBook::all() {
  store::Cursor& c = cursor();
  c.post();
  ledger::report::RowKept kept(c);
  std::vector<Address> out;
  for (c.first(); !c.eof(); c.next()) out.push_back(read(c));
  return out;
}

std::optional<Address> AddressBook::find(const std::string& pycode) {
  for (const Address& a : all())
    if (a.pycode == pycode) return a;
  return std::nullopt;
}

std::optional<Address> AddressBook::selected() {
  store::Cursor& c = cursor();
  c.post();
  if (c.empty()) return std::nullopt;
  return read(c);
}

int AddressBook::add_missing(InvestorLists& lists) {
  std::set<std::string> known;
  for (const Address& a : all()) known.insert(a.pycode);
  store::Query& t = lists.totals();
  if (!t.active()) lists.reopen();
  const int c = t.column_index("pycode"), n = t.column_index("name");
  int added = 0;
  for (size_t i = 0; i < t.count(); ++i) {
    const std::string code = t.value_at(i, c).as_string();
    if (market_or_account(code) || !known.insert(code).second) continue;
    store::Cursor& k = cursor();
    k.append();
    k.set_string("PYCODE", code);
    k.set_string("NAME", t.value_at(i, n).as_string());
    k.post();
    ++added;
  }
  return added;
}

namespace {

int rename(FundLedger& f, const std::map<std::string, std::string>& names) {
  store::Cursor& c = f.cursor();
  c.post();
  QuietViews quiet(c);
  const store::RowId mark = c.current_row();
  int changed = 0;
  for (store::RowId id : std::vector<store::RowId>(c.rows())) {
    c.go_to_bookmark(id);
    const std::string code = c.get_string("PYCODE");
    if (market_or_account(code)) continue;
    auto it = names.find(code);
    if (it == names.end() || c.get_string("NAME") == it->second) continue;
    c.set_string("NAME", it->second);
    c.post();
    ++changed;
  }
  c.go_to_bookmark(mark);
  return changed;
}

}  // namespace

int AddressBook::names_from_book(FundLedger& f) {
  std::map<std::string, std::string> names;
  for (const Address& a : all()) names.emplace(a.pycode, a.name);
  return rename(f, names);
}

int AddressBook::names_from_selected(FundLedger& f) {
  const std::optional<Address> a = selected();
  if (!a) return 0;
  return rename(f, {{a->pycode, a->name}});
}

void AddressBook::copy_selected() {
  const std::optional<Address> a = selected();
  if (!a) return;
  store::Cursor& c = cursor();
  c.append();
  c.set_string("PYCODE", a->pycode);
  c.set_string("NAME", a->name);
  c.set_string("TEL", a->tel);
  c.set_string("TEL2", a->tel2);
  c.set_string("PC", a->pc);
  c.set_string("ADDR", a->addr);
  c.post();
}

void AddressBook::delete_selected() {
  store::Cursor& c = cursor();
  c.post();
  if (!c.empty()) c.remove();
}

std::vector<std::string> address_lines(AddressBook& book) {
  using report::pad;
  std::vector<std::string> lines;
  store::Cursor& c = book.cursor();
  c.post();
  ledger::report::RowKept kept(c);
  for (c.first(); !c.eof(); c.next()) {
    const Address a = read(c);
    lines.push_back(pad(a.pycode, 6) + pad(a.name, 8) + pad(a.tel, 20) + pad(a.tel2, 16) +
                    pad(a.pc, 7) + " " + a.addr);
  }
  return lines;
}

}  // namespace vmx::fund
