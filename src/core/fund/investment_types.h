#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/dialogs.h"
#include "core/store/cursor.h"

namespace vmx::fund {

// One row of TZLX.db: an investment type and its fee terms. E values are
// percentages except e11 and e13 (days). Options, as the type tab numbers them:
// 1 c5 guaranteed yearly return e9 with e10 of the shortfall compensated;
// 2 c2 share e4 of the growth above e3 a year; 3 c3 another e6 above e5;
// 4 c4 another e8 above e7; 5 c8 below a year e5 and e7 count a full year;
// 6 c1 fixed fee e2 a year (e1 a day); 7 c9 in/out fee e12 at withdrawal;
// 8 c6 at least e11 days; 9 (always) fees due e13 days after the investment.
struct TypeTerms {
  std::string xabc{}, note{};
  bool c1 = false, c2 = false, c3 = false, c4 = false, c5 = false, c6 = false, c7 = false,
       c8 = false, c9 = false, now = false;
  double e1 = 0, e2 = 0, e3 = 0, e4 = 0, e5 = 0, e6 = 0, e7 = 0, e8 = 0, e9 = 0, e10 = 0, e11 = 0,
         e12 = 0, e13 = 0;
};

// The type table TZLX.db (program directory, alias curr).
class TypeBook {
 public:
  explicit TypeBook(store::Session& session);
  store::Cursor& cursor();  // the type tab's grid
  // Reads every type again (after the table changed).
  void reload();
  // By code, trimmed and lower-cased; nullptr when missing.
  const TypeTerms* find(const std::string& xabc);

 private:
  store::Cursor m_cursor;
  std::map<std::string, TypeTerms> m_types;
  bool m_loaded = false;
};

TypeTerms read_terms(store::Cursor& c);

// E11 of the type truncated to whole days; 0 for a missing type.
int xabc_to_days(TypeBook& types, const std::string& xabc);

inline constexpr const char* kCheckDone = "检测结束！";
// "检测冲突" on the current type: every failed rule's message, then kCheckDone.
void check_type(const TypeTerms& t, platform::Dialogs& dialogs);

// The editing aids: e2 from e1 and e1 from e2.
double e2_from_e1(double e1);
double e1_from_e2(double e2);

// The report definition's fund name: the Note of the type marked Now ("" when none).
std::string fund_name(TypeBook& types);
// "管理帐户或基金名称:": the type of this code becomes the one marked Now, all
// others are cleared. False when no type has the code.
bool choose_fund_name(TypeBook& types, const std::string& xabc);

inline constexpr const char* kMissingDefaultType = "缺少缺省类型y, 系统已自动补上";
// Leaving the type tab: a missing "y" is appended (with its message) and every
// code lower-cased.
void repair_types(TypeBook& types, platform::Dialogs& dialogs);

}  // namespace vmx::fund
