#include "core/fund/migration.h"

#include <filesystem>
#include <memory>

#include "core/fund/fund_record.h"
#include "core/store/error.h"
#include "core/store/table_file.h"

namespace vmx::fund {

namespace fs = std::filesystem;

namespace {

// The fields the earlier ledger hands over, by name; Num only from 1.2 on.
constexpr const char* kCopied[] = {"dt",   "pycode",  "czxh",   "xabc", "b1",    "qsdm", "zjzh",
                                   "name", "input",   "unit",   "inc",  "price", "fund", "sz",
                                   "shz",  "l_price", "dmoney", "note", "per"};

bool file_exists(const fs::path& dir, const char* name) {
  std::error_code ec;
  return fs::is_regular_file(store::resolve_case_insensitive(dir, name), ec);
}

std::vector<std::vector<uint8_t>> read_fund_db(const fs::path& path, const store::TableFile& target,
                                               bool with_num) {
  store::OpenOptions options;
  options.read_only = true;
  std::unique_ptr<store::TableFile> old = store::open_table_file(path, options);
  std::vector<std::pair<int, int>> pairs;
  auto pair = [&](const char* name) {
    const int from = old->schema().index_of(name);
    if (from < 0) throw store::Error(path.string() + ": 没有字段 " + name);
    pairs.emplace_back(from, target.schema().index_of(name));
  };
  for (const char* name : kCopied) pair(name);
  if (with_num) pair("num");
  std::vector<std::vector<uint8_t>> out;
  old->load([&](store::RowId, const uint8_t* rec) {
    std::vector<uint8_t> row(target.record_size());
    target.blank_record(row.data());
    for (const auto& [from, to] : pairs) target.set(row.data(), to, old->get(rec, from));
    out.push_back(std::move(row));
  });
  return out;
}

}  // namespace

std::string migration_question(const std::string& dir) {
  return "新用户不用操作! 新版2.0以上资金进出文件(如下面数据所示)文件名fund2.db和旧版文件名fund.db"
         "不同，格式也可能不同，此操作将把fund.db中数据拷贝到fund2.db；拷贝将删除已有数据.  "
         "拷贝要求fund.db和fund.px也在同一目录" +
         dir + "(新旧版本安装在同一目录时，我的帐户和示范帐户的新旧资金进出文件自然在同一目录)" +
         ";  按yes检查旧文件是否存在此目录, 否则退出。";
}

std::string migration_missing_files(const std::string& dir) {
  return "旧文件fund.db和fund.px至少一个找不到, 请把所需的这两个文件拷贝到" + dir + "再作此操作!";
}

std::string migration_done(const std::string& dir) {
  return "如果以上操作成功，以防以后误无操作覆盖新文件，请将文件夹" + dir +
         "中旧文件fund.* 移到其他目录或删除。";
}

void replace_rows(store::Table& table, const std::vector<std::vector<uint8_t>>& records,
                  bool& restore_failed) {
  restore_failed = false;
  std::vector<std::vector<uint8_t>> before;
  const std::vector<store::RowId> old_rows = table.natural_order();
  for (store::RowId id : old_rows)
    before.emplace_back(table.record(id), table.record(id) + table.file().record_size());
  std::vector<store::RowId> inserted;
  size_t erased = 0;
  try {
    for (store::RowId id : old_rows) {
      table.erase(id);
      ++erased;
    }
    for (const auto& rec : records) inserted.push_back(table.insert(rec.data()));
  } catch (...) {
    try {
      for (store::RowId id : inserted) table.erase(id);
      for (size_t i = 0; i < erased; ++i) table.insert(before[i].data());
    } catch (...) {
      restore_failed = true;
    }
    throw;
  }
}

Migration migrate_from_fund_db(FundLedger& f) {
  platform::Dialogs& dialogs = f.dialogs();
  const fs::path dir = f.session().alias_dir("ubx");
  if (!dialogs.ask(migration_question(dir.string()))) return Migration::Declined;
  if (!file_exists(dir, kEarlierFundFile) || !file_exists(dir, kEarlierFundIndex)) {
    dialogs.inform(migration_missing_files(dir.string()));
    return Migration::MissingFiles;
  }
  if (!dialogs.ask(kMigrationConfirm)) return Migration::Declined;
  const std::string version = dialogs.input(kVersionCaption, kVersionPrompt, "1.2").value_or("1.2");

  store::Cursor& c = f.cursor();
  std::vector<std::vector<uint8_t>> rows;
  try {
    c.post();
    rows = read_fund_db(store::resolve_case_insensitive(dir, kEarlierFundFile), c.table().file(),
                        version == "1.2");
  } catch (const store::Error& e) {
    dialogs.warn(std::string(kMigrationReadFailed) + e.what());
    return Migration::ReadFailed;
  }
  bool restore_failed = false;
  try {
    QuietViews quiet(c);
    replace_rows(c.table(), rows, restore_failed);
  } catch (const store::Error& e) {
    f.reopen();
    dialogs.warn(std::string(restore_failed ? kMigrationRestoreFailed : kMigrationWriteFailed) +
                 e.what());
    return Migration::WriteFailed;
  }
  f.reopen();
  dialogs.inform(migration_done(dir.string()));
  return Migration::Done;
}

}  // namespace vmx::fund
