#pragma once

// The grouping of holdings into the optimiser's four groups: the rule table
// devision.DB (one rule per security type, or per type and code for leveraged
// types) and the per-code table groups.db, both in the account directory.

#include <functional>
#include <string>

#include "core/platform/dialogs.h"
#include "core/store/cursor.h"
#include "core/store/session.h"

namespace vmx::optimise {

// New rules and per-code rows start in this group.
inline constexpr int kDefaultGroup = 3;
inline constexpr const char* kApplyQuestion =
    "你已经适当地分组(上面每行序号为0,1,2或3)了吗?如果没有,请选No退出,分组好再操作.";
inline constexpr const char* kGroupingExplanation =
    "组号不同于证券类型, 它把所有资产简化为0,1,2,3四类. 0组必须是现金和国债等无风险资产. "
    "不同的期货和期权品种风险和相关性不同, 通常应分在不同的组, 高风险品种建议用1和2. "
    "3组(缺省)用于其他相关性较强的持仓, 如A股和股票基金. 点击组号一栏即可修改.";

// Both tables open (alias ubx) while the object lives: the grouping window's
// grids show rules() and codes().
class Grouping {
 public:
  // The margin rate of a security type (the type table's; 1 when not found).
  // A type is leveraged when its rate is below 1.
  using MarginRate = std::function<double(const std::string& lx)>;

  // Opens devision.DB, groups.db and tr2.DBF through alias ubx. Throws
  // store::Error when one cannot be read.
  Grouping(store::Session& session, MarginRate margin_rate);
  ~Grouping();

  store::Cursor& rules() { return m_rules; }
  store::Cursor& codes() { return m_codes; }

  // At creation: every code of the holdings (types zzc/zzz aside) not yet in
  // groups.db is appended with its code, type and name in kDefaultGroup; then
  // rows whose code is no longer held are deleted.
  void sync_codes();
  // "从持仓文件再生": a rule for each held (type, code) of a leveraged type and
  // for each held other type, appended in kDefaultGroup when missing; rules
  // whose type (or type and code) is no longer held are deleted; the others
  // keep their groups.
  void rebuild_rules();
  // "分组:由右确定左": asks kApplyQuestion; on Yes each groups.db row takes the
  // group of the rule for its (type, code), failing that of the rule for its
  // type; a row that matches no rule keeps its group. Returns false on No.
  bool apply_rules(platform::Dialogs& dialogs);

 private:
  store::Cursor m_rules, m_codes, m_holdings;
  MarginRate m_margin_rate;
};

}  // namespace vmx::optimise
