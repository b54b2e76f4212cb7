#include "gui/optimise/game_chart_widget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace vmx::optimise {

namespace {

// Past this a doubled scale would no longer be a finite number to draw with.
constexpr double kLargestScale = 1e300;

}  // namespace

QStringList axis_labels(const std::vector<double>& ticks) {
  // Plain numbers while every tick reads well so; otherwise every one in
  // short exponent form ("1e8", "1.05e8"), never the two mixed on one axis.
  bool plain = true;
  for (double v : ticks)
    if (v != 0 && (std::fabs(v) >= 1e7 || std::fabs(v) < 1e-3)) plain = false;
  QStringList labels;
  for (double v : ticks) {
    if (plain || v == 0) {
      labels << QString::number(v, 'g', 7);
      continue;
    }
    // Mantissa to three digits, exponent without sign padding.
    int e = static_cast<int>(std::floor(std::log10(std::fabs(v))));
    double m = v / std::pow(10.0, e);
    if (std::fabs(std::round(m * 100) / 100) >= 10) {
      m /= 10;
      ++e;
    }
    labels << QString::number(std::round(m * 100) / 100, 'g', 3) + 'e' + QString::number(e);
  }
  return labels;
}

GameChart::GameChart(QString title, QString y_unit, QWidget* parent)
    : QWidget(parent), m_title(std::move(title)), m_unit(std::move(y_unit)) {
  setMinimumSize(300, 180);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void GameChart::reset(Plot plot) {
  m_plot = plot;
  m_series.clear();
  m_shown = -1;
  m_turn_scale = 10;
  if (plot == Plot::Log) {
    m_low = -5;
    m_high = 10;
  } else {
    m_low = 0;
    m_high = 100;
  }
  update();
}

void GameChart::set_series(std::vector<Series> series) {
  m_series = std::move(series);
  m_shown = -1;
  update();
}

double GameChart::plotted(double ln_value) const {
  return m_plot == Plot::Log ? ln_value : std::exp(ln_value);
}

bool GameChart::fit(double v) {
  if (!std::isfinite(v)) return false;
  while (v > m_high) {
    m_high = m_high > 0 ? m_high * 2 : (m_high < 0 ? m_high / 2 : 1);
    if (m_high > kLargestScale) return false;
  }
  while (v < m_low) {
    m_low = m_low < 0 ? m_low * 2 : (m_low > 0 ? m_low / 2 : -1);
    if (m_low < -kLargestScale) return false;
  }
  return true;
}

bool GameChart::show_through(int turn) {
  size_t length = 0;
  for (const Series& s : m_series) length = std::max(length, s.ln_values.size());
  if (length == 0) return true;
  turn = std::min<int>(turn, static_cast<int>(length) - 1);
  // Scales only grow, so checking the new points is enough; on failure the
  // scales may have grown but no further point shows.
  const int old_turn_scale = m_turn_scale;
  const double old_low = m_low, old_high = m_high;
  for (int t = std::max(m_shown + 1, 0); t <= turn; ++t) {
    for (const Series& s : m_series) {
      if (t >= static_cast<int>(s.ln_values.size())) continue;
      if (!fit(plotted(s.ln_values[t]))) {
        m_turn_scale = old_turn_scale;
        m_low = old_low;
        m_high = old_high;
        update();
        return false;
      }
    }
    while (t > m_turn_scale) m_turn_scale *= 2;
  }
  m_shown = std::max(m_shown, turn);
  update();
  return true;
}

void GameChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  p.setRenderHint(QPainter::Antialiasing, true);
  const QFontMetrics fm = fontMetrics();
  const int left = fm.horizontalAdvance(QStringLiteral("0.0000000")) + 8;
  // Below the plotting area: a row of turn ticks, then the axis name.
  const double top = fm.height() + 10;
  const QRectF area(left, top, width() - left - 14, height() - top - 2 * fm.height() - 8);
  if (area.width() < 10 || area.height() < 10) return;
  p.fillRect(area, Qt::white);
  p.setPen(Qt::black);
  p.drawText(QRectF(0, 2, width(), fm.height() + 4), Qt::AlignHCenter, m_title);
  p.drawText(QRectF(4, 2, left, fm.height() + 4), Qt::AlignLeft, m_unit);

  const double span = m_high - m_low;
  auto x_of = [&](double turn) { return area.left() + turn / m_turn_scale * area.width(); };
  auto y_of = [&](double v) { return area.bottom() - (v - m_low) / span * area.height(); };

  // Turn ticks: five steps across the scale.
  QPen grid(QColor(220, 220, 220));
  for (int i = 0; i <= 5; ++i) {
    const double turn = m_turn_scale * i / 5.0;
    const double x = x_of(turn);
    p.setPen(grid);
    p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    p.setPen(Qt::black);
    p.drawText(QRectF(x - 30, area.bottom() + 2, 60, fm.height()), Qt::AlignHCenter,
               QString::number(turn, 'g', 6));
  }
  p.drawText(QRectF(area.right() - 60, area.bottom() + fm.height() + 2, 60, fm.height()),
             Qt::AlignRight, QStringLiteral("(次)"));

  // Value ticks: powers of ten under logarithmic plotting, fifths of the
  // range under linear plotting.
  std::vector<double> at, values;  // where each tick stands, what it reads
  if (m_plot == Plot::Log) {
    const int k_low = static_cast<int>(std::ceil(m_low / std::log(10.0)));
    const int k_high = static_cast<int>(std::floor(m_high / std::log(10.0)));
    const int stride = std::max(1, (k_high - k_low) / 7 + 1);
    for (int k = k_low; k <= k_high; ++k) {
      if ((k - k_low) % stride) continue;
      at.push_back(k * std::log(10.0));
      values.push_back(std::pow(10.0, k));
    }
  } else {
    for (int i = 0; i <= 5; ++i) at.push_back(m_low + span * i / 5.0);
    values = at;
  }
  const QStringList labels = axis_labels(values);
  for (size_t i = 0; i < at.size(); ++i) {
    const double y = y_of(at[i]);
    p.setPen(grid);
    p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    p.setPen(Qt::black);
    p.drawText(QRectF(0, y - fm.height() / 2.0, left - 4, fm.height()), Qt::AlignRight,
               labels[static_cast<int>(i)]);
  }
  p.setPen(Qt::black);
  p.setBrush(Qt::NoBrush);
  p.drawRect(area);

  if (m_shown < 0) return;
  p.setClipRect(area.adjusted(-1, -1, 1, 1));
  for (const Series& s : m_series) {
    const int last = std::min<int>(m_shown, static_cast<int>(s.ln_values.size()) - 1);
    if (last < 0) continue;
    QPainterPath path;
    path.moveTo(x_of(0), y_of(plotted(s.ln_values[0])));
    for (int t = 1; t <= last; ++t) path.lineTo(x_of(t), y_of(plotted(s.ln_values[t])));
    p.setPen(QPen(s.colour, 1.6));
    p.drawPath(path);
  }
}

}  // namespace vmx::optimise
