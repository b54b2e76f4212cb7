#include "core/reference/lookups.h"

#include <algorithm>

namespace vmx::store::reference {

namespace {

bool is_total(const std::string& s) { return s == "zzc" || s == "zzz"; }

std::string ascii_lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return s;
}

}  // namespace

Lookups::Lookups(Session& session, platform::Dialogs& dialogs, market::SecurityList& securities)
    : m_session(session),
      m_dialogs(dialogs),
      m_securities(securities),
      m_types(session, "curr", "lx.DB"),
      m_ranges(session, "curr", "code_to_lx.DBF"),
      m_codes(session, "curr", "code_N_P.DBF"),
      m_brokers(session, "curr", "qs.db"),
      m_currencies(session, "curr", "bi.db"),
      m_account_currencies(session, "ubx", "zh_bi.db") {
  m_ranges.set_index_name("ORDER");
  m_ranges.open();
  m_codes.set_index_name("CODE");
  m_codes.open();
  m_account_currencies.open();
  m_currencies.open();
  // The total rows' types are never shown and never found by a type lookup.
  m_types.set_index_fields("Bzj_rate;Lx");
  m_types.set_filter("lx<>'zzc' and lx<>'zzz'");
  m_types.set_filtered(true);
  m_types.open();
  m_brokers.open();
  // Show the settlement currency from the start, as the window does when created.
  m_currencies.locate("Now", {Value::boolean(true)});
}

Lookups::~Lookups() = default;

Cursor& Lookups::types() { return m_types; }
Cursor& Lookups::code_ranges() { return m_ranges; }
Cursor& Lookups::code_list() { return m_codes; }
Cursor& Lookups::brokers() { return m_brokers; }
Cursor& Lookups::currencies() { return m_currencies; }
Cursor& Lookups::account_currencies() { return m_account_currencies; }

// A cursor that a window or a CLI closed (an alias re-bound, a file copied
// over) is opened again before it is searched.
static Cursor& ready(Cursor& c) {
  c.open();
  return c;
}

std::string Lookups::code_to_name(const std::string& code) {
  Cursor& codes = ready(m_codes);
  if (codes.find_key({Value::text(code)})) {
    std::string name = codes.get_string("NAME");
    return name.empty() ? "???" : name;
  }
  std::string name = m_securities.code_to_name(code);
  return name.empty() ? "???" : name;
}

std::string Lookups::qsdm_to_qs(const std::string& qsdm) {
  Cursor& brokers = ready(m_brokers);
  if (brokers.locate("Qsdm", {Value::text(qsdm)})) return brokers.get_string("Qs");
  m_dialogs.inform("找不到券商代码为" + qsdm + "的券商名,需进入设置窗口补充！");
  return "???";
}

std::string Lookups::lx_to_lxm(const std::string& lx) {
  Cursor& types = ready(m_types);
  if (types.locate("Lx", {Value::text(lx)})) return types.get_string("Lxm");
  m_dialogs.inform("找不到类型码为" + lx + "的类型名,需进入设置窗口补充！");
  return "???";
}

float Lookups::lx_to_zk_rate(const std::string& lx) {
  Cursor& types = ready(m_types);
  if (types.locate("Lx", {Value::text(lx)})) return static_cast<float>(types.get_double("Zk_rate"));
  return 1.0f;
}

float Lookups::lx_bzj_rate(const std::string& lx) {
  Cursor& types = ready(m_types);
  if (types.locate("Lx", {Value::text(lx)}))
    return static_cast<float>(types.get_double("Bzj_rate"));
  return 1.0f;
}

float Lookups::lx_to_sxf_rate(const std::string& lx) {
  if (is_total(lx)) return 0.0f;
  Cursor& types = ready(m_types);
  if (types.locate("Lx", {Value::text(lx)}))
    return static_cast<float>(types.get_double("Sxf_rate"));
  m_dialogs.inform("码为 " + lx +
                   " 的类型未加入类型文件，手续费率且以0.003代之, 可进入设置窗口修改好再来计算!");
  return 0.003f;
}

float Lookups::lx_to_yhs_rate(const std::string& lx) {
  if (is_total(lx)) return 0.0f;
  Cursor& types = ready(m_types);
  if (types.locate("Lx", {Value::text(lx)}))
    return static_cast<float>(types.get_double("Yhs_rate"));
  m_dialogs.inform("类型码为 " + lx +
                   " 的类型未加入类型文件,印花税率且以0.0045代之,可进入设置窗口修改好再来计算!");
  return 0.0045f;
}

bool code_in_range(const std::string& code, const std::string& code1, const std::string& code2) {
  // Compared as text, byte by byte; a range only applies to codes of its own
  // length, so "6000" to "6999" says nothing about six-digit codes.
  return code1.size() == code.size() && code.compare(code1) >= 0 && code.compare(code2) <= 0;
}

std::string Lookups::code_to_lx(const std::string& code) {
  Cursor& ranges = ready(m_ranges);
  for (ranges.first(); !ranges.eof(); ranges.next()) {
    if (code_in_range(code, ranges.get_string("Code1"), ranges.get_string("Code2")))
      return ranges.get_string("Lx");
  }
  return "???";
}

float Lookups::zjzh_to_birate(const std::string& qsdm, const std::string& zjzh) {
  if (is_total(qsdm)) return 1.0f;
  Cursor& accounts = ready(m_account_currencies);
  if (!accounts.locate("Qsdm;Zjzh", {Value::text(qsdm), Value::text(zjzh)})) return 1.0f;
  const std::string bicode = ascii_lower(accounts.get_string("Bicode"));
  Cursor& currencies = ready(m_currencies);
  if (!currencies.locate("Code", {Value::text(bicode)})) return 1.0f;
  return static_cast<float>(currencies.get_double("Rate"));
}

std::string Lookups::zjzh_to_bi(const std::string& qsdm, const std::string& zjzh) {
  Cursor& accounts = ready(m_account_currencies);
  if (accounts.locate("Qsdm;Zjzh", {Value::text(qsdm), Value::text(zjzh)}))
    return accounts.get_string("Bicode");
  return settlement_code();
}

std::string Lookups::settlement_code() {
  Cursor& currencies = ready(m_currencies);
  if (!currencies.locate("Now", {Value::boolean(true)})) return {};
  return currencies.get_string("Code");
}

std::string Lookups::settlement_name() {
  Cursor& currencies = ready(m_currencies);
  if (!currencies.locate("Now", {Value::boolean(true)})) return {};
  return currencies.get_string("Name");
}

}  // namespace vmx::store::reference
