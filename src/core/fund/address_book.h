#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/fund/fund_ledger.h"
#include "core/fund/investor_lists.h"
#include "core/store/cursor.h"

// The investors' address book addr.dbf (account data directory): code, name,
// two telephone lines, postcode and address, shown by code or by postcode.
namespace vmx::fund {

struct Address {
  std::string pycode{}, name{}, tel{}, tel2{}, pc{}, addr{};
};

class AddressBook {
 public:
  explicit AddressBook(store::Session& session);
  store::Cursor& cursor();  // the tab's grid, in the chosen order

  // "显示和打印顺序": "按代码排序" (tag PYCODE) or "按邮政编码排序" (tag pcpy).
  enum class Order { ByCode, ByPostcode };
  void set_order(Order order);
  Order order() const { return m_order; }

  // The first address with exactly this code.
  std::optional<Address> find(const std::string& pycode);
  // The current row (nullopt when the book is empty).
  std::optional<Address> selected();

  // "从首页补充": an address (code and name) for every investor of the totals
  // list that the book lacks, account and market codes left out. The number added.
  int add_missing(InvestorLists& lists);
  // "按代码改姓名": every ledger row whose code is in the book (market and
  // account rows left out) gets the address's name. The rows changed.
  int names_from_book(FundLedger& f);
  // "指定代码改姓名": the same for the selected address's code only.
  int names_from_selected(FundLedger& f);
  // "复制记录": a copy of the selected address appended.
  void copy_selected();
  // "删除": the selected address, at once.
  void delete_selected();

 private:
  std::vector<Address> all();
  store::Cursor m_cursor;
  Order m_order = Order::ByCode;
};

// "打印通讯录": the address list, in the book's order.
std::vector<std::string> address_lines(AddressBook& book);

}  // namespace vmx::fund
