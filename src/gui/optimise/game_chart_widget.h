// One chart of the simulation game, drawn turn by turn.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace vmx::optimise {

// The labels of one axis's ticks, all in one form: plain numbers ("0.01",
// "1000000") while every tick reads well so, else all in short exponent form
// ("1e-4", "1e8", "1.05e8"); zero is "0".
QStringList axis_labels(const std::vector<double>& ticks);

// One chart of the simulation game: several series of natural logarithms
// (of money or of 100 × a price level), revealed turn by turn, drawn either
// as the logarithms themselves or as the values. A point beyond the turn
// scale or outside the vertical range doubles the exceeded scale value and
// the whole chart is drawn again at the new scale.
//
// Initial scales: 10 turns; logarithmic plotting covers ln values −5 to 10
// (about 0.007 to 22,026), linear plotting 0 to 100.
class GameChart : public QWidget {
  Q_OBJECT
 public:
  enum class Plot { Log, Linear };
  struct Series {
    QColor colour;
    std::vector<double> ln_values;  // point 0 is the start
  };

  GameChart(QString title, QString y_unit, QWidget* parent = nullptr);

  // Empties the chart and puts the scales back to their initial values for
  // `plot` (drawback1 / drawback2).
  void reset(Plot plot);
  // The recorded history; nothing of it shows until show_through.
  void set_series(std::vector<Series> series);
  // Shows points 0..turn of every series (clamped to the recorded length),
  // doubling each scale the shown points exceed. False, with nothing more
  // shown, when a point cannot be drawn: a value that is not finite or that
  // would need a scale beyond what a double can hold.
  bool show_through(int turn);

  Plot plot() const { return m_plot; }
  int shown_turns() const { return m_shown; }
  int turn_scale() const { return m_turn_scale; }
  double low() const { return m_low; }
  double high() const { return m_high; }

  QSize sizeHint() const override { return {460, 260}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The value a point has on the vertical axis in the current plotting.
  double plotted(double ln_value) const;
  bool fit(double v);

  QString m_title, m_unit;
  Plot m_plot = Plot::Log;
  std::vector<Series> m_series;
  int m_shown = -1;  // -1: nothing yet
  int m_turn_scale = 10;
  double m_low = -5, m_high = 10;
};

}  // namespace vmx::optimise
