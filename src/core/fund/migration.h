#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/fund/fund_ledger.h"
#include "core/store/table.h"

namespace vmx::fund {

std::string migration_question(const std::string& dir);
std::string migration_missing_files(const std::string& dir);
std::string migration_done(const std::string& dir);
inline constexpr const char* kMigrationConfirm = "旧文件存在，按yes拷贝,否则退出。";
inline constexpr const char* kVersionCaption = "旧版本选择(注:从1.2版往后有流水号)";
inline constexpr const char* kVersionPrompt = "1.2 or older;选cancel和X表示版本是缺省的1.2";
inline constexpr const char* kMigrationReadFailed = "旧文件fund.db读不出, 没有拷贝, 现有数据未变: ";
inline constexpr const char* kMigrationWriteFailed =
    "拷贝中写入失败, 已恢复原有数据, 请检查磁盘后再试: ";
inline constexpr const char* kMigrationRestoreFailed =
    "拷贝中写入失败, 原有数据也未能全部恢复, 请从备份恢复fund2.db: ";

enum class Migration { Declined, MissingFiles, ReadFailed, WriteFailed, Done };

// "拷贝数据": the rows of the earlier version's fund.db (with fund.px beside
// it) in the account directory replace the ledger's rows, after the window's
// two questions and the version input ("1.2" copies Num too). Every row of
// fund.db is read first; the ledger is touched only when that succeeded, and
// when writing fails part way the ledger gets its old rows back. Errors never
// escape: the outcome says what happened, the dialogs why.
Migration migrate_from_fund_db(FundLedger& f);

// The replacement step on its own: every row of `table` goes, `records`
// (finished records of the table's layout) come in; on a failure the rows
// written are taken out and the old rows put back, and the error passes on;
// `restore_failed` says whether putting the old rows back failed too.
void replace_rows(store::Table& table, const std::vector<std::vector<uint8_t>>& records,
                  bool& restore_failed);

}  // namespace vmx::fund
