#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/date.h"
#include "core/store/session.h"

namespace vmx::store {
class Cursor;
}

// The performance chart of the pooled fund against the two indices, from the
// fund ledger fund2.DB: the unit price, the Shenzhen and Shanghai indices and
// the total value, each drawn as a multiple of its value at a comparison
// point, with the numbers of the statistics panel and the weekly K-lines of
// the price. Point numbers (s, c, left) count from 1, as the window's rules
// are written.
namespace vmx::chart {

// The series in memory, one point a ledger row read.
struct Series {
  std::vector<Date> date;
  std::vector<int> day;  // whole days from the first point's date
  std::vector<double> price, fund, sz, shz;
  int n() const { return static_cast<int>(date.size()); }
};

// readdata: walks the fund ledger from its first row in DT order. Rows after
// the first that share the first row's date are skipped; a price of 0 and an
// index below 10 take the previous point's value. Rows without a date are
// passed over (they have no place on a time axis).
Series readdata(store::Cursor& fund_ledger);
// The same over fund2.DB of alias ubx, opened for the walk in key order.
Series readdata(store::Session& session);

// The radio group "时间比较起点", in item order.
enum class Start { FromBeginning = 0, ThisYear = 1, LastYear = 2, FromDate = 3 };
const std::array<const char*, 4>& start_captions();

// The comparison start s, the point c of the vertical line, the first point
// drawn.
struct View {
  int s = 1, c = 1, left = 1;
};

// left := s - round((n - s) x 0.25), at least 1: a quarter of the compared
// span before the start.
int left_for(int s, int n);

// The view for a start choice (c = s). `box` is the date of the date box,
// used by FromDate: the first point on or after it (the last point when every
// point is earlier). ThisYear and LastYear start at the first point after 31
// December of one or two years before the last point's year. An empty
// series gives the view {1, 1, 1}.
View choose_start(const Series& data, Start start, Date box);

// The date box's check (Edit1Exit).
inline constexpr const char* kBadDate = "日期格式错误，请修改!";
inline constexpr const char* kDateOutOfRange = "日期超出范围，请修改!";
// The message when a date cannot be used, nullopt when it can: not a date,
// or earlier than the first point or later than the last.
std::optional<std::string> check_date(const Series& data, std::string_view text);

// "压缩图形": c := n, and when left > 6, left := left - 5. "拉伸图形": c := n,
// and when s - left > 10, left := left + 5.
void compress(View& view, int n);
void stretch(View& view, int n);

// The scroll bar's positions and its start.
inline constexpr int kScrollMax = 300;
inline constexpr int kScrollStart = 150;
// The point the scroll bar at `position` puts the vertical line on: the first
// point from left on whose day reaches round((day_n - day_left) x position / 300)
// days after day_left.
int scroll_point(const Series& data, int left, int position);

// The statistics panel: start and end values at c and n and the returns.
inline constexpr const char* kZeroStart = "起始资产或价格为0,请事后进入基金管理窗口检查!";
inline constexpr const char* kNoReturn = "999.99";
struct Panel {
  struct Row {
    std::string name;              // 价格, 总值, 深指, 沪指
    std::string start, end, gain;  // gain in percent; kNoReturn when the start is 0
  };
  std::string start_date, end_date;
  std::array<Row, 4> rows;
  // kZeroStart when a series cannot be drawn (its start value is 0, or the
  // ledger has no rows); empty otherwise.
  std::string message;
};
Panel statistics_panel(const Series& data, int c);

// One week of the K-lines: its first and last day and the open, high, low
// and close of the price over its days.
struct Candle {
  int first_day = 0, last_day = 0;
  double open = 0, high = 0, low = 0, close = 0;
};
// for_K_data: the price over every calendar day from day 0 to day_n (days
// between two points on the straight line between them; a day with several
// points takes the last), cut into weeks of 7 counted back from the last day,
// so the oldest week holds (day_n mod 7) + 1 days.
std::vector<Candle> for_K_data(const Series& data);

// What the chart draws: the four series from left to n as multiples of their
// value at c, the vertical line at c, the K-lines when weekly.
struct Picture {
  struct Line {
    std::string name;                            // 价格, 深指, 沪指, 总值
    std::vector<std::pair<int, double>> points;  // (day, multiple)
    bool drawn = false;                          // false when its value at c is 0
  };
  Date first_date;               // the date of day 0
  int day_from = 0, day_to = 0;  // the days of left and n
  int day_c = 0;
  std::array<Line, 4> lines;
  bool weekly = false;          // the price as K-lines instead of its line
  std::vector<Candle> candles;  // weeks reaching into the range, as multiples
  double low = 1, high = 1;     // the multiples drawn
  Panel panel;
  bool empty() const { return lines[0].points.empty(); }
};
Picture picture(const Series& data, const View& view, bool weekly);

// The comparison start kept in parameter.DBF (alias curr) under "startp":
// the date box's text; nullopt without the row.
inline constexpr const char* kStartSetting = "startp";
std::optional<std::string> read_startp(store::Session& session);
// Stores the text (cut to the field's 30 bytes), appending the row when missing.
void write_startp(store::Session& session, const std::string& text);

// The date box on opening: the stored "startp" when it is a date, else
// `today` minus 30 days.
std::string opening_date_text(store::Session& session, Date today);

}  // namespace vmx::chart
