#include "gui/fund/fundreport_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "core/fund/fees.h"
#include "core/fund/fund_record.h"
#include "core/fund/matching.h"
#include "gui/fund/in_out_window.h"
#include "gui/widgets/db_grid.h"
#include "gui/widgets/query_model.h"
#include "gui/widgets/wait_cursor.h"

namespace vmx::fund {

namespace {

const char* const kTotalsSql =
    "select pycode, name, xabc, sum(input) as input,\n"
    "sum(unit*l_price) as asset,sum(unit) as unit, \n"
    "(sum(price*unit)/sum(unit)*100)/100 as a_price,\n"
    "sum(unit*l_price)/sum(input)*100-100 as zzl,sum(dmoney) as dmoney\n"
    "From \"fund2.DB\"  where  (pycode<>'***') \n"
    "and not (czxh>0) \n"
    "and not ( pycode>'$' and pycode<'$zzzzzz')\n"
    "GROUP BY pycode,name,xabc\n"
    "order by pycode,name,xabc";
const char* const kDetailSql =
    "select dt, pycode, name, xabc, input,unit*l_price as asset,\n"
    "unit, price,l_price,(l_price/price-1)*100 as zzl, \n"
    "dmoney,czxh, sz, shz, note,qsdm,zjzh\n"
    "From \"fund2.DB\"\n"
    "where \"fund2.DB\".\"pycode\" =:\"pycode\"  and (price<>0) and (pycode<>'***')\n"
    "and not (czxh>0)\n"
    "order by dt,czxh";
constexpr const char* kFeeNote =
    "注:系统通过一取一存达到提成目的，提出金额和存入金额等同，但股数可能不同; "
    "按提存按钮后，系统自动增加撤资和投资记录，并做撤资处理，即给股数相等的买卖记录加上撤资序号("
    "非0)，"
    "以示冲销以往投资记录。";

QTableView* make_view(QWidget* parent, ui::QueryModel* model) {
  auto* v = new QTableView(parent);
  v->setModel(model);
  v->setSelectionBehavior(QAbstractItemView::SelectRows);
  v->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ui::follow_current_row(*v, *model);
  return v;
}

void title(ui::QueryModel& m, std::initializer_list<const char*> titles) {
  int i = 0;
  for (const char* t : titles) m.set_title(i++, QString::fromUtf8(t));
}

}  // namespace

TForm_fundreport::TForm_fundreport(app::Workspace& ws, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_ws(ws),
      m_types(ws.session()),
      m_tich(ws.session(), "ubx", kFeeFile),
      m_totals(ws.session(), "ubx"),
      m_detail(ws.session(), "ubx") {
  setWindowTitle(QStringLiteral("基金管理窗口"));
  m_totals.set_text(kTotalsSql);
  m_detail.set_text(kDetailSql);
  m_detail.set_master(&m_totals);
  m_totals_model = std::make_unique<ui::QueryModel>(m_totals);
  m_detail_model = std::make_unique<ui::QueryModel>(m_detail);
  m_tich.open();

  auto* layout = new QVBoxLayout(this);
  m_tabs = new QTabWidget(this);
  m_tabs->addTab(build_investors(), QStringLiteral("各投资人报告"));
  m_tabs->addTab(build_fees(), QStringLiteral(" 提成处理 "));
  m_tabs->addTab(build_types(), QStringLiteral("投资类型定义"));
  layout->addWidget(m_tabs);
  connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
    if (m_last_tab == 2 && index != 2)
      platform::run_guarded(m_ws.dialogs(), [this] {
        m_type_grid->post();
        repair_types(m_types, m_ws.dialogs());
      });
    m_last_tab = index;
  });
}

// The grids and lists go first: they work on the cursors and queries that
// are members of this window, which die before QWidget deletes its children.
TForm_fundreport::~TForm_fundreport() {
  qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

QWidget* TForm_fundreport::build_investors() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  m_totals_grid = make_view(page, m_totals_model.get());
  m_detail_grid = make_view(page, m_detail_model.get());
  l->addWidget(m_totals_grid, 2);
  l->addWidget(m_detail_grid, 3);
  auto* buttons = new QHBoxLayout;
  auto* in_out_button = new QPushButton(QStringLiteral("帐户资金进出"), page);
  auto* match_button = new QPushButton(QStringLiteral("撤资处理"), page);
  auto* help = new QPushButton(QStringLiteral("帮助"), page);
  buttons->addWidget(in_out_button);
  buttons->addWidget(match_button);
  buttons->addWidget(help);
  buttons->addStretch();
  l->addLayout(buttons);
  connect(in_out_button, &QPushButton::clicked, this, [this] { in_out(); });
  connect(match_button, &QPushButton::clicked, this, [this] { match(); });
  connect(help, &QPushButton::clicked, this, [this] { m_ws.help().open_keyword("fundreport"); });
  return page;
}

QWidget* TForm_fundreport::build_fees() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  m_fee_grid = new ui::DbGrid(m_tich, m_ws.dialogs(), page);
  m_fee_grid->set_columns({{"DT", "投资日期"},
                           {"PYCODE", "投资人码"},
                           {"NAME", "姓名"},
                           {"XABC", "投资类型"},
                           {"INPUT", "投资数量"},
                           {"UNIT", "股数"},
                           {"PRICE", "投资价格"},
                           {"L_PRICE", "当前价格"},
                           {"PER", "增值率"},
                           {"FUND", "市值"},
                           {"DMONEY", "可取资金"}});
  m_fee_grid->set_read_only(true);
  l->addWidget(m_fee_grid, 1);
  auto* note = new QLabel(QString::fromUtf8(kFeeNote), page);
  note->setWordWrap(true);
  l->addWidget(note);
  auto* buttons = new QHBoxLayout;
  auto add = [&](const QString& caption, auto handler) {
    auto* b = new QPushButton(caption, page);
    connect(b, &QPushButton::clicked, this, handler);
    buttons->addWidget(b);
    return b;
  };
  add(QStringLiteral("搜索可提记录"), [this] { search(); });
  m_extract_one = add(QStringLiteral("指定代码类型提存"), [this] { extract_selected(); });
  m_extract_all = add(QStringLiteral("所有记录提存"), [this] { extract_all(); });
  m_extract_one->setEnabled(false);
  m_extract_all->setEnabled(false);
  add(QStringLiteral("帮助"), [this] { m_ws.help().open_keyword("tich"); });
  add(QStringLiteral("关闭"), [this] { close(); });
  buttons->addStretch();
  l->addLayout(buttons);
  return page;
}

QWidget* TForm_fundreport::build_types() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  l->addWidget(new QLabel(
      QStringLiteral("注释：本软件允许一个管理帐户以混合基金的形式接受多种不同方式的投资"), page));
  m_type_grid = new ui::DbGrid(m_types.cursor(), m_ws.dialogs(), page);
  m_type_grid->set_columns(
      {{"Xabc", "码"},       {"Note", "类型及说明"}, {"C5", "1.保证年收益"}, {"E9", "e9"},
       {"E10", "e10"},       {"C2", "2.按赢利提成"}, {"E3", "e3"},           {"E4", "e4"},
       {"C3", "3.年超过"},   {"E5", "e5"},           {"E6", "e6"},           {"C4", "4.年超过"},
       {"E7", "e7"},         {"E8", "e8"},           {"C8", "5.不足一年"},   {"C1", "6.固定佣金"},
       {"E1", "e1"},         {"E2", "e2"},           {"C9", "7.进出手续费"}, {"E12", "e12"},
       {"C6", "8.投资时间"}, {"E11", "e11"},         {"E13", "9.提成日e13"}});
  l->addWidget(m_type_grid, 1);
  l->addWidget(new QLabel(QStringLiteral("* 未打钩的选项，后面数据无用;  "
                                         "(赢利指扣除佣金，手续费，提成之前的管理帐户赢利)"),
                          page));
  auto* buttons = new QHBoxLayout;
  auto add = [&](const QString& caption, auto handler) {
    auto* b = new QPushButton(caption, page);
    connect(b, &QPushButton::clicked, this, handler);
    buttons->addWidget(b);
  };
  add(QStringLiteral("删除类型"), [this] {
    platform::run_guarded(m_ws.dialogs(), [this] {
      m_type_grid->post();
      if (!m_types.cursor().empty()) m_types.cursor().remove();
      m_types.reload();
    });
  });
  add(QStringLiteral("插入新类型"), [this] {
    platform::run_guarded(m_ws.dialogs(), [this] {
      m_types.cursor().first();
      m_type_grid->append_row();
    });
  });
  add(QStringLiteral("检测冲突"), [this] { check(); });
  add(QStringLiteral("帮助"), [this] { m_ws.help().open_keyword("typedefine"); });
  add(QStringLiteral("关闭"), [this] { close(); });
  buttons->addStretch();
  l->addLayout(buttons);
  return page;
}

void TForm_fundreport::reopen_lists() {
  const long pos = m_totals.active() ? m_totals.position() : 0;
  m_detail.close();
  m_totals.reopen();
  m_detail.open();
  m_totals.go_to_position(std::max(pos, 0L));
  title(*m_totals_model,
        {"代码", "姓名", "类型", "投资数", "最终价值", "股数", "买均价", "增值%", "可取数"});
  title(*m_detail_model,
        {"日期", "代码", "名称", "类型", "投资数", "市值", "股数", "买价", "最终价", "增值%",
         "可取资金", "撤资序号", "深指", "沪指", "注释", "券商码", "资金帐号"});
}

void TForm_fundreport::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ui::run_busy(m_ws.dialogs(), [this] {
    calc(m_ws.fund(), m_types);
    reopen_lists();
    store::Cursor& t = m_types.cursor();
    t.locate("Xabc", {store::Value::text("x")});
  });
}

void TForm_fundreport::closeEvent(QCloseEvent* event) {
  m_type_grid->post();
  platform::run_guarded(m_ws.dialogs(), [this] { m_ws.fund().cursor().last(); });
  event->accept();
}

void TForm_fundreport::in_out() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    InOutSelection s;
    if (m_totals.active() && !m_totals.empty()) {
      s.pycode = m_totals.value(m_totals.column_index("pycode")).as_string();
      s.total_dmoney = m_totals.value(m_totals.column_index("dmoney")).as_number();
    }
    if (m_detail.active() && !m_detail.empty()) {
      auto v = [&](const char* c) { return m_detail.value(m_detail.column_index(c)); };
      s.pycode = v("pycode").as_string();
      s.name = v("name").as_string();
      s.xabc = v("xabc").as_string();
      s.qsdm = v("qsdm").as_string();
      s.dt = v("dt").as_date();
      s.input = v("input").as_number();
      s.unit = v("unit").as_number();
      s.dmoney = v("dmoney").as_number();
    }
    auto* w = new TForm_in_out(
        m_ws, s, [this] { reopen_lists(); }, this);
    w->show();
  });
}

void TForm_fundreport::match() {
  ui::run_busy(m_ws.dialogs(), [this] {
    match_withdrawals(m_ws.fund(), m_types);
    reopen_lists();
  });
}

void TForm_fundreport::search() {
  ui::run_busy(m_ws.dialogs(), [this] {
    const bool found = fee_search(m_ws.fund(), m_types) > 0;
    m_extract_one->setEnabled(found);
    m_extract_all->setEnabled(found);
    m_fee_grid->resizeColumnsToContents();
  });
}

void TForm_fundreport::extract_selected() {
  ui::run_busy(m_ws.dialogs(), [this] {
    if (fund::extract_selected(m_ws.fund(), m_types, std::max(m_tich.position(), 0L))) {
      m_tabs->setCurrentIndex(0);
      reopen_lists();
    }
  });
}

void TForm_fundreport::extract_all() {
  ui::run_busy(m_ws.dialogs(), [this] {
    if (fund::extract_all(m_ws.fund(), m_types)) {
      m_tabs->setCurrentIndex(0);
      reopen_lists();
    }
  });
}

void TForm_fundreport::check() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    m_type_grid->post();
    store::Cursor& t = m_types.cursor();
    if (t.empty()) return;
    check_type(read_terms(t), m_ws.dialogs());
  });
}

QPushButton* TForm_fundreport::button(const QString& caption) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

}  // namespace vmx::fund
