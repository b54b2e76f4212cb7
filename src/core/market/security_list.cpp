#include "core/market/security_list.h"

#include "core/store/error.h"

namespace vmx::market {

namespace {
constexpr const char* kFile = "allstocks.DBF";
}

SecurityList::SecurityList(store::Session& session) : m_cursor(session, "curr", kFile) {}

SecurityList::~SecurityList() = default;

store::Cursor& SecurityList::cursor() {
  if (!m_cursor.active()) {
    m_cursor.set_index_name("CODE");
    m_cursor.open();
  }
  return m_cursor;
}

std::string SecurityList::code_to_name(const std::string& code) {
  store::Cursor& c = cursor();
  if (!c.find_key({store::Value::text(code)})) return {};
  return c.get_string("NAME");
}

float SecurityList::code_to_price(const std::string& code) {
  store::Cursor& c = cursor();
  if (!c.find_key({store::Value::text(code)})) return 0.0f;
  return static_cast<float>(c.get_double("PRICE"));
}

void SecurityList::set_code_pattern(const std::string& pattern) {
  // The filter language has no escape inside a literal: a pattern holding a
  // quote is written with the other quote, and one holding both cannot match
  // a stored code, so it is refused rather than compiled into something else.
  const bool has_single = pattern.find('\'') != std::string::npos;
  const bool has_double = pattern.find('"') != std::string::npos;
  if (has_single && has_double)
    throw store::Error(std::string(kFile) + ": code pattern " + pattern +
                       " holds both kinds of quote");
  const char q = has_single ? '"' : '\'';
  store::Cursor& c = cursor();
  c.set_filter("code=" + std::string(1, q) + pattern + std::string(1, q));
  c.set_filtered(true);
}

void SecurityList::clear_code_pattern() {
  store::Cursor& c = cursor();
  c.set_filtered(false);
  c.set_filter("");
}

}  // namespace vmx::market
