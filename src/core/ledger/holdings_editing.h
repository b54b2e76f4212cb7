#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "core/ledger/ledger.h"
#include "core/platform/dialogs.h"
#include "core/reference/lookups.h"

namespace vmx::ledger {

// The row operations of the holdings editing window (TForm2), without the
// window: they work on the login's Ledger in its current view and talk to the
// user through Dialogs only. The window calls them after posting its grid.
class HoldingsEditing {
 public:
  // `acc_dir` is the logged-in account's data directory (where tr2.DBF and an
  // earlier version's tr0.DBF live).
  HoldingsEditing(Ledger& ledger, store::reference::Lookups& lookups, platform::Dialogs& dialogs,
                  std::filesystem::path acc_dir);

  // The view choice: selects the view's index (Ledger::set_view); the closed
  // view then stands on its last row, the newest closing. Throws store::Error
  // when the ledger cannot be opened.
  void show_view(Ledger::View view);

  // "复制记录": a new row with the current row's WTH, QSDM, QS, ZJZH, GDDM, CODE,
  // LX, NAME, AMT, DATE1, ZK_RATE and LXM, both prices at the current price
  // PRICE2 and both values AMT x PRICE2; posted at once, and the cursor stands
  // on it. Does nothing on an empty view. Throws store::Error when the row
  // cannot be written (nothing is added then).
  void copy_buy_rec();

  // "删除": deletes the current row without asking; nothing on an empty view.
  void delete_current();

  // "补充汉字": fills every empty NAME (code_to_name), then every empty QS
  // (qsdm_to_qs), then every empty LXM (lx_to_lxm), in the current view, and
  // goes to the last row. The lookups answer "???" for what they do not know,
  // so normally every empty field gets a text. When a lookup answers with an
  // empty text (a code-list or broker row whose name is blank) the field would
  // stay empty for ever: the fill stops there, on that row, and says which
  // lookup gave nothing (kFillStopped...). Returns how many fields were filled
  // and whether it stopped early.
  struct FillResult {
    size_t filled = 0;
    bool stopped = false;
  };
  FillResult fill_names();

  // "拷贝数据": replaces the ledger's rows by those of the earlier version's
  // tr0.DBF in acc_dir, after the two questions of the window. Every row of
  // tr0.DBF is read and converted first (its 24 fields by name; BS and BIRATE
  // become 1 on the rows that are not closed); the ledger is touched only when
  // that succeeded. A row whose value does not fit the ledger is skipped and
  // counted. On any failure the ledger keeps (or gets back) its rows and the
  // user is told why. tr0.mdx must be present beside tr0.DBF, as the window
  // always asked for both files, but its contents are never read: the rows
  // come in tr0.DBF's record order. Errors never escape: the outcome says
  // what happened.
  enum class Migration { Declined, MissingFiles, ReadFailed, WriteFailed, Done };
  struct MigrationResult {
    Migration outcome = Migration::Declined;
    size_t copied = 0;
    size_t skipped = 0;
  };
  MigrationResult migrate_from_tr0();

 private:
  Ledger& m_ledger;
  store::reference::Lookups& m_lookups;
  platform::Dialogs& m_dialogs;
  std::filesystem::path m_acc_dir;
};

// The earlier ledger's fields that the migration takes over, by name.
inline constexpr const char* kTr0Fields[] = {
    "wth",    "qsdm", "qs",     "gddm",  "zjzh",   "code",  "name",    "lx",
    "lxm",    "amt",  "price1", "date1", "price2", "date2", "cost1",   "cost2",
    "income", "inc",  "per",    "sxf",   "yhs",    "cj_dh", "zk_rate", "note"};

// The migration's questions and messages; `acc_dir` is spliced in where the
// texts name the directory.
std::string migration_question(const std::string& acc_dir);
std::string migration_missing_files(const std::string& acc_dir);
inline constexpr const char* kMigrationConfirm = "旧文件存在，按yes拷贝,否则退出。";
std::string migration_done(const std::string& acc_dir);
// Reading tr0.DBF failed: nothing was changed. Followed by the reason.
inline constexpr const char* kMigrationReadFailed =
    "读旧文件tr0.dbf出错, 没有拷贝任何数据, 现有持仓文件未作改动。原因: ";
// Writing the ledger failed part way: its earlier rows were put back.
inline constexpr const char* kMigrationWriteFailed =
    "写入持仓文件出错, 拷贝未完成, 已恢复原有数据。原因: ";
// ... and putting them back failed as well.
inline constexpr const char* kMigrationRestoreFailed =
    "写入持仓文件出错, 且未能完全恢复原有数据, 请用备份恢复持仓文件。原因: ";

// The fill stopped on a lookup that gave an empty text; followed by what was
// looked up.
inline constexpr const char* kFillStopped =
    "补充汉字停止: 以下代码查到的名称是空的, "
    "请在设置窗口补充后再作此操作。";

}  // namespace vmx::ledger
