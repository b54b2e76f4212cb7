#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/dialogs.h"
#include "core/store/cursor.h"

namespace vmx::market {

// What readprice gives when a day file is missing or unreadable; callers
// compare against it.
inline constexpr float kNotFound = -999999.0f;

// How a source's files are laid out, chosen by its HQCODE.
enum class Layout { Dbf, Hjin, Ml30, Slon, Eye98, Csv, Parameterised };
Layout layout_of(std::string_view hqcode);

// One row of hq_path.DBF.
struct QuoteSource {
  std::string hqcode, hqname, path, shsubpath, szsubpath, note;
  bool now = false;
  std::string szhead, shhead, tail;
  int length = 0;
  std::string type;
  std::string szsubtab;
  int szc1 = 0, szclen = 0, szn1 = 0, sznlen = 0, szlen = 0;
  std::string shsubtab;
  int shc1 = 0, shclen = 0, shn1 = 0, shnlen = 0, shlen = 0;
  std::string szcodefile, shcodefile;

  Layout layout() const { return layout_of(hqcode); }
  // The encoding letter readprice takes: the first character of TYPE, '0'
  // when empty.
  char type_letter() const { return type.empty() ? '0' : type[0]; }
};

// Reads the cursor's current row.
QuoteSource read_source(store::Cursor& c);

// A code of at most four characters is a Shenzhen code; longer ones are Shanghai.
inline bool is_shenzhen(std::string_view code) { return code.size() <= 4; }

// A stored directory as a path of this system: backslashes become '/', a
// relative one is taken from `program_dir` (sources made by the installation
// point into it, and the program runs with it as working directory).
std::filesystem::path source_directory(std::string_view stored,
                                       const std::filesystem::path& program_dir);

// The quote-source table hq_path.DBF (alias curr): one row per source, the one
// with NOW true is the current source. The update window, its format window
// and the batch command work on this one cursor.
class QuoteSources {
 public:
  explicit QuoteSources(store::Session& session);
  ~QuoteSources();

  // Opened on first use; throws store::Error when the file cannot be read.
  store::Cursor& cursor();
  // Moves to the row with NOW true (the first row when none has it); false
  // when the table is empty.
  bool locate_current();
  // The current row (after locate_current or pick).
  QuoteSource current();
  // Every row, in file order, for the source picker.
  std::vector<QuoteSource> all();
  // Makes `hqcode` the current source: NOW false on every row, then true on
  // its row, each posted. False, with nothing changed, when no row has it.
  bool pick(const std::string& hqcode);
  // Stores `dir` as the current row's PATH. A directory longer than the
  // field is refused with a message (a cut path would point elsewhere).
  bool set_path(const std::string& dir, platform::Dialogs& dialogs);
  // The program directory (alias curr), against which relative paths count.
  std::filesystem::path program_dir() const;

 private:
  store::Session& m_session;
  store::Cursor m_cursor;
};

}  // namespace vmx::market
