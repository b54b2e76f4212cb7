#include "core/fund/investment_types.h"

#include <algorithm>

#include "core/fund/fund_record.h"
#include "core/store/rounding.h"

namespace vmx::fund {

TypeBook::TypeBook(store::Session& session) : m_cursor(session, "curr", kTypeFile) {}

store::Cursor& TypeBook::cursor() {
  if (!m_cursor.active()) m_cursor.open();
  return m_cursor;
}

TypeTerms read_terms(store::Cursor& c) {
  TypeTerms t;
  t.xabc = c.get_string("Xabc");
  t.note = c.get_string("Note");
  t.c1 = c.get_bool("C1");
  t.c2 = c.get_bool("C2");
  t.c3 = c.get_bool("C3");
  t.c4 = c.get_bool("C4");
  t.c5 = c.get_bool("C5");
  t.c6 = c.get_bool("C6");
  t.c7 = c.get_bool("C7");
  t.c8 = c.get_bool("C8");
  t.c9 = c.get_bool("C9");
  t.now = c.get_bool("Now");
  double* e[] = {&t.e1, &t.e2, &t.e3,  &t.e4,  &t.e5,  &t.e6, &t.e7,
                 &t.e8, &t.e9, &t.e10, &t.e11, &t.e12, &t.e13};
  for (int i = 0; i < 13; ++i) *e[i] = c.get_double("E" + std::to_string(i + 1));
  return t;
}

void TypeBook::reload() {
  store::Cursor& c = cursor();
  c.post();
  m_types.clear();
  const store::RowId mark = c.current_row();
  for (store::RowId id : std::vector<store::RowId>(c.rows())) {
    c.go_to_bookmark(id);
    TypeTerms t = read_terms(c);
    // The first row of a code wins, as a locate finds it.
    m_types.emplace(type_code(t.xabc), std::move(t));
  }
  c.go_to_bookmark(mark);
  m_loaded = true;
}

const TypeTerms* TypeBook::find(const std::string& xabc) {
  if (!m_loaded) reload();
  const auto it = m_types.find(type_code(xabc));
  return it == m_types.end() ? nullptr : &it->second;
}

int xabc_to_days(TypeBook& types, const std::string& xabc) {
  const TypeTerms* t = types.find(xabc);
  return t ? static_cast<int>(store::trunc(t->e11)) : 0;
}

void check_type(const TypeTerms& t, platform::Dialogs& d) {
  if (t.xabc.empty() || t.note.empty()) d.inform("投资类型码和投资类型名不能为空");
  if (t.c1 && t.e1 == 0) d.inform("此项选中时, e1 或 e2 不应为0");
  if (t.e10 < 0 || t.e8 < 0 || t.e6 < 0 || t.e4 < 0 || t.e2 < 0)
    d.inform("e2,e4,e6,e8,e10 不应小于0");
  if (t.c5 && t.c2 && t.e9 > t.e3) d.inform("e3>=e9不成立");
  if (t.c2 && t.c3 && t.e3 >= t.e5) d.inform("e5>e3不成立");
  if (t.c3 && t.c4 && t.e5 >= t.e7) d.inform("e7>e5不成立");
  if (t.c6 && t.e11 <= 0) d.inform("此项选中时, e11 应大于0");
  d.inform(kCheckDone);
}

double e2_from_e1(double e1) {
  return static_cast<double>(store::round_half_even(static_cast<long double>(e1) * 100 * 365) *
                             0.01L);
}

double e1_from_e2(double e2) {
  return static_cast<double>(store::round_half_even(static_cast<long double>(e2) * 10000 / 365) *
                             0.0001L);
}

void repair_types(TypeBook& types, platform::Dialogs& dialogs) {
  store::Cursor& c = types.cursor();
  c.post();
  if (!c.locate("Xabc", {store::Value::text(kDefaultType)})) {
    c.append();
    c.set_string("Xabc", kDefaultType);
    c.post();
    dialogs.inform(kMissingDefaultType);
  }
  std::vector<std::string> codes;
  for (store::RowId id : c.rows()) codes.push_back(c.table().get(id, 0).as_string());
  for (store::RowId id : std::vector<store::RowId>(c.rows())) {
    if (!c.go_to_bookmark(id)) continue;
    const std::string code = c.get_string("Xabc");
    // The code is the table's key: a type whose lower-case code is taken
    // already keeps its spelling (every use lower-cases it anyway).
    if (type_code(code) != code &&
        std::find(codes.begin(), codes.end(), type_code(code)) == codes.end()) {
      c.set_string("Xabc", type_code(code));
      c.post();
    }
  }
  types.reload();
}

std::string fund_name(TypeBook& types) {
  store::Cursor& c = types.cursor();
  c.post();
  const store::Table& t = c.table();
  const int now = c.field_index("Now"), note = c.field_index("Note");
  for (store::RowId id : c.rows())
    if (t.get(id, now).as_bool()) return t.get(id, note).as_string();
  return {};
}

bool choose_fund_name(TypeBook& types, const std::string& xabc) {
  store::Cursor& c = types.cursor();
  c.post();
  const store::RowId mark = c.current_row();
  bool found = false;
  for (store::RowId id : std::vector<store::RowId>(c.rows())) {
    c.go_to_bookmark(id);
    found = found || type_code(c.get_string("Xabc")) == type_code(xabc);
  }
  if (found)
    for (store::RowId id : std::vector<store::RowId>(c.rows())) {
      c.go_to_bookmark(id);
      const bool chosen = type_code(c.get_string("Xabc")) == type_code(xabc);
      if (c.get_bool("Now") != chosen) {
        c.set_bool("Now", chosen);
        c.post();
      }
    }
  c.go_to_bookmark(mark);
  types.reload();
  return found;
}

}  // namespace vmx::fund
