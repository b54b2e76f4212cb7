#include "core/chart/performance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/fund/fund_record.h"
#include "core/ledger/report/page_frame.h"
#include "core/store/cursor.h"
#include "core/store/rounding.h"

namespace vmx::chart {

namespace {

constexpr const char* kSettingsFile = "parameter.DBF";

// A series' values by point number (1-based).
double at(const std::vector<double>& v, int i) { return v[static_cast<size_t>(i - 1)]; }
int day_at(const Series& d, int i) { return d.day[static_cast<size_t>(i - 1)]; }
Date date_at(const Series& d, int i) { return d.date[static_cast<size_t>(i - 1)]; }

// The first point whose date is after (or on, with `on`) `limit`; n when none.
int first_point(const Series& d, Date limit, bool on) {
  for (int i = 1; i <= d.n(); ++i)
    if (on ? date_at(d, i) >= limit : date_at(d, i) > limit) return i;
  return std::max(d.n(), 1);
}

// round(v x 100) x 0.01, shown with two decimals.
std::string two_decimals(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", store::round_half_even(v * 100) * 0.01);
  std::string s = buf;
  return s == "-0.00" ? "0.00" : s;
}

Panel::Row panel_row(const char* name, double start, double end, bool rounded) {
  Panel::Row r;
  r.name = name;
  r.start = rounded ? two_decimals(start) : ledger::report::general_number(start);
  r.end = rounded ? two_decimals(end) : ledger::report::general_number(end);
  r.gain = start == 0 ? kNoReturn : two_decimals((end - start) / start * 100);
  return r;
}

}  // namespace

Series readdata(store::Cursor& c) {
  Series d;
  Date first;
  for (c.first(); !c.eof(); c.next()) {
    if (c.is_blank("DT")) continue;
    const Date date = c.get_date("DT");
    if (d.n() == 0) first = date;
    const int day = date - first;
    if (d.n() > 0 && day == 0) continue;
    const bool has_previous = d.n() > 0;
    double price = c.get_double("PRICE");
    if (price == 0 && has_previous) price = d.price.back();
    double sz = c.get_double("SZ"), shz = c.get_double("SHZ");
    if (sz < 10 && has_previous) sz = d.sz.back();
    if (shz < 10 && has_previous) shz = d.shz.back();
    d.date.push_back(date);
    d.day.push_back(day);
    d.price.push_back(price);
    // A money row the unit price pass has not reached yet holds no total:
    // the fund did not drop to nothing, so the line goes on at its level.
    double fund = c.get_double("FUND");
    if (fund == 0 && has_previous) fund = d.fund.back();
    d.fund.push_back(fund);
    d.sz.push_back(sz);
    d.shz.push_back(shz);
  }
  return d;
}

Series readdata(store::Session& session) {
  store::Cursor c(session, "ubx", fund::kFundFile);
  c.open();
  return readdata(c);
}

const std::array<const char*, 4>& start_captions() {
  static const std::array<const char*, 4> c = {"从头开始", "本年初", "上年初", "自某日"};
  return c;
}

int left_for(int s, int n) {
  const int back = static_cast<int>(store::round_half_even((n - s) * 0.25));
  return std::max(1, s - back);
}

View choose_start(const Series& d, Start start, Date box) {
  View v;
  if (d.n() == 0) return v;
  switch (start) {
    case Start::FromBeginning:
      return v;
    case Start::ThisYear:
    case Start::LastYear: {
      const int year = date_at(d, d.n()).year() - (start == Start::ThisYear ? 1 : 2);
      v.s = first_point(d, Date::from_ymd(year, 12, 31), false);
      break;
    }
    case Start::FromDate:
      v.s = first_point(d, box, true);
      break;
  }
  v.c = v.s;
  v.left = left_for(v.s, d.n());
  return v;
}

std::optional<std::string> check_date(const Series& d, std::string_view text) {
  const std::optional<Date> date = Date::parse(text);
  if (!date) return std::string(kBadDate);
  if (d.n() == 0 || *date > date_at(d, d.n()) || *date < date_at(d, 1))
    return std::string(kDateOutOfRange);
  return std::nullopt;
}

void compress(View& v, int n) {
  v.c = std::max(n, 1);
  if (v.left > 6) v.left -= 5;
}

void stretch(View& v, int n) {
  v.c = std::max(n, 1);
  if (v.s - v.left > 10) v.left += 5;
}

int scroll_point(const Series& d, int left, int position) {
  if (d.n() == 0) return 1;
  left = std::clamp(left, 1, d.n());
  const double target =
      static_cast<double>(day_at(d, d.n()) - day_at(d, left)) * position / kScrollMax;
  const double want = store::round_half_even(target);
  for (int i = left; i <= d.n(); ++i)
    if (day_at(d, i) - day_at(d, left) >= want) return i;
  return d.n();
}

Panel statistics_panel(const Series& d, int c) {
  Panel p;
  if (d.n() == 0) {
    p.message = kZeroStart;
    return p;
  }
  c = std::clamp(c, 1, d.n());
  const int n = d.n();
  p.start_date = date_at(d, c).to_string();
  p.end_date = date_at(d, n).to_string();
  p.rows = {panel_row("价格", at(d.price, c), at(d.price, n), true),
            panel_row("总值", at(d.fund, c), at(d.fund, n), false),
            panel_row("深指", at(d.sz, c), at(d.sz, n), false),
            panel_row("沪指", at(d.shz, c), at(d.shz, n), false)};
  if (at(d.price, c) == 0 || at(d.fund, c) == 0 || at(d.sz, c) == 0 || at(d.shz, c) == 0)
    p.message = kZeroStart;
  return p;
}

std::vector<Candle> for_K_data(const Series& d) {
  std::vector<Candle> weeks;
  if (d.n() == 0) return weeks;
  const int last = d.day.back();
  // The daily series: each point's value on its day (the day's last point
  // wins), the days between two points on the line between them.
  std::vector<double> daily(static_cast<size_t>(last) + 1);
  for (int i = 1; i <= d.n(); ++i) {
    const int day = day_at(d, i);
    daily[static_cast<size_t>(day)] = at(d.price, i);
    if (i < d.n()) {
      const int next = day_at(d, i + 1);
      for (int k = day + 1; k < next; ++k)
        daily[static_cast<size_t>(k)] =
            at(d.price, i) + (at(d.price, i + 1) - at(d.price, i)) * (k - day) / (next - day);
    }
  }
  for (int first = 0; first <= last;) {
    const int end = first == 0 ? last % 7 : first + 6;
    Candle w{first,
             end,
             daily[static_cast<size_t>(first)],
             daily[static_cast<size_t>(first)],
             daily[static_cast<size_t>(first)],
             daily[static_cast<size_t>(end)]};
    for (int k = first; k <= end; ++k) {
      w.high = std::max(w.high, daily[static_cast<size_t>(k)]);
      w.low = std::min(w.low, daily[static_cast<size_t>(k)]);
    }
    weeks.push_back(w);
    first = end + 1;
  }
  return weeks;
}

Picture picture(const Series& d, const View& view, bool weekly) {
  Picture p;
  p.weekly = weekly;
  const char* names[] = {"价格", "深指", "沪指", "总值"};
  for (size_t k = 0; k < 4; ++k) p.lines[k].name = names[k];
  p.panel = statistics_panel(d, view.c);
  if (d.n() == 0) return p;
  const int n = d.n();
  const int left = std::clamp(view.left, 1, n);
  const int c = std::clamp(view.c, 1, n);
  p.first_date = date_at(d, 1);
  p.day_from = day_at(d, left);
  p.day_to = day_at(d, n);
  p.day_c = day_at(d, c);
  const std::vector<double>* values[] = {&d.price, &d.sz, &d.shz, &d.fund};
  bool any = false;
  for (size_t k = 0; k < 4; ++k) {
    const double base = at(*values[k], c);
    Picture::Line& line = p.lines[k];
    line.drawn = base != 0;
    if (!line.drawn) continue;
    line.points.reserve(static_cast<size_t>(n - left + 1));
    for (int i = left; i <= n; ++i) {
      const double m = at(*values[k], i) / base;
      line.points.emplace_back(day_at(d, i), m);
      if (!(weekly && k == 0)) {
        p.low = any ? std::min(p.low, m) : m;
        p.high = any ? std::max(p.high, m) : m;
        any = true;
      }
    }
  }
  if (weekly && p.lines[0].drawn) {
    const double base = at(d.price, c);
    for (Candle w : for_K_data(d)) {
      if (w.last_day < p.day_from) continue;
      w.open /= base;
      w.high /= base;
      w.low /= base;
      w.close /= base;
      p.low = any ? std::min(p.low, w.low) : w.low;
      p.high = any ? std::max(p.high, w.high) : w.high;
      any = true;
      p.candles.push_back(w);
    }
  }
  return p;
}

std::optional<std::string> read_startp(store::Session& session) {
  store::Cursor c(session, "curr", kSettingsFile);
  c.open();
  if (!c.locate("NAME", {store::Value::text(kStartSetting)})) return std::nullopt;
  return c.get_string("PARA");
}

void write_startp(store::Session& session, const std::string& text) {
  store::Cursor c(session, "curr", kSettingsFile);
  c.open();
  if (c.locate("NAME", {store::Value::text(kStartSetting)})) {
    c.edit();
  } else {
    c.append();
    c.set_string("NAME", kStartSetting);
  }
  c.set_string("PARA", text);
  c.post();
}

std::string opening_date_text(store::Session& session, Date today) {
  const std::optional<std::string> stored = read_startp(session);
  if (stored && Date::parse(*stored)) return *stored;
  return today.add_days(-30).to_string();
}

}  // namespace vmx::chart
