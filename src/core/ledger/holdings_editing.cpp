#include "core/ledger/holdings_editing.h"

#include <cstdint>
#include <memory>
#include <system_error>
#include <vector>

#include "core/ledger/holdings_record.h"
#include "core/store/error.h"
#include "core/store/table.h"
#include "core/store/table_file.h"

namespace vmx::ledger {

namespace fs = std::filesystem;
using store::Value;

std::string migration_question(const std::string& acc_dir) {
  return "新版2.0以上持仓文件(如下面数据所示)文件名tr2.dbf和旧版文件名tr0.dbf不同，格式也不同，"
         "此操作将把tr0.dbf中数据拷贝到tr2.dbf; 拷贝将删除现有数据。拷贝要求两者在同一目录:" +
         acc_dir + ";  按yes检查旧文件是否存在此目录,否则退出。";
}

std::string migration_missing_files(const std::string& acc_dir) {
  return "旧文件tr0.dbf和tr0.mdx至少一个找不到, 如果确实要拷贝数据，请把所需的这这两个文件copy到" +
         acc_dir + "再作此操作!";
}

std::string migration_done(const std::string& acc_dir) {
  return "如果以上操作成功，以防以后误操作覆盖新文件，请将文件夹" + acc_dir +
         "中旧文件tr0.* 移到其他目录或删除。";
}

HoldingsEditing::HoldingsEditing(Ledger& ledger, store::reference::Lookups& lookups,
                                 platform::Dialogs& dialogs, fs::path acc_dir)
    : m_ledger(ledger), m_lookups(lookups), m_dialogs(dialogs), m_acc_dir(std::move(acc_dir)) {}

void HoldingsEditing::show_view(Ledger::View view) {
  m_ledger.set_view(view);
  if (view == Ledger::View::Closed) m_ledger.cursor().last();
}

void HoldingsEditing::copy_buy_rec() {
  store::Cursor& c = m_ledger.cursor();
  c.post();  // a pending edit of the row is what gets copied
  if (c.empty()) return;
  const char* const same[] = {"WTH", "QSDM", "QS",  "ZJZH",  "GDDM",    "CODE",
                              "LX",  "NAME", "AMT", "DATE1", "ZK_RATE", "LXM"};
  std::vector<Value> values;
  for (const char* f : same) values.push_back(c.value(f));
  const double amt = c.get_double("AMT");
  const double price = c.get_double("PRICE2");
  c.insert();
  try {
    for (size_t i = 0; i < std::size(same); ++i) c.set(same[i], values[i]);
    c.set_double("PRICE1", price);
    c.set_double("PRICE2", price);
    c.set_double("COST1", amt * price);
    c.set_double("COST2", amt * price);
    c.post();
  } catch (...) {
    c.cancel();
    throw;
  }
}

void HoldingsEditing::delete_current() {
  store::Cursor& c = m_ledger.cursor();
  if (c.state() == store::Cursor::State::Insert) {
    c.cancel();  // an unposted new row is simply dropped
    return;
  }
  c.cancel();
  if (c.empty()) return;
  c.remove();
}

HoldingsEditing::FillResult HoldingsEditing::fill_names() {
  store::Cursor& c = m_ledger.cursor();
  c.post();
  FillResult result;
  // The fill's three steps in their order. Each looks for the next row with
  // the field empty from the top again; since a lookup never changes the
  // ledger, one walk per field over the rows of the view finds the same rows
  // in the same order.
  struct Step {
    const char* field;  // filled
    const char* from;   // looked up
    std::string (store::reference::Lookups::*lookup)(const std::string&);
    const char* what;  // named in the stop message
  };
  const Step steps[] = {
      {"NAME", "CODE", &store::reference::Lookups::code_to_name, "证券代码"},
      {"QS", "QSDM", &store::reference::Lookups::qsdm_to_qs, "券商代码"},
      {"LXM", "LX", &store::reference::Lookups::lx_to_lxm, "类型码"},
  };
  for (const Step& step : steps) {
    const std::vector<store::RowId> rows = c.rows();
    for (store::RowId id : rows) {
      if (!c.go_to_bookmark(id) || !c.is_blank(step.field)) continue;
      const std::string key = c.get_string(step.from);
      c.set_string(step.field, (m_lookups.*step.lookup)(key));
      c.post();
      if (c.is_blank(step.field)) {
        // Looking again would give the same nothing: end here, on the row.
        m_dialogs.inform(std::string(kFillStopped) + step.what + ": " + key);
        result.stopped = true;
        return result;
      }
      ++result.filled;
    }
  }
  c.last();
  return result;
}

namespace {

// The rows of tr0.DBF as finished records of the ledger's file layout.
struct Converted {
  std::vector<std::vector<uint8_t>> records;
  size_t skipped = 0;
};

Converted read_tr0(const fs::path& path, const store::TableFile& target) {
  store::OpenOptions options;
  options.read_only = true;
  std::unique_ptr<store::TableFile> old = store::open_table_file(path, options);

  struct Pair {
    int from, to;
  };
  std::vector<Pair> pairs;
  for (const char* name : kTr0Fields) {
    const int from = old->schema().index_of(name);
    if (from < 0) throw store::Error(path.string() + ": 没有字段 " + name);
    const int to = target.schema().index_of(name);
    if (to < 0) throw store::Error(target.path().string() + ": 没有字段 " + name);
    pairs.push_back({from, to});
  }
  const int wth = target.schema().index_of("WTH");
  const int bs = target.schema().index_of("BS");
  const int birate = target.schema().index_of("BIRATE");

  Converted out;
  old->load([&](store::RowId, const uint8_t* rec) {
    std::vector<uint8_t> row(target.record_size());
    target.blank_record(row.data());
    try {
      for (const Pair& p : pairs) target.set(row.data(), p.to, old->get(rec, p.from));
      // The holdings view's rows take direction and rate 1; closed rows keep
      // them empty, as the valuation never visits them.
      if (is_open_marker(target.raw_text(row.data(), wth))) {
        target.set(row.data(), bs, Value::integer(1));
        target.set(row.data(), birate, Value::number(1));
      }
    } catch (const store::Error&) {
      ++out.skipped;  // a value the ledger cannot hold: this row only
      return;
    }
    out.records.push_back(std::move(row));
  });
  return out;
}

bool file_exists(const fs::path& dir, const char* name) {
  std::error_code ec;
  return fs::is_regular_file(store::resolve_case_insensitive(dir, name), ec);
}

}  // namespace

HoldingsEditing::MigrationResult HoldingsEditing::migrate_from_tr0() {
  MigrationResult result;
  const std::string dir = m_acc_dir.string();
  if (!m_dialogs.ask(migration_question(dir))) return result;
  if (!file_exists(m_acc_dir, "tr0.DBF") || !file_exists(m_acc_dir, "tr0.mdx")) {
    m_dialogs.inform(migration_missing_files(dir));
    result.outcome = Migration::MissingFiles;
    return result;
  }
  if (!m_dialogs.ask(kMigrationConfirm)) return result;

  Converted rows;
  store::Cursor* cursor = nullptr;
  try {
    cursor = &m_ledger.cursor();
    cursor->post();
    rows = read_tr0(store::resolve_case_insensitive(m_acc_dir, "tr0.DBF"), cursor->table().file());
  } catch (const store::Error& e) {
    m_dialogs.warn(std::string(kMigrationReadFailed) + e.what());
    result.outcome = Migration::ReadFailed;
    return result;
  }

  // Replace: every row of the file goes (both views'), the converted rows come
  // in. What was there is kept in memory until the last new row is written, so
  // a write that fails part way can be undone.
  store::Table& table = cursor->table();
  std::vector<std::vector<uint8_t>> before;
  std::vector<store::RowId> erased, inserted;
  const std::vector<store::RowId> old_rows = table.natural_order();
  for (store::RowId id : old_rows)
    before.emplace_back(table.record(id), table.record(id) + table.file().record_size());
  cursor->disable_controls();
  try {
    for (store::RowId id : old_rows) {
      table.erase(id);
      erased.push_back(id);
    }
    for (const auto& rec : rows.records) inserted.push_back(table.insert(rec.data()));
  } catch (const store::Error& e) {
    std::string message = kMigrationWriteFailed;
    try {
      for (store::RowId id : inserted) table.erase(id);
      for (size_t i = 0; i < erased.size(); ++i) table.insert(before[i].data());
    } catch (const store::Error&) {
      message = kMigrationRestoreFailed;
    }
    cursor->enable_controls();
    m_ledger.reopen();
    m_dialogs.warn(message + e.what());
    result.outcome = Migration::WriteFailed;
    return result;
  }
  cursor->enable_controls();
  m_ledger.set_view(Ledger::View::Holdings);
  result.outcome = Migration::Done;
  result.copied = rows.records.size();
  result.skipped = rows.skipped;
  std::string done = migration_done(dir);
  if (rows.skipped > 0)
    done = "tr0.dbf中有" + std::to_string(rows.skipped) +
           "条记录的数据超出新文件的字段宽度, 没有拷贝。" + done;
  m_dialogs.inform(done);
  return result;
}

}  // namespace vmx::ledger
