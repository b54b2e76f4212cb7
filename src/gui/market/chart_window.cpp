#include "gui/market/chart_window.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <filesystem>

#include "core/login/workspace.h"
#include "core/platform/error_boundary.h"
#include "gui/platform/performance_painter.h"
#include "gui/platform/window_print.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/wait_cursor.h"

namespace vmx::market {

namespace {
constexpr const char* kLegendNote = "<--业绩比较起点如竖线所示；纵坐标表示增值倍数";
}  // namespace

PerformanceView::PerformanceView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(480, 300);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PerformanceView::set_picture(chart::Picture picture) {
  m_picture = std::move(picture);
  update();
}

void PerformanceView::paintEvent(QPaintEvent*) {
  QPainter g(this);
  platform::paint_performance_chart(g, rect(), m_picture);
}

TForm_draw::TForm_draw(app::Workspace& workspace, QWidget* parent)
    : QDialog(parent), m_ws(workspace) {
  setObjectName("TForm_draw");
  setWindowTitle("业绩统计和比较");
  setModal(true);
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
  resize(1180, 740);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  QStringList starts;
  for (const char* caption : chart::start_captions()) starts << caption;
  // Nothing chosen until the window shows: opening chooses 自某日.
  const ui::RadioGroup start =
      ui::make_radio_group("时间比较起点", starts, -1, this, Qt::Horizontal);
  m_start = start.buttons;
  m_box = new QLineEdit(start.box);
  m_box->setObjectName("Edit1");
  m_box->setFixedWidth(110);
  m_box->setToolTip("yyyy-mm-dd");
  start.box->layout()->addWidget(m_box);
  top->addWidget(start.box);

  const ui::RadioGroup lines =
      ui::make_radio_group("线型选择", {"业绩画曲线", "业绩画周K线"}, 0, this, Qt::Horizontal);
  m_lines = lines.buttons;
  top->addWidget(lines.box);
  auto* compress_button = new QPushButton("压缩图形", this);
  auto* stretch_button = new QPushButton("拉伸图形", this);
  for (QPushButton* b : {compress_button, stretch_button}) {
    b->setAutoDefault(false);
    top->addWidget(b);
  }
  top->addStretch(1);
  layout->addLayout(top);

  m_chart = new PerformanceView(this);
  layout->addWidget(m_chart, 1);

  auto* scroll_row = new QHBoxLayout;
  m_scroll = new QScrollBar(Qt::Horizontal, this);
  m_scroll->setObjectName("ScrollBar1");
  m_scroll->setRange(0, chart::kScrollMax);
  m_scroll->setValue(chart::kScrollStart);
  m_scroll->setPageStep(30);
  scroll_row->addWidget(m_scroll, 1);
  scroll_row->addWidget(new QLabel(kLegendNote, this));
  layout->addLayout(scroll_row);

  auto* bottom = new QHBoxLayout;
  auto* panel = new QGroupBox("业绩统计", this);
  auto* grid = new QGridLayout(panel);
  grid->setHorizontalSpacing(18);
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 4; ++c) {
      auto* cell = new QLabel(panel);
      cell->setAlignment((c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
      cell->setTextInteractionFlags(Qt::TextSelectableByMouse);
      grid->addWidget(cell, r, c);
      m_cells[static_cast<size_t>(r)][static_cast<size_t>(c)] = cell;
    }
  for (size_t r = 1; r < 5; ++r)
    m_cells[r][0]->setStyleSheet(
        QString("color: %1; font-weight: bold;").arg(platform::panel_row_colour(r - 1).name()));
  m_message = new QLabel(panel);
  m_message->setStyleSheet("color: #b01e2a; font-weight: bold;");
  m_message->setWordWrap(true);
  grid->addWidget(m_message, 0, 4, 5, 1);
  grid->setColumnStretch(4, 1);
  bottom->addWidget(panel, 1);

  auto* buttons = new QVBoxLayout;
  auto button = [&](const char* caption, auto handler) {
    auto* b = new QPushButton(caption, this);
    b->setAutoDefault(false);
    b->setMinimumWidth(96);
    connect(b, &QPushButton::clicked, this, handler);
    buttons->addWidget(b);
  };
  button("屏幕打印", [this] { print_screen(); });
  button("保存图片", [this] { save_picture(); });
  button("帮助", [this] { m_ws.help().open_keyword("threelines"); });
  button("关闭", [this] { close(); });
  bottom->addLayout(buttons);
  layout->addLayout(bottom);

  connect(m_start, &QButtonGroup::idClicked, this, [this](int id) { RadioGroup3Click(id); });
  connect(m_lines, &QButtonGroup::idClicked, this, [this] { RadioGroup2Click(); });
  connect(compress_button, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(stretch_button, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  connect(m_scroll, &QScrollBar::valueChanged, this, [this](int v) { ScrollBar1Change(v); });
  connect(m_box, &QLineEdit::editingFinished, this, [this] { Edit1Exit(); });
}

TForm_draw::~TForm_draw() = default;

QLabel* TForm_draw::panel_cell(int row, int column) const {
  return m_cells[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

bool TForm_draw::weekly() const { return m_lines->checkedId() == 1; }

void TForm_draw::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TForm_draw::FormShow() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    m_box->setText(
        QString::fromStdString(chart::opening_date_text(m_ws.session(), m_ws.clock().today())));
  });
  readdata();
  m_start->button(static_cast<int>(chart::Start::FromDate))->setChecked(true);
  RadioGroup3Click(static_cast<int>(chart::Start::FromDate));
}

void TForm_draw::readdata() {
  m_data = {};
  ui::run_busy(m_ws.dialogs(), [this] { m_data = chart::readdata(m_ws.session()); });
}

void TForm_draw::RadioGroup3Click(int index) {
  const auto start = static_cast<chart::Start>(index);
  Date box;
  if (start == chart::Start::FromDate) {
    const std::optional<Date> d = Date::parse(m_box->text().trimmed().toStdString());
    if (!d) {
      m_ws.dialogs().inform(chart::kBadDate);
      return;
    }
    box = *d;
  }
  m_view = chart::choose_start(m_data, start, box);
  drawfig1();
}

void TForm_draw::RadioGroup2Click() { drawfig2(); }

void TForm_draw::Edit1Exit() {
  const std::string text = m_box->text().trimmed().toStdString();
  if (const auto problem = chart::check_date(m_data, text)) {
    m_ws.dialogs().inform(*problem);
    return;
  }
  {
    const QSignalBlocker quiet(m_start);
    m_start->button(static_cast<int>(chart::Start::FromDate))->setChecked(true);
  }
  m_view = chart::choose_start(m_data, chart::Start::FromDate, *Date::parse(text));
  drawfig1();
}

void TForm_draw::BitBtn1Click() {
  chart::compress(m_view, m_data.n());
  drawfig2();
}

void TForm_draw::BitBtn2Click() {
  chart::stretch(m_view, m_data.n());
  drawfig2();
}

void TForm_draw::ScrollBar1Change(int position) {
  m_view.c = chart::scroll_point(m_data, m_view.left, position);
  drawfig2();
}

void TForm_draw::drawfig1() {
  m_view.c = m_view.s;
  drawfig2();
}

void TForm_draw::drawfig2() {
  chart::Picture pic = chart::picture(m_data, m_view, weekly());
  show_panel(pic.panel);
  m_chart->set_picture(std::move(pic));
}

void TForm_draw::show_panel(const chart::Panel& panel) {
  const QString heads[] = {"", "起点 " + QString::fromStdString(panel.start_date),
                           "终点 " + QString::fromStdString(panel.end_date), "增长(%)"};
  for (int c = 0; c < 4; ++c) m_cells[0][static_cast<size_t>(c)]->setText(heads[c]);
  for (size_t r = 0; r < 4; ++r) {
    const chart::Panel::Row& row = panel.rows[r];
    const std::string cells[] = {row.name, row.start, row.end, row.gain};
    for (size_t c = 0; c < 4; ++c) m_cells[r + 1][c]->setText(QString::fromStdString(cells[c]));
  }
  m_message->setText(QString::fromStdString(panel.message));
}

void TForm_draw::print_screen() {
  platform::run_guarded(m_ws.dialogs(), [this] { platform::print_window_image(*this); });
}

void TForm_draw::save_picture() {
  const std::optional<std::string> name =
      m_ws.dialogs().pick_save_file("保存图片", m_ws.login().curr_dir.string(), "PNG 图片 (*.png)");
  if (!name) return;
  std::filesystem::path file(*name);
  if (file.extension().empty()) file += ".png";
  platform::run_guarded(m_ws.dialogs(), [&] {
    const QSize size(std::max(m_chart->width(), 800),
                     std::max(m_chart->height(), 400) + platform::kPerformancePanelHeight);
    platform::write_performance_png(m_chart->picture(), size, file);
  });
}

void TForm_draw::done(int result) {
  platform::run_guarded(
      m_ws.dialogs(), [this] { chart::write_startp(m_ws.session(), m_box->text().toStdString()); });
  QDialog::done(result);
}

}  // namespace vmx::market
