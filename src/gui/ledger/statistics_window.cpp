#include "gui/ledger/statistics_window.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

#include "core/login/workspace.h"
#include "core/platform/error_boundary.h"
#include "core/stats/statistics_report.h"
#include "core/store/error.h"
#include "gui/platform/qt_printer.h"
#include "gui/platform/window_print.h"
#include "gui/widgets/query_model.h"
#include "gui/widgets/wait_cursor.h"

namespace vmx::ledger {

namespace {
constexpr int kChartHeight = 233;
constexpr int kWidthRows = 60;
}  // namespace

TForm_tj::TForm_tj(app::Workspace& workspace, std::function<void()> calc, QWidget* parent)
    : QDialog(parent), m_ws(workspace), m_calc(std::move(calc)), m_stats(workspace.session()) {
  setObjectName("TForm_tj");
  setWindowTitle("投资组合和盈亏统计");
  setModal(true);
  resize(980, 760);

  auto* layout = new QVBoxLayout(this);
  auto* choices = new QHBoxLayout;
  const stats::Choices start;
  choices->addWidget(
      radio_group(stats::kKindGroup, stats::kind_captions(), static_cast<int>(start.kind), m_kind));
  m_content_box = radio_group(stats::kContentGroup, stats::content_captions(),
                              static_cast<int>(start.content), m_content);
  m_pnl_box =
      radio_group(stats::kPnlGroup, stats::pnl_captions(), static_cast<int>(start.pnl), m_pnl);
  choices->addWidget(m_content_box);
  choices->addWidget(m_pnl_box);
  layout->addLayout(choices);

  m_grid_box = new QGroupBox("显示投资比例", this);
  auto* grid_layout = new QVBoxLayout(m_grid_box);
  m_grid = new QTableView(m_grid_box);
  m_grid->setObjectName("DBGrid1");
  m_model = std::make_unique<ui::QueryModel>(m_stats.grid());
  m_grid->setModel(m_model.get());
  m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_grid->verticalHeader()->setDefaultSectionSize(22);
  m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  // Column widths from the rows on screen and a few around them, not from a
  // thousand rows of a long history at every click.
  m_grid->horizontalHeader()->setResizeContentsPrecision(kWidthRows);
  ui::follow_current_row(*m_grid, *m_model);
  connect(m_model.get(), &QAbstractItemModel::modelReset, this,
          [this] { m_grid->resizeColumnsToContents(); });
  grid_layout->addWidget(m_grid);
  layout->addWidget(m_grid_box, 1);

  m_chart_view = new QChartView(new QChart, this);
  m_chart_view->setRenderHint(QPainter::Antialiasing);
  m_chart_view->setMinimumHeight(kChartHeight);
  m_chart_view->chart()->legend()->setAlignment(Qt::AlignRight);
  layout->addWidget(m_chart_view, 1);

  auto* buttons = new QHBoxLayout;
  auto button = [&](const char* caption, auto handler) {
    auto* b = new QPushButton(caption, this);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, handler);
    buttons->addWidget(b);
    return b;
  };
  buttons->addStretch(1);
  button("打印屏幕", [this] { print_screen(); });
  button("打印报告", [this] { print_report(); })->setToolTip("根据显示选择打印报告");
  button("帮助", [this] { m_ws.help().open_keyword("lookportfolio"); });
  button("关闭", [this] { close(); });
  layout->addLayout(buttons);

  for (QButtonGroup* g : {m_kind, m_content, m_pnl})
    connect(g, &QButtonGroup::idClicked, this, [this] { RadioGroupClick(); });
  enable_by_kind();
}

TForm_tj::~TForm_tj() = default;

QGroupBox* TForm_tj::radio_group(const char* caption, const std::array<const char*, 4>& items,
                                 int start, QButtonGroup*& group) {
  auto* box = new QGroupBox(caption, this);
  auto* l = new QVBoxLayout(box);
  group = new QButtonGroup(box);
  for (int i = 0; i < 4; ++i) {
    auto* r = new QRadioButton(items[static_cast<size_t>(i)], box);
    group->addButton(r, i);
    l->addWidget(r);
  }
  group->button(start)->setChecked(true);
  return box;
}

QChart* TForm_tj::chart() const { return m_chart_view->chart(); }

stats::Choices TForm_tj::choices() const {
  return {static_cast<stats::Kind>(m_kind->checkedId()),
          static_cast<stats::Content>(m_content->checkedId()),
          static_cast<stats::PnlType>(m_pnl->checkedId())};
}

void TForm_tj::enable_by_kind() {
  const stats::Enabling e = stats::enabling(choices().kind);
  m_content_box->setEnabled(e.content);
  m_pnl_box->setEnabled(e.pnl);
}

void TForm_tj::RadioGroupClick() {
  enable_by_kind();
  re_tj();
}

void TForm_tj::re_tj() {
  const bool ok = ui::run_busy(m_ws.dialogs(), [this] { m_stats.re_tj(choices()); });
  for_graph();
  if (ok && m_model->current_row() >= 0)
    m_grid->scrollTo(m_model->index(m_model->current_row(), 0));
}

void TForm_tj::for_graph() {
  QChart* c = chart();
  c->removeAllSeries();
  for (QAbstractAxis* a : c->axes()) {
    c->removeAxis(a);
    delete a;
  }
  c->setTitle({});
  const stats::ChartSetup s = stats::chart_setup(choices());
  m_chart_view->setVisible(s.visible);
  m_grid_box->setMinimumHeight(s.grid_height);
  if (!s.visible) return;

  std::vector<stats::Bar> bars;
  bool more = false;
  platform::run_guarded(m_ws.dialogs(), [&] {
    bars = m_stats.bars();
    more = m_stats.more_bars();
  });
  QString title = QString::fromStdString(s.title);
  if (more) title += QString("（只画出前%1项）").arg(bars.size());
  c->setTitle(title);

  auto* set1 = new QBarSet(QString::fromStdString(s.series1_title));
  auto* set2 = new QBarSet(QString::fromStdString(s.series2_title));
  set1->setColor(QColor(0x3b, 0x6e, 0xb5));
  set2->setColor(QColor(0xe0, 0x8a, 0x2c));
  QStringList labels;
  QList<qreal> values1, values2;
  labels.reserve(static_cast<qsizetype>(bars.size()));
  values1.reserve(labels.capacity());
  values2.reserve(labels.capacity());
  double low = 0, high = 0;
  for (const stats::Bar& b : bars) {
    labels << QString::fromStdString(b.label);
    values1 << b.value1;
    values2 << b.value2;
    low = std::min({low, b.value1, b.value2});
    high = std::max({high, b.value1, b.value2});
  }
  set1->append(values1);
  set2->append(values2);
  auto* series = new QBarSeries;
  series->append(set1);
  series->append(set2);
  c->addSeries(series);
  auto* x = new QBarCategoryAxis;
  x->append(labels);
  x->setLabelsAngle(-90);
  c->addAxis(x, Qt::AlignBottom);
  series->attachAxis(x);
  auto* y = new QValueAxis;
  y->setRange(low, high > low ? high * 1.05 : low + 1);
  y->applyNiceNumbers();
  y->setLabelFormat("%.0f");
  c->addAxis(y, Qt::AlignLeft);
  series->attachAxis(y);
}

void TForm_tj::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TForm_tj::FormShow() {
  if (m_ws.ledger().valuation_pending() && m_calc)
    platform::run_guarded(m_ws.dialogs(), [this] { m_calc(); });
  re_tj();
}

void TForm_tj::print_screen() { platform::print_window_image(*this); }

void TForm_tj::print_report() {
  platform::QtPrinter printer(platform::QtPrinter::Mode::Preview, this);
  try {
    stats::statistics_report_click(m_stats, m_ws.dialogs(), m_ws.clock(), printer);
  } catch (const store::Error& e) {
    m_ws.dialogs().error(store::user_message(e));
  }
}

}  // namespace vmx::ledger
