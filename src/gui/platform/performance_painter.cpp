#include "gui/platform/performance_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <memory>

#include "core/store/error.h"

namespace vmx::platform {

namespace {

QFont chart_font(double pixels, bool bold = false) {
  QFont f;
  f.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                 QStringLiteral("Microsoft YaHei"), QStringLiteral("SimHei"),
                 QStringLiteral("Sans Serif")});
  f.setPixelSize(static_cast<int>(pixels));
  f.setBold(bold);
  return f;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

// Ticks 1, 2 or 5 times a power of ten, about `want` of them over [low, high].
std::vector<double> nice_ticks(double low, double high, int want) {
  std::vector<double> ticks;
  const double span = high - low;
  if (!(span > 0) || want < 1) return ticks;
  const double raw = span / want;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  double step = power;
  for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (m * power >= raw) {
      step = m * power;
      break;
    }
  for (double t = std::ceil(low / step) * step; t <= high + step * 1e-9; t += step)
    ticks.push_back(std::abs(t) < step * 1e-9 ? 0 : t);
  return ticks;
}

int decimals_for(const std::vector<double>& ticks) {
  if (ticks.size() < 2) return 2;
  const double step = ticks[1] - ticks[0];
  return std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 4);
}

struct Plot {
  QRectF r;
  double day_from, day_to, low, high;
  double x(double day) const {
    if (day_to <= day_from) return r.center().x();
    return r.left() + (day - day_from) / (day_to - day_from) * r.width();
  }
  double y(double m) const { return r.bottom() - (m - low) / (high - low) * r.height(); }
};

// The line's points as drawn: past four points a pixel, each pixel column
// keeps its first, lowest, highest and last point, which looks the same.
QPolygonF polyline(const Plot& p, const std::vector<std::pair<int, double>>& points) {
  QPolygonF poly;
  const bool thin = points.size() > static_cast<size_t>(p.r.width() * 4);
  if (!thin) {
    poly.reserve(static_cast<qsizetype>(points.size()));
    for (const auto& [day, m] : points) poly << QPointF(p.x(day), p.y(m));
    return poly;
  }
  long column = -1;
  double first = 0, low = 0, high = 0, last = 0, px = 0;
  auto flush = [&] {
    if (column < 0) return;
    poly << QPointF(px, p.y(first)) << QPointF(px, p.y(low)) << QPointF(px, p.y(high))
         << QPointF(px, p.y(last));
  };
  for (const auto& [day, m] : points) {
    const double x = p.x(day);
    const long c = static_cast<long>(std::floor(x));
    if (c != column) {
      flush();
      column = c;
      px = x;
      first = low = high = m;
    }
    low = std::min(low, m);
    high = std::max(high, m);
    last = m;
  }
  flush();
  return poly;
}

void date_axis(QPainter& g, const Plot& p, const chart::Picture& pic) {
  const QFontMetricsF fm(g.font());
  const double span = p.day_to - p.day_from;
  const double room = std::max(1.0, p.r.width() / (fm.horizontalAdvance("2026-12") + 28));
  std::vector<std::pair<int, QString>> ticks;  // day, label
  if (span <= 62) {
    const int step = span <= room ? 1 : span <= room * 7 ? 7 : 14;
    for (int day = static_cast<int>(p.day_from); day <= p.day_to; day += step) {
      const Date d = pic.first_date.add_days(day);
      ticks.emplace_back(day, QString::asprintf("%02d-%02d", d.month(), d.day()));
    }
  } else {
    const double months = span / 30.44;
    int step = 120;
    for (int s : {1, 2, 3, 6, 12, 24, 60, 120})
      if (months / s <= room) {
        step = s;
        break;
      }
    const Date from = pic.first_date.add_days(static_cast<int>(p.day_from));
    int y = from.year(), m = from.month();
    for (;;) {
      if (++m > 12) {
        m = 1;
        ++y;
      }
      const int index = (y * 12 + m - 1);
      if (index % step != 0) continue;
      const int day = Date::from_ymd(y, m, 1) - pic.first_date;
      if (day > p.day_to) break;
      ticks.emplace_back(day,
                         step >= 12 ? QString::number(y) : QString::asprintf("%04d-%02d", y, m));
    }
  }
  for (const auto& [day, label] : ticks) {
    const double x = p.x(day);
    g.setPen(QPen(QColor(0xe3, 0xe6, 0xea), 1));
    g.drawLine(QPointF(x, p.r.top()), QPointF(x, p.r.bottom()));
    g.setPen(QColor(0x55, 0x5b, 0x63));
    g.drawLine(QPointF(x, p.r.bottom()), QPointF(x, p.r.bottom() + 4));
    const double w = fm.horizontalAdvance(label);
    g.drawText(QPointF(x - w / 2, p.r.bottom() + 6 + fm.ascent()), label);
  }
}

void multiples_axis(QPainter& g, const Plot& p) {
  const QFontMetricsF fm(g.font());
  const std::vector<double> ticks = nice_ticks(p.low, p.high, std::max(3, int(p.r.height() / 48)));
  const int decimals = decimals_for(ticks);
  for (double t : ticks) {
    const double y = p.y(t);
    g.setPen(QPen(QColor(0xe3, 0xe6, 0xea), 1));
    g.drawLine(QPointF(p.r.left(), y), QPointF(p.r.right(), y));
    g.setPen(QColor(0x55, 0x5b, 0x63));
    const QString label = QString::number(t, 'f', decimals);
    g.drawText(QPointF(p.r.left() - 8 - fm.horizontalAdvance(label), y + fm.ascent() / 2 - 1),
               label);
  }
  if (p.low <= 1 && p.high >= 1) {
    g.setPen(QPen(QColor(0x99, 0x9f, 0xa8), 1, Qt::DashLine));
    g.drawLine(QPointF(p.r.left(), p.y(1)), QPointF(p.r.right(), p.y(1)));
  }
  g.save();
  g.translate(p.r.left() - 52, p.r.center().y());
  g.rotate(-90);
  const QString title = QStringLiteral("增值倍数");
  g.drawText(QPointF(-fm.horizontalAdvance(title) / 2, 0), title);
  g.restore();
}

void candles(QPainter& g, const Plot& p, const chart::Picture& pic) {
  const double week = std::max(1.0, (p.x(7) - p.x(0)) * 0.7);
  for (const chart::Candle& w : pic.candles) {
    const double mid = p.x((w.first_day + w.last_day) / 2.0);
    const bool up = w.close >= w.open;
    const QColor c = up ? series_colour(4) : series_colour(5);
    g.setPen(QPen(c, 1));
    g.drawLine(QPointF(mid, p.y(w.high)), QPointF(mid, p.y(w.low)));
    const double top = p.y(std::max(w.open, w.close));
    const double h = std::max(1.0, p.y(std::min(w.open, w.close)) - top);
    const QRectF body(mid - week / 2, top, week, h);
    if (up)
      g.fillRect(body, Qt::white);
    else
      g.fillRect(body, c);
    g.drawRect(body);
  }
}

void legend(QPainter& g, const QRectF& area, const chart::Picture& pic) {
  const QFontMetricsF fm(g.font());
  double x = area.right();
  for (size_t k = 4; k-- > 0;) {
    const chart::Picture::Line& line = pic.lines[k];
    const QString name = q(line.name) + (k == 0 && pic.weekly ? QStringLiteral("(周K线)") : "");
    x -= fm.horizontalAdvance(name) + 34;
    const double y = area.top() + 12;
    g.setPen(QPen(line.drawn ? series_colour(k) : QColor(0xbb, 0xbb, 0xbb), 3));
    g.drawLine(QPointF(x, y), QPointF(x + 22, y));
    g.setPen(line.drawn ? QColor(0x22, 0x22, 0x22) : QColor(0xaa, 0xaa, 0xaa));
    g.drawText(QPointF(x + 27, y + fm.ascent() / 2 - 1), name);
  }
}

}  // namespace

QColor series_colour(size_t line) {
  static const QColor colours[] = {QColor(0xb0, 0x1e, 0x2a), QColor(0x1f, 0x6f, 0xc5),
                                   QColor(0xe0, 0x8a, 0x12), QColor(0x6c, 0x3f, 0xb0),
                                   QColor(0xd6, 0x27, 0x28), QColor(0x1a, 0x9e, 0x4a)};
  return colours[std::min<size_t>(line, 5)];
}

QColor panel_row_colour(size_t row) {
  // The panel's rows are price, total, Shenzhen, Shanghai; the lines' order
  // is price, Shenzhen, Shanghai, total.
  static const size_t line_of[] = {0, 3, 1, 2};
  return series_colour(line_of[std::min<size_t>(row, 3)]);
}

void paint_performance_chart(QPainter& g, const QRectF& area, const chart::Picture& pic) {
  g.save();
  g.setRenderHint(QPainter::Antialiasing);
  g.fillRect(area, Qt::white);
  g.setFont(chart_font(15, true));
  g.setPen(QColor(0x22, 0x22, 0x22));
  g.drawText(QPointF(area.left() + 12, area.top() + 20), QStringLiteral("基金业绩与深沪指数比较"));
  g.setFont(chart_font(13));
  legend(g, area.adjusted(0, 8, -14, 0), pic);

  const QRectF plot_area = area.adjusted(78, 44, -20, -34);
  g.setPen(QColor(0xc5, 0xca, 0xd1));
  g.drawRect(plot_area);
  if (pic.empty()) {
    g.setPen(QColor(0xb0, 0x1e, 0x2a));
    g.drawText(plot_area, Qt::AlignCenter, q(pic.panel.message));
    g.restore();
    return;
  }
  double low = pic.low, high = pic.high;
  if (!(high > low)) {
    low -= 0.05;
    high += 0.05;
  }
  const double pad = (high - low) * 0.06;
  Plot p{plot_area, double(pic.day_from), double(pic.day_to), low - pad, high + pad};
  if (p.day_to <= p.day_from) p.day_to = p.day_from + 1;

  g.setFont(chart_font(12));
  multiples_axis(g, p);
  date_axis(g, p, pic);

  g.setClipRect(plot_area.adjusted(-1, -1, 1, 1));
  for (size_t k = 4; k-- > 0;) {
    const chart::Picture::Line& line = pic.lines[k];
    if (!line.drawn || (k == 0 && pic.weekly)) continue;
    g.setPen(
        QPen(series_colour(k), k == 0 ? 2.2 : 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    g.drawPolyline(polyline(p, line.points));
  }
  if (pic.weekly) candles(g, p, pic);
  g.setClipping(false);

  // The comparison line: every series stands at 1 here.
  const double xc = p.x(pic.day_c);
  g.setPen(QPen(QColor(0x33, 0x33, 0x33), 1.4, Qt::DashLine));
  g.drawLine(QPointF(xc, plot_area.top()), QPointF(xc, plot_area.bottom()));
  const QString start = QStringLiteral("比较起点 ") + q(pic.panel.start_date);
  const QFontMetricsF fm(g.font());
  const double w = fm.horizontalAdvance(start) + 10;
  const double lx = xc + w + 4 > plot_area.right() ? xc - w - 4 : xc + 4;
  const QRectF tag(lx, plot_area.top() + 4, w, fm.height() + 4);
  g.fillRect(tag, QColor(255, 255, 255, 225));
  g.setPen(QColor(0x33, 0x33, 0x33));
  g.drawText(tag, Qt::AlignCenter, start);
  if (!pic.panel.message.empty()) {
    g.setFont(chart_font(14, true));
    g.setPen(QColor(0xb0, 0x1e, 0x2a));
    g.drawText(plot_area.adjusted(0, 30, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
               q(pic.panel.message));
  }
  g.restore();
}

void paint_performance_panel(QPainter& g, const QRectF& area, const chart::Panel& panel) {
  g.save();
  g.setRenderHint(QPainter::Antialiasing);
  g.fillRect(area, Qt::white);
  g.setFont(chart_font(13));
  const QFontMetricsF fm(g.font());
  const double row_h = fm.height() + 6;
  const QString heads[] = {QStringLiteral("项目"), QStringLiteral("起点 ") + q(panel.start_date),
                           QStringLiteral("终点 ") + q(panel.end_date), QStringLiteral("增长(%)")};
  const double widths[] = {70, 170, 170, 100};
  double top = area.top() + 6;
  auto row = [&](const QString* cells, bool head, size_t panel_row) {
    double x = area.left() + 12;
    for (int c = 0; c < 4; ++c) {
      const QRectF cell(x, top, widths[c], row_h);
      g.setPen(head     ? QColor(0x55, 0x5b, 0x63)
               : c == 0 ? panel_row_colour(panel_row)
                        : QColor(0x22, 0x22, 0x22));
      g.drawText(cell.adjusted(4, 0, -8, 0),
                 (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, cells[c]);
      x += widths[c];
    }
    top += row_h;
  };
  row(heads, true, 0);
  g.setPen(QColor(0xc5, 0xca, 0xd1));
  g.drawLine(QPointF(area.left() + 12, top), QPointF(area.left() + 522, top));
  for (size_t r = 0; r < panel.rows.size(); ++r) {
    const auto& pr = panel.rows[r];
    const QString cells[] = {q(pr.name), q(pr.start), q(pr.end), q(pr.gain)};
    row(cells, false, r);
  }
  if (!panel.message.empty()) {
    g.setPen(QColor(0xb0, 0x1e, 0x2a));
    g.drawText(QRectF(area.left() + 540, area.top() + 6, area.width() - 550, area.height() - 12),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, q(panel.message));
  }
  g.restore();
}

QImage render_performance(const chart::Picture& pic, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter g(&image);
  const QRectF all(0, 0, size.width(), size.height());
  paint_performance_chart(g, all.adjusted(0, 0, 0, -kPerformancePanelHeight), pic);
  paint_performance_panel(
      g, QRectF(0, size.height() - kPerformancePanelHeight, size.width(), kPerformancePanelHeight),
      pic.panel);
  return image;
}

void write_performance_png(const chart::Picture& pic, QSize size,
                           const std::filesystem::path& file) {
  std::unique_ptr<QGuiApplication> app;
  static int argc = 3;
  static char arg0[] = "valmorix", arg1[] = "-platform", arg2[] = "offscreen";
  static char* argv[] = {arg0, arg1, arg2, nullptr};
  if (!QGuiApplication::instance()) app = std::make_unique<QGuiApplication>(argc, argv);
  if (!render_performance(pic, size).save(QString::fromStdString(file.string()), "PNG"))
    throw store::Error(file.string() + ": cannot write the picture");
}

}  // namespace vmx::platform
