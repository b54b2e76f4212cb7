#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/market/code_table.h"
#include "core/market/csv_quotes.h"
#include "core/market/day_file.h"
#include "core/market/exchange_quotes.h"
#include "core/market/quote_source.h"
#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/store/cursor.h"

namespace vmx::market {

// The display choice of the update window.
enum class Display {
  UpdateOnly = 0,
  DisplayOnly = 1,
  Both = 2
};  // 只更新不显示, 只显示不更新, 既更新也显示

// How a long command reports to its window.
struct Progress {
  std::function<void()> reset;                    // a command starts its list afresh
  std::function<void(const std::string&)> entry;  // "code:12.34" or "code-name"
  std::function<bool()> cancelled;                // asked before each row
};

enum class Outcome { Done, Stopped, Cancelled };

// A price entry of the progress list: code + ":" + price with two decimals.
std::string price_entry(const std::string& code, float price);

// The update window's three commands on the current quote source, as core
// operations: the security list allstocks.DBF (alias curr), the holdings
// tr2.DBF and the fund ledger fund2.DB (alias ubx), all through the engine.
// Rows are posted as the walk goes; a message box or a cancel stops the walk
// with the rows already posted kept, and the closing message says how many.
// Every message and question goes through Dialogs. Table errors are thrown
// as store::Error (the row being written unchanged).
class PriceUpdate {
 public:
  PriceUpdate(store::Session& session, platform::Dialogs& dialogs, platform::Clock& clock);
  ~PriceUpdate();

  void set_display(Display d) { m_display = d; }
  Display display() const { return m_display; }
  void set_progress(Progress p) { m_progress = std::move(p); }
  // Asked after the holdings prices changed (the main window's views).
  void set_reopen_views(std::function<void()> f) { m_reopen = std::move(f); }

  // "更新所有股票价": every security of the list from the source.
  Outcome Button4Click(const QuoteSource& source);
  // "更新我的股票价": every holdings row with a code, then the two index values.
  Outcome Button3Click(const QuoteSource& source);
  // "更新(补充)代码表": adds the codes of the source's code tables that the list lacks.
  Outcome Button7Click(const QuoteSource& source);

  // The parts, for the commands above and for tests.
  // Supplements the security list from one code table file; the number of
  // rows added, or -1 after a message (missing file, bad record length).
  int appe_code(const std::filesystem::path& file, const CodeLayout& layout);
  int dbf_code(const ExchangeQuotes& q);
  void dbf_price(const ExchangeQuotes& q);
  void dbf_index(const ExchangeQuotes& q);

  // The source's directory after the common checks; nullopt after the message.
  std::optional<std::filesystem::path> checked_directory(const QuoteSource& source);

 private:
  class Reader;
  std::unique_ptr<Reader> open_reader(const QuoteSource& source, const std::filesystem::path& dir);
  bool cancelled();
  void entry(const std::string& text);
  void reset();
  Outcome cancelled_after(int rows);
  void write_day_indices(Reader& reader, const QuoteSource& source);

  store::Session& m_session;
  platform::Dialogs& m_dialogs;
  platform::Clock& m_clock;
  Display m_display = Display::Both;
  Progress m_progress;
  std::function<void()> m_reopen;
  store::Cursor m_stocks;
  store::Cursor m_holdings;
  store::Cursor m_fund;
};

}  // namespace vmx::market
