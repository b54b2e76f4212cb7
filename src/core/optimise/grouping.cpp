#include "core/optimise/grouping.h"

#include <set>
#include <utility>
#include <vector>

namespace vmx::optimise {

namespace {

bool is_total(const std::string& lx) { return lx == "zzc" || lx == "zzz"; }

struct Held {
  std::string lx, lxm, code, name;
};

std::vector<Held> held_rows(store::Cursor& holdings) {
  std::vector<Held> rows;
  for (holdings.first(); !holdings.eof(); holdings.next()) {
    Held h{holdings.get_string("LX"), holdings.get_string("LXM"), holdings.get_string("CODE"),
           holdings.get_string("NAME")};
    if (!is_total(h.lx)) rows.push_back(std::move(h));
  }
  return rows;
}

// Deletes the rows of `c` that `doomed` picks, after the walk, so that a delete
// never moves the walk.
template <typename Pred>
void remove_where(store::Cursor& c, Pred doomed) {
  std::vector<store::Cursor::Bookmark> gone;
  for (c.first(); !c.eof(); c.next())
    if (doomed()) gone.push_back(c.bookmark());
  for (auto b : gone)
    if (c.go_to_bookmark(b)) c.remove();
  c.first();
}

}  // namespace

Grouping::Grouping(store::Session& session, MarginRate margin_rate)
    : m_rules(session, "ubx", "devision.DB"),
      m_codes(session, "ubx", "groups.db"),
      m_holdings(session, "ubx", "tr2.DBF"),
      m_margin_rate(std::move(margin_rate)) {
  m_rules.open();
  m_codes.open();
  m_holdings.open();
}

Grouping::~Grouping() = default;

void Grouping::sync_codes() {
  const auto held = held_rows(m_holdings);
  std::set<std::string> listed, codes_held;
  for (m_codes.first(); !m_codes.eof(); m_codes.next()) listed.insert(m_codes.get_string("Code"));
  for (const Held& h : held) {
    codes_held.insert(h.code);
    if (!listed.insert(h.code).second) continue;
    m_codes.append();
    m_codes.set_int("Group", kDefaultGroup);
    m_codes.set_string("Code", h.code);
    m_codes.set_string("Name", h.name);
    m_codes.set_string("Lx", h.lx);
    m_codes.post();
  }
  remove_where(m_codes, [&] { return !codes_held.count(m_codes.get_string("Code")); });
}

void Grouping::rebuild_rules() {
  const auto held = held_rows(m_holdings);
  auto leveraged = [&](const std::string& lx) { return m_margin_rate(lx) < 1; };
  // Rules by (type, code); a whole-type rule has an empty code.
  std::set<std::pair<std::string, std::string>> rules;
  for (m_rules.first(); !m_rules.eof(); m_rules.next())
    rules.emplace(m_rules.get_string("Lx"), m_rules.get_string("Code"));

  std::set<std::pair<std::string, std::string>> pairs_held;
  std::set<std::string> types_held;
  for (const Held& h : held) {
    pairs_held.emplace(h.lx, h.code);
    types_held.insert(h.lx);
    const bool per_code = leveraged(h.lx);
    if (!rules.emplace(h.lx, per_code ? h.code : std::string()).second) continue;
    m_rules.append();
    m_rules.set_string("Lx", h.lx);
    m_rules.set_string("Lxm", h.lxm);
    if (per_code) {
      m_rules.set_string("Code", h.code);
      m_rules.set_string("Name", h.name);
    }
    m_rules.set_int("Group", kDefaultGroup);
    m_rules.post();
  }
  remove_where(m_rules, [&] {
    const std::string lx = m_rules.get_string("Lx");
    if (leveraged(lx)) return !pairs_held.count({lx, m_rules.get_string("Code")});
    return !types_held.count(lx);
  });
}

bool Grouping::apply_rules(platform::Dialogs& dialogs) {
  if (!dialogs.ask(kApplyQuestion)) return false;
  struct Rules {
    std::vector<std::pair<std::pair<std::string, std::string>, int64_t>> all;
    const int64_t* find(const std::string& lx, const std::string& code) const {
      for (const auto& [key, group] : all)
        if (key.first == lx && key.second == code) return &group;
      return nullptr;
    }
  } rules;
  for (m_rules.first(); !m_rules.eof(); m_rules.next())
    rules.all.push_back(
        {{m_rules.get_string("Lx"), m_rules.get_string("Code")}, m_rules.get_int("Group")});

  for (m_codes.first(); !m_codes.eof(); m_codes.next()) {
    const std::string lx = m_codes.get_string("Lx");
    const int64_t* group = rules.find(lx, m_codes.get_string("Code"));
    if (!group) group = rules.find(lx, "");
    // No rule at all: the row keeps the group it has.
    if (!group) continue;
    m_codes.set_int("Group", *group);
    m_codes.post();
  }
  m_codes.first();
  return true;
}

}  // namespace vmx::optimise
