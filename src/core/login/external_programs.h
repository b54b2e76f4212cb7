#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "core/login/workspace.h"
#include "core/platform/date.h"
#include "core/platform/dialogs.h"
#include "core/platform/shell.h"
#include "core/store/cursor.h"
#include "core/store/session.h"

namespace vmx::app {

// Closing the order-program settings with no path or no program name.
inline constexpr const char* kPathNotSet = "路径没设好!";
// Closing them while the program file is not there: no path.txt is written.
inline constexpr const char* kOrderProgramMissing =
    "设置的委托程序不存在, 供联网核对的路径和程序文件不能产生！";
// "软件链接": the order program is not there (the settings window follows).
inline constexpr const char* kOrderProgramNotFound = "找不到执行程序, 改设置再运行！";
// "软件链接": it is there but did not start.
inline constexpr const char* kOrderProgramFailed = "有问题，请检查。";

// The file by which the order program learns where our data are, in the
// order program's own directory.
inline constexpr const char* kPathFileName = "path.txt";

// What path.txt holds after a write: the first line becomes `curr_dir`, the
// second `acc_dir`; the third and later lines of `existing` stay exactly as
// they were (line ends too). Without an existing file the three lines are
// written: `curr_dir`, `acc_dir`, `first_written` (the date, yyyy-mm-dd).
std::string path_file_text(const std::optional<std::string>& existing, const std::string& curr_dir,
                           const std::string& acc_dir, const std::string& first_written);

// The order programs the user knows, wt_path.DB of the program directory
// (alias curr): the table behind the order-program settings window. Its
// current row is the program "软件链接" starts.
class OrderPrograms {
 public:
  // Opens wt_path.DB and goes to the row whose Now is true (the first row
  // when none is). Throws store::Error when the table cannot be opened.
  explicit OrderPrograms(store::Session& session);

  store::Cursor& table() { return m_table; }
  // The current row's Path and Name.
  std::string path();
  std::string name();
  // The list of programs opened: every row's Now becomes false, row by row.
  void list_opened();
  // The list closed on the current row: its Now becomes true.
  void list_closed();
  // "改路径及程序" chose `file`: the current row's Path becomes its directory
  // with a closing "/", its Name the file name, posted. A path or name the
  // table's fields cannot hold whole is refused (the message returned, the
  // row unchanged); "" when stored.
  std::string set_program(const std::filesystem::path& file);
  // A box of the window left: the current row's `field` (Wtrj, Path or
  // Name) becomes `value`, posted; nothing without rows or when it is the
  // same. Refused as set_program refuses (the message returned); "" otherwise.
  std::string set_text(const char* field, const std::string& value);
  // Closing the settings: checks the current row and writes path.txt into
  // the program's directory (see path_file_text). A check that fails shows
  // its message and writes nothing. Returns true when path.txt was written.
  // Throws platform::FileError when the file cannot be read or written.
  bool write_path_file(platform::Dialogs& dialogs, const LoginState& login, const Date& today);

 private:
  // Why `value` cannot be stored whole in `field`; "" when it can.
  std::string refusal(const char* field, const std::string& value);
  store::Cursor m_table;
};

// "软件链接": starts the current order program (Name, in the directory Path,
// no parameters). A program that is not there: kOrderProgramNotFound and
// false is returned, so the caller shows the settings window; another
// failure: kOrderProgramFailed. True when started or when the failure was
// of the other kind.
bool start_order_program(OrderPrograms& programs, platform::Shell& shell,
                         platform::Dialogs& dialogs);

}  // namespace vmx::app
