#include "core/chart/performance.h"

#include <gtest/gtest.h>

#include "core/install/installation.h"
#include "core/store/cursor.h"
#include "support/temp_dir.h"

using namespace vmx;
using namespace vmx::chart;

namespace {

const Date kStart = Date::from_ymd(2022, 6, 1);

// n points a week apart from kStart, price 1 + i/100, other series constant.
Series weekly_points(int n) {
  Series d;
  for (int i = 0; i < n; ++i) {
    d.date.push_back(kStart.add_days(7 * i));
    d.day.push_back(7 * i);
    d.price.push_back(1 + i / 100.0);
    d.fund.push_back(1e6);
    d.sz.push_back(9000);
    d.shz.push_back(3000);
  }
  return d;
}

Series points(std::vector<std::pair<int, double>> day_price) {
  Series d;
  for (auto [day, price] : day_price) {
    d.date.push_back(kStart.add_days(day));
    d.day.push_back(day);
    d.price.push_back(price);
    d.fund.push_back(100);
    d.sz.push_back(1000);
    d.shz.push_back(2000);
  }
  return d;
}

class ChartTables : public ::testing::Test {
 protected:
  void SetUp() override {
    store::init_installation(dir.path(), false, Date::from_ymd(2024, 3, 15));
    session.set_alias("curr", dir.path());
    session.set_alias("ubx", dir.path() / store::kMyAccountDir);
  }
  test::TempDir dir;
  store::Session session;
};

}  // namespace

// Rows sharing the first row's date are skipped (later same-date rows are
// points); a price or total of 0 and an index below 10 take the previous
// point's value.
TEST_F(ChartTables, ReaddataSkipsFirstDateRepeatsAndFillsGaps) {
  store::Cursor c(session, "ubx", "fund2.DB");
  c.open();
  struct Row {
    int day;
    const char* code;
    double price, fund, sz, shz;
  };
  const Row rows[] = {{0, "***", 1.0, 100, 1000, 2000},
                      {0, "zs", 1.01, 101, 1001, 2001},
                      {1, "***", 0, 110, 5, 2100},
                      {3, "***", 1.2, 0, 1100, 9},
                      {3, "zs", 1.25, 150, 1100, 2150}};
  int num = 1;
  for (const Row& r : rows) {
    c.append();
    c.set_date("DT", kStart.add_days(r.day));
    c.set_string("PYCODE", r.code);
    c.set_int("Num", num++);
    c.set_double("PRICE", r.price);
    c.set_double("FUND", r.fund);
    c.set_double("SZ", r.sz);
    c.set_double("SHZ", r.shz);
    c.post();
  }
  const Series d = readdata(session);
  EXPECT_EQ(d.day, (std::vector<int>{0, 1, 3, 3}));
  EXPECT_EQ(d.price, (std::vector<double>{1.0, 1.0, 1.2, 1.25}));
  EXPECT_EQ(d.fund, (std::vector<double>{100, 110, 110, 150}));
  EXPECT_EQ(d.sz, (std::vector<double>{1000, 1000, 1100, 1100}));
  EXPECT_EQ(d.shz, (std::vector<double>{2000, 2100, 2100, 2150}));
}

// 100 points a week apart from 2022-06-01 (the last on 2024-04-24).
TEST(Chart, StartChoicesDateCheckCompressStretchAndScrollBar) {
  const Series d = weekly_points(100);
  struct Case {
    Start start;
    int box_day;  // the date box as days from the first point
    int s, left;
  };
  const Case starts[] = {
      {Start::FromBeginning, 0, 1, 1},
      {Start::LastYear, 0, 32, 15},     // the first point after 2022-12-31 (day 213)
      {Start::ThisYear, 0, 84, 80},     // after 2023-12-31 (day 578)
      {Start::FromDate, 420, 61, 51},   // 61 - round(39 x 0.25)
      {Start::FromDate, 421, 62, 52},   // 62 - round(9.5), the half to even
      {Start::FromDate, -5, 1, 1},      // before the first point
      {Start::FromDate, 900, 100, 100}  // after the last
  };
  for (const Case& c : starts) {
    const View v = choose_start(d, c.start, kStart.add_days(c.box_day));
    EXPECT_EQ(v.s, c.s) << static_cast<int>(c.start) << " " << c.box_day;
    EXPECT_EQ(v.c, c.s);
    EXPECT_EQ(v.left, c.left) << static_cast<int>(c.start) << " " << c.box_day;
  }

  const struct {
    const char* text;
    const char* message;
  } checks[] = {{"2022-06-01", nullptr},  {"2022-05-31", kDateOutOfRange},
                {"2024-04-24", nullptr},  {"2024-04-25", kDateOutOfRange},
                {"2022-13-01", kBadDate}, {"abc", kBadDate}};
  for (const auto& c : checks) {
    const auto m = check_date(d, c.text);
    EXPECT_EQ(m.value_or(""), c.message ? c.message : "") << c.text;
  }

  View v{61, 61, 51};
  compress(v, d.n());
  EXPECT_EQ(v.c, 100);
  EXPECT_EQ(v.left, 46);
  stretch(v, d.n());
  EXPECT_EQ(v.left, 51);
  stretch(v, d.n());  // s - left = 10: no further
  EXPECT_EQ(v.left, 51);
  View narrow{10, 10, 6};
  compress(narrow, d.n());
  EXPECT_EQ(narrow.left, 6);

  // From left 51 (day 350) to day 693: the middle is 171.5 days on, rounded
  // to 172; the first point at least that far is day 525, point 76.
  EXPECT_EQ(scroll_point(d, 51, 150), 76);
  EXPECT_EQ(scroll_point(d, 51, 0), 51);
  EXPECT_EQ(scroll_point(d, 51, 300), 100);
}

TEST(Chart, WeeksOfTheKLinesCountBackFromTheLastDay) {
  struct Case {
    std::vector<std::pair<int, double>> points;
    std::vector<Candle> weeks;
  };
  const Case cases[] = {
      // Days 0..9: the oldest week holds (9 mod 7) + 1 = 3 days.
      {{{0, 2}, {2, 1}, {9, 8}}, {{0, 2, 2, 2, 1, 1}, {3, 9, 2, 8, 2, 8}}},
      // Two points on day 6: the day takes the last; two whole weeks.
      {{{0, 1}, {6, 2}, {6, 4}, {13, 4}}, {{0, 6, 1, 4, 1, 4}, {7, 13, 4, 4, 4, 4}}},
      {{{0, 5}}, {{0, 0, 5, 5, 5, 5}}},
  };
  for (const Case& c : cases) {
    const std::vector<Candle> weeks = for_K_data(points(c.points));
    ASSERT_EQ(weeks.size(), c.weeks.size());
    for (size_t i = 0; i < weeks.size(); ++i) {
      const Candle& w = weeks[i];
      const Candle& e = c.weeks[i];
      EXPECT_EQ(w.first_day, e.first_day);
      EXPECT_EQ(w.last_day, e.last_day);
      EXPECT_DOUBLE_EQ(w.open, e.open);
      EXPECT_DOUBLE_EQ(w.high, e.high);
      EXPECT_DOUBLE_EQ(w.low, e.low);
      EXPECT_DOUBLE_EQ(w.close, e.close);
    }
  }
}

TEST(Chart, PanelAndPictureCompareWithThePointOfTheLine) {
  Series d = points({{0, 1.2345}, {5, 1.5}, {9, 1.8}});
  d.fund = {1000, 1500, 0};
  d.sz = {0, 1100, 1210};
  Panel p = statistics_panel(d, 2);
  EXPECT_EQ(p.start_date, kStart.add_days(5).to_string());
  EXPECT_EQ(p.rows[0].start + " " + p.rows[0].end + " " + p.rows[0].gain, "1.50 1.80 20.00");
  EXPECT_EQ(p.rows[1].start + " " + p.rows[1].end + " " + p.rows[1].gain, "1500 0 -100.00");
  EXPECT_EQ(p.rows[2].gain, "10.00");
  EXPECT_TRUE(p.message.empty());
  p = statistics_panel(d, 1);
  EXPECT_EQ(p.rows[0].start, "1.23");
  EXPECT_EQ(p.rows[2].gain, kNoReturn);
  EXPECT_EQ(p.message, kZeroStart);
  EXPECT_EQ(statistics_panel(Series{}, 1).message, kZeroStart);

  const Picture pic = picture(d, View{2, 2, 1}, true);
  EXPECT_EQ(pic.day_c, 5);
  EXPECT_EQ(pic.lines[0].name, "价格");
  ASSERT_EQ(pic.lines[0].points.size(), 3u);
  EXPECT_DOUBLE_EQ(pic.lines[0].points[1].second, 1.0);
  EXPECT_DOUBLE_EQ(pic.lines[3].points[2].second, 0.0);  // 总值 fell to nothing
  EXPECT_EQ(pic.candles.size(), 2u);
  EXPECT_DOUBLE_EQ(pic.candles.back().close, 1.2);
  EXPECT_FALSE(picture(d, View{1, 1, 1}, false).lines[1].drawn);  // 深指 0 at the start
}

TEST_F(ChartTables, StartDateIsKeptInTheParameterTable) {
  const Date today = Date::from_ymd(2024, 3, 15);
  EXPECT_EQ(opening_date_text(session, today), "2024-02-14");
  write_startp(session, "2023-01-05");
  write_startp(session, "2023-02-06");
  EXPECT_EQ(read_startp(session).value_or(""), "2023-02-06");
  EXPECT_EQ(opening_date_text(session, today), "2023-02-06");
  write_startp(session, "next week");
  EXPECT_EQ(opening_date_text(session, today), "2024-02-14");
  store::Cursor c(session, "curr", "parameter.DBF");
  c.open();
  EXPECT_EQ(c.count(), 1u);
}
