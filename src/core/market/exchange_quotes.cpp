#include "core/market/exchange_quotes.h"

#include "core/store/cursor.h"
#include "core/store/error.h"

namespace vmx::market {

namespace {

// Reads every row of one table through `read`, then lets the engine forget
// the file so the next command sees what the outside program wrote since.
template <typename Read>
bool read_table(store::Session& session, const std::filesystem::path& dir, const char* file,
                platform::Dialogs& dialogs, Read read) {
  std::filesystem::path where;
  try {
    where = session.resolve(dir.string(), file);
  } catch (const store::Error&) {
    where = dir / file;
  }
  std::error_code ec;
  if (!std::filesystem::exists(where, ec)) {
    dialogs.warn("找不到文件" + (dir / file).string() + ",请检查!");
    return false;
  }
  bool ok = true;
  try {
    store::Cursor c(session, dir.string(), file);
    c.open();
    for (c.first(); !c.eof(); c.next()) read(c);
    c.close();
  } catch (const store::Error& e) {
    dialogs.warn("交易所行情库" + where.string() + "读不出来:" + e.what());
    ok = false;
  }
  session.forget(where);
  return ok;
}

}  // namespace

const ExchangeQuotes::Row* ExchangeQuotes::find_sz(const std::string& code) const {
  auto it = sz_at.find(code);
  return it == sz_at.end() ? nullptr : &sz[it->second];
}

const ExchangeQuotes::Row* ExchangeQuotes::find_sh(const std::string& code) const {
  auto it = sh_at.find(code);
  return it == sh_at.end() ? nullptr : &sh[it->second];
}

std::optional<ExchangeQuotes> createtabs(store::Session& session, const std::filesystem::path& dir,
                                         platform::Dialogs& dialogs) {
  ExchangeQuotes q;
  const bool ok =
      read_table(session, dir, "z_zqxx.dbf", dialogs,
                 [&](store::Cursor& c) {
                   q.sz_names.emplace(c.get_string("fzqdm"), c.get_string("fzqjc"));
                 }) &&
      read_table(session, dir, "z_hq.dbf", dialogs,
                 [&](store::Cursor& c) {
                   ExchangeQuotes::Row r{c.get_string("fzqdm"), {}, c.get_double("fzjcj")};
                   if (r.code.empty()) return;
                   if (auto n = q.sz_names.find(r.code); n != q.sz_names.end()) r.name = n->second;
                   q.sz_at.emplace(r.code, q.sz.size());
                   q.sz.push_back(std::move(r));
                 }) &&
      read_table(session, dir, "z_zs.dbf", dialogs,
                 [&](store::Cursor& c) {
                   q.sz_indices.emplace(c.get_string("fzsmc"), c.get_double("fzjzs"));
                 }) &&
      read_table(session, dir, "show128.dbf", dialogs, [&](store::Cursor& c) {
        ExchangeQuotes::Row r{c.get_string("s1"), c.get_string("s2"), c.get_double("s8")};
        if (r.code.empty()) return;
        q.sh_at.emplace(r.code, q.sh.size());
        q.sh.push_back(std::move(r));
      });
  if (!ok) return std::nullopt;
  return q;
}

}  // namespace vmx::market
