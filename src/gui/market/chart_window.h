// The performance chart window: the fund's unit price and total value against the two indices
// from a chosen start, as curves or weekly K-lines, with its statistics (业绩统计和比较).
#pragma once

#include <QDialog>
#include <QWidget>
#include <array>

#include "core/chart/performance.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QScrollBar;

namespace vmx::app {
class Workspace;
}

namespace vmx::market {

// The chart itself: paints the picture it is given, nothing more.
class PerformanceView : public QWidget {
  Q_OBJECT
 public:
  explicit PerformanceView(QWidget* parent = nullptr);
  void set_picture(chart::Picture picture);
  const chart::Picture& picture() const { return m_picture; }
  QSize sizeHint() const override { return {1000, 520}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  chart::Picture m_picture;
};

// "业绩统计和比较": the fund ledger's four series from a comparison start,
// each as a multiple of its value at the vertical line. Created by the main
// window the first time it is asked for and shown modally; every showing
// reads the ledger afresh, and closing keeps the date box in parameter.DBF.
class TForm_draw : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_draw(app::Workspace& workspace, QWidget* parent = nullptr);
  ~TForm_draw() override;

  // Loads the series from the fund ledger. Errors end in the error box with
  // no points.
  void readdata();
  // c := s, then drawfig2.
  void drawfig1();
  // The chart and the statistics panel for the view as it stands.
  void drawfig2();
  // "时间比较起点" clicked on item `index`.
  void RadioGroup3Click(int index);
  // "线型选择": curves or weekly K-lines; redraws.
  void RadioGroup2Click();
  // The date box left: checked, then the view from that date.
  void Edit1Exit();
  // "压缩图形" and "拉伸图形".
  void BitBtn1Click();
  void BitBtn2Click();
  // The scroll bar moved: the vertical line to the point of its position.
  void ScrollBar1Change(int position);
  // "屏幕打印": the window's image in a print preview.
  void print_screen();
  // "保存图片": the chart with its panel as a PNG file the user names.
  void save_picture();

  const chart::Series& series() const { return m_data; }
  const chart::View& view() const { return m_view; }
  PerformanceView* chart_view() const { return m_chart; }
  QLineEdit* date_box() const { return m_box; }
  QButtonGroup* start_group() const { return m_start; }
  QButtonGroup* line_group() const { return m_lines; }
  QScrollBar* scroll_bar() const { return m_scroll; }
  QLabel* panel_cell(int row, int column) const;
  QLabel* message_label() const { return m_message; }

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void FormShow();
  bool weekly() const;
  void show_panel(const chart::Panel& panel);

  app::Workspace& m_ws;
  chart::Series m_data;
  chart::View m_view;
  PerformanceView* m_chart = nullptr;
  QLineEdit* m_box = nullptr;                       // Edit1
  QButtonGroup* m_start = nullptr;                  // RadioGroup3
  QButtonGroup* m_lines = nullptr;                  // RadioGroup2
  QScrollBar* m_scroll = nullptr;                   // ScrollBar1
  std::array<std::array<QLabel*, 4>, 5> m_cells{};  // the panel: a header and four rows
  QLabel* m_message = nullptr;
};

}  // namespace vmx::market
