#include "gui/fund/fundreport_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "core/fund/fees.h"
#include "core/fund/fund_record.h"
#include "core/fund/matching.h"
#include "core/fund/report/fund_reports.h"
#include "core/fund/report/report_util.h"
#include "core/fund/report/word_processor.h"
#include "core/store/value.h"
#include "gui/fund/fund_print.h"
#include "gui/fund/in_out_window.h"
#include "gui/widgets/db_grid.h"
#include "gui/widgets/query_model.h"
#include "gui/widgets/wait_cursor.h"

namespace vmx::fund {

namespace {

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

// Shows the query's columns in the grid's order (query column numbers).
void arrange(QTableView& v, std::initializer_list<int> order) {
  QHeaderView* h = v.horizontalHeader();
  int visual = 0;
  for (int logical : order) h->moveSection(h->visualIndex(logical), visual++);
}

// A line of the type tab's "修改管理费用参数": the option, its text, up to two
// values each followed by its text.
struct TermLine {
  const char* option;
  const char* text;
  const char* value1;
  const char* text1;
  const char* value2;
  const char* text2;
};
constexpr TermLine kTermLines[] = {
    {"C5", "1.管理人保证年收益", "E9", " %(e9), 不足部分赔偿", "E10", "%(e10)"},
    {"C2", "2.按赢利提成,年超过", "E3", "%(e3)的部分提", "E4", "%(e4)"},
    {"C3", "3.年超过", "E5", " %(e5)的部分增提", "E6", "%(e6)"},
    {"C4", "4.年超过", "E7", "%(e7)的部分再增提", "E8", "%(e8)"},
    {"C8", "5.时间不足一年时, 唯后两个底限(e5,e7)不按比例缩小", nullptr, nullptr, nullptr, nullptr},
    {"C1", "6.有固定佣金,每天提基金价值的 ", "E1", " %(e1),相当年", "E2", "%(e2)"},
    {"C9", "7.资金进出手续费(仅撤资时扣除)是基金价值的", "E12", "%(e12)", nullptr, nullptr},
    {"C6", "8.投资时间不短于", "E11", "(e11) 天(打印阶段报告时用到)", nullptr, nullptr},
    {nullptr, "9. 提成日：自投资日或上次提成日起不少于", "E13", "(e13) 天", nullptr, nullptr},
};

QString hash_shown(const store::Value& v) {
  return QString::fromStdString(report::hash_format(v.as_number()));
}

}  // namespace

TForm_fundreport::TForm_fundreport(app::Workspace& ws, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_ws(ws),
      m_types(ws.session()),
      m_tich(ws.session(), "ubx", kFeeFile),
      m_lists(ws.session()),
      m_accounts(ws.session()),
      m_book(ws.session()) {
  setWindowTitle(QStringLiteral("基金管理窗口"));
  m_totals_model = std::make_unique<ui::QueryModel>(m_lists.totals());
  m_detail_model = std::make_unique<ui::QueryModel>(m_lists.detail());
  m_account_model = std::make_unique<ui::QueryModel>(m_accounts.accounts());
  m_movement_model = std::make_unique<ui::QueryModel>(m_accounts.movements());
  m_tich.open();

  auto* layout = new QVBoxLayout(this);
  m_tabs = new QTabWidget(this);
  m_tabs->addTab(build_investors(), QStringLiteral("各投资人报告"));
  m_tabs->addTab(build_fees(), QStringLiteral(" 提成处理 "));
  m_tabs->addTab(build_types(), QStringLiteral("投资类型定义"));
  m_tabs->addTab(build_accounts(), QStringLiteral("各资金帐户报告"));
  m_tabs->addTab(build_definition(), QStringLiteral("投资报告单定义"));
  m_tabs->addTab(build_addresses(), QStringLiteral("投资人通讯录"));
  layout->addWidget(m_tabs);
  // On creation: the fund name of the type marked Now, the address book and
  // both investor lists.
  platform::run_guarded(ws.dialogs(), [this] {
    fill_fund_names();
    m_book.cursor();
    reopen_lists();
  });
  connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
    if (m_last_tab == 2 && index != 2)
      platform::run_guarded(m_ws.dialogs(), [this] {
        m_type_grid->post();
        repair_types(m_types, m_ws.dialogs());
      });
    m_last_tab = index;
    if (index == 4) platform::run_guarded(m_ws.dialogs(), [this] { fill_fund_names(); });
    if (index == 3)
      platform::run_guarded(m_ws.dialogs(), [this] {
        m_accounts.reopen();
        title(*m_account_model, {"券商代码", "资金帐号", "投入金额"});
        title(*m_movement_model, {"日期", "券商代码", "资金帐号", "投入金额", "价格", "深指",
                                  "沪指", "投资人", "注释"});
        m_movement_grid->setColumnHidden(1, true);
        m_movement_grid->setColumnHidden(2, true);
        arrange(*m_movement_grid, {0, 7, 3, 4, 5, 6, 8});
        show_account_value();
      });
  });
}

// The grids and lists go first: they work on the cursors and queries that
// are members of this window, which die before QWidget deletes its children.
TForm_fundreport::~TForm_fundreport() {
  m_types.cursor().unobserve(m_type_observer);
  m_accounts.holdings().unobserve(m_account_observer);
  qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

QWidget* TForm_fundreport::build_investors() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("按拼音码找投资人:"), page));
  m_find = new QLineEdit(page);
  m_find->setMaximumWidth(80);
  top->addWidget(m_find);
  auto* filter = new QGroupBox(QStringLiteral("显示打印选择"), page);
  auto* fl = new QHBoxLayout(filter);
  m_open_records = new QRadioButton(QStringLiteral("仅含未撤资记录"), filter);
  m_all_records = new QRadioButton(QStringLiteral("所有记录"), filter);
  m_open_records->setChecked(true);
  fl->addWidget(m_open_records);
  fl->addWidget(m_all_records);
  top->addWidget(filter);
  top->addStretch();
  l->addLayout(top);
  connect(m_find, &QLineEdit::textChanged, this, [this](const QString& code) {
    platform::run_guarded(m_ws.dialogs(), [&] { m_lists.find(code.toStdString()); });
  });
  connect(m_all_records, &QRadioButton::toggled, this, [this](bool all) {
    if (all != m_lists.all_records()) set_all_records(all);
  });
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
  auto add = [&](const QString& caption, auto handler) {
    auto* b = new QPushButton(caption, page);
    connect(b, &QPushButton::clicked, this, handler);
    buttons->addWidget(b);
  };
  add(QStringLiteral("打印投资单据"), [this] { print_receipt(); });
  m_two_copies = new QCheckBox(QStringLiteral("一式两份"), page);
  buttons->addWidget(m_two_copies);
  add(QStringLiteral("打印阶段报告"), [this] { print_statement(); });
  add(QStringLiteral("打印总报表"), [this] { print_totals(); });
  add(QStringLiteral("打印设置"), [this] {
    QPrinter printer;
    QPageSetupDialog(&printer, this).exec();
  });
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
  for (int c : {0, 4, 5, 6, 7, 9, 10}) m_fee_grid->setColumnWidth(c, 82);
  for (int c : {1, 2, 3, 8}) m_fee_grid->setColumnWidth(c, 62);
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
  m_type_grid->set_columns({{"Xabc", "码"}, {"Note", "类型及说明"}});
  m_type_grid->setColumnWidth(0, 40);
  m_type_grid->setColumnWidth(1, 160);
  auto* middle = new QHBoxLayout;
  middle->addWidget(m_type_grid, 1);
  middle->addWidget(build_type_terms(page), 3);
  l->addLayout(middle, 1);
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
  m_lists.reopen();
  title(*m_totals_model,
        {"代码", "姓名", "类型", "投资数", "最终价值", "股数", "买均价", "增值%", "可取数"});
  for (int c : {4, 6, 7}) m_totals_model->set_format(c, hash_shown);
  // The grids show the columns in their own order (set once the columns exist).
  arrange(*m_totals_grid, {0, 1, 2, 3, 5, 6, 7, 4, 8});
  arrange(*m_detail_grid, {0, 1, 2, 3, 4, 6, 7, 11, 8, 9, 5, 10, 12, 13, 14, 15, 16});
  title(*m_detail_model,
        {"日期", "代码", "名称", "类型", "投资数", "市值", "股数", "买价", "最终价", "增值%",
         "可取资金", "撤资序号", "深指", "沪指", "注释", "券商码", "资金帐号"});
}

void TForm_fundreport::set_all_records(bool all) {
  platform::run_guarded(m_ws.dialogs(), [&] { m_lists.set_all_records(all); });
  sync_filter_buttons();
}

void TForm_fundreport::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ui::run_busy(m_ws.dialogs(), [this] {
    calc(m_ws.fund(), m_types);
    reopen_lists();
    store::Cursor& t = m_types.cursor();
    t.locate("Xabc", {store::Value::text("x")});
  });
  show_type_terms();
}

void TForm_fundreport::closeEvent(QCloseEvent* event) {
  m_type_grid->post();
  m_address_grid->post();
  platform::run_guarded(m_ws.dialogs(), [this] { m_ws.fund().cursor().last(); });
  event->accept();
}

void TForm_fundreport::in_out() {
  if (m_lists.all_records()) set_all_records(false);
  platform::run_guarded(m_ws.dialogs(), [this] {
    InOutSelection s;
    store::Query& t = m_lists.totals();
    store::Query& d = m_lists.detail();
    if (t.active() && !t.empty()) {
      s.pycode = t.get_string("pycode");
      s.total_dmoney = t.get_double("dmoney");
    }
    if (d.active() && !d.empty()) {
      s.pycode = d.get_string("pycode");
      s.name = d.get_string("name");
      s.xabc = d.get_string("xabc");
      s.qsdm = d.get_string("qsdm");
      s.dt = d.get_date("dt");
      s.input = d.get_double("input");
      s.unit = d.get_double("unit");
      s.dmoney = d.get_double("dmoney");
    }
    s.lists = &m_lists;
    auto* w = new TForm_in_out(
        m_ws, s,
        [this] {
          platform::run_guarded(m_ws.dialogs(), [this] {
            reopen_lists();
            if (!m_lists.detail().empty()) m_lists.detail().last();
          });
          sync_filter_buttons();
        },
        this);
    w->show();
    w->move(geometry().center() - w->rect().center());
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

QWidget* TForm_fundreport::build_accounts() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  auto* grids = new QHBoxLayout;
  m_account_grid = make_view(page, m_account_model.get());
  m_movement_grid = make_view(page, m_movement_model.get());
  grids->addWidget(m_account_grid, 1);
  grids->addWidget(m_movement_grid, 2);
  l->addLayout(grids, 1);
  l->addWidget(new QLabel(QStringLiteral("                市值       折扣价值"), page));
  m_account_value = new QLabel(page);
  m_account_rate = new QLabel(page);
  l->addWidget(m_account_value);
  l->addWidget(m_account_rate);
  l->addWidget(
      new QLabel(QStringLiteral("如果历史数据不全，市值和增值率可能不显示；增值率可能出现负值；"
                                "这不是因为程序错误。"),
                 page));
  auto* buttons = new QHBoxLayout;
  auto* print_button = new QPushButton(QStringLiteral("打印报告"), page);
  m_account_details = new QCheckBox(QStringLiteral("同时打印详细记录"), page);
  m_account_details->setChecked(true);
  auto* help = new QPushButton(QStringLiteral("解释和帮助"), page);
  buttons->addWidget(print_button);
  buttons->addWidget(m_account_details);
  buttons->addWidget(help);
  buttons->addStretch();
  l->addLayout(buttons);
  connect(print_button, &QPushButton::clicked, this, [this] { print_account(); });
  connect(help, &QPushButton::clicked, this, [this] { m_ws.help().open_keyword("accountreport"); });
  m_account_observer =
      m_accounts.holdings().observe([this](store::Query::Event) { show_account_value(); });
  return page;
}

void TForm_fundreport::show_account_value() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    store::Query& h = m_accounts.holdings();
    store::Query& a = m_accounts.accounts();
    std::optional<double> cost2, cost3;
    if (h.active() && !h.empty()) {
      cost2 = h.get_double("cost2");
      cost3 = h.get_double("cost3");
    }
    const double invested = a.active() && !a.empty() ? a.get_double("input") : 0;
    auto text = [](std::optional<double> d, int decimals) {
      return d ? QString::fromStdString(report::fixed(*d, decimals)) : QString();
    };
    m_account_value->setText(
        QStringLiteral("当前值:      %1      %2").arg(text(cost2, 2), text(cost3, 2)));
    m_account_rate->setText(QStringLiteral("增值率:      %1      %2")
                                .arg(text(report::gain_rate(cost2, invested), 2),
                                     text(report::gain_rate(cost3, invested), 2)));
  });
}

QWidget* TForm_fundreport::build_definition() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  auto* form = new QFormLayout;
  m_fund_name = new QComboBox(page);
  m_fund_name->setMaximumWidth(300);
  m_title = new QLineEdit(QStringLiteral("投资记录报告单"), page);
  m_title->setMaximumWidth(300);
  form->addRow(QStringLiteral("管理帐户或基金名称:"), m_fund_name);
  form->addRow(QStringLiteral("标题:"), m_title);
  l->addLayout(form);
  l->addWidget(new QLabel(QStringLiteral("资金进出报告内容   <可以直接在下面编辑，也可应用写字板"
                                         "编辑再剪贴；通过写字板可以打开和保存文件>"),
                          page));
  m_memo = new QPlainTextEdit(page);
  l->addWidget(m_memo, 1);
  auto* row = new QHBoxLayout;
  m_all_lines = new QCheckBox(QStringLiteral("同时打印所有记录"), page);
  m_all_lines->setChecked(true);
  m_brief = new QCheckBox(QStringLiteral("简要文字报告:"), page);
  row->addWidget(m_all_lines);
  row->addWidget(m_brief);
  auto* write = new QPushButton(QStringLiteral("用写字板编辑剪贴"), page);
  auto* help = new QPushButton(QStringLiteral("帮助"), page);
  row->addWidget(write);
  row->addWidget(help);
  row->addStretch();
  l->addLayout(row);
  connect(m_fund_name, &QComboBox::activated, this, [this](int i) { choose_fund(i); });
  connect(write, &QPushButton::clicked, this, [this] { edit_in_word_processor(); });
  connect(help, &QPushButton::clicked, this, [this] { m_ws.help().open_keyword("reportformat"); });
  return page;
}

void TForm_fundreport::fill_fund_names() {
  const QSignalBlocker block(m_fund_name);
  m_fund_name->clear();
  m_fund_codes.clear();
  store::Cursor& t = m_types.cursor();
  t.post();
  const store::RowId mark = t.current_row();
  int chosen = -1;
  for (store::RowId id : std::vector<store::RowId>(t.rows())) {
    t.go_to_bookmark(id);
    if (t.get_bool("Now")) chosen = m_fund_name->count();
    m_fund_codes.push_back(t.get_string("Xabc"));
    m_fund_name->addItem(QString::fromStdString(t.get_string("Note")));
  }
  t.go_to_bookmark(mark);
  m_fund_name->setCurrentIndex(chosen);
}

void TForm_fundreport::choose_fund(int index) {
  if (index < 0 || index >= static_cast<int>(m_fund_codes.size())) return;
  platform::run_guarded(m_ws.dialogs(), [&] {
    m_type_grid->post();
    choose_fund_name(m_types, m_fund_codes[static_cast<size_t>(index)]);
  });
}

report::ReportDefinition TForm_fundreport::definition() const {
  report::ReportDefinition d;
  d.fund_name = m_fund_name->currentText().toStdString();
  d.title = m_title->text().toStdString();
  d.all_lines = m_all_lines->isChecked();
  d.brief = m_brief->isChecked();
  d.memo = m_memo->toPlainText().toStdString();
  return d;
}

void TForm_fundreport::edit_in_word_processor() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    report::edit_in_word_processor(m_ws.shell(), m_ws.dialogs(),
                                   m_ws.login().acc_dir / report::kReportTextFile,
                                   m_memo->toPlainText().toStdString());
  });
}

QWidget* TForm_fundreport::build_addresses() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  m_address_grid = new ui::DbGrid(m_book.cursor(), m_ws.dialogs(), page);
  m_address_grid->set_columns({{"PYCODE", "代码"},
                               {"NAME", "姓名"},
                               {"TEL", "电话"},
                               {"TEL2", "BB机,传真,电子邮件"},
                               {"PC", "邮码"},
                               {"ADDR", "地址"}});
  m_address_grid->setColumnWidth(0, 50);
  m_address_grid->setColumnWidth(1, 70);
  m_address_grid->setColumnWidth(3, 160);
  m_address_grid->setColumnWidth(5, 300);
  l->addWidget(m_address_grid, 1);
  auto* order = new QGroupBox(QStringLiteral("显示和打印顺序"), page);
  auto* ol = new QHBoxLayout(order);
  auto* by_code = new QRadioButton(QStringLiteral("按代码排序"), order);
  m_by_postcode = new QRadioButton(QStringLiteral("按邮政编码排序"), order);
  by_code->setChecked(true);
  ol->addWidget(by_code);
  ol->addWidget(m_by_postcode);
  connect(m_by_postcode, &QRadioButton::toggled, this, [this](bool on) {
    platform::run_guarded(m_ws.dialogs(), [&] {
      m_address_grid->post();
      m_book.set_order(on ? AddressBook::Order::ByPostcode : AddressBook::Order::ByCode);
    });
  });
  auto* buttons = new QHBoxLayout;
  auto add = [&](const QString& caption, auto handler) {
    auto* b = new QPushButton(caption, page);
    connect(b, &QPushButton::clicked, this, handler);
    buttons->addWidget(b);
  };
  auto book_op = [this](auto op) {
    return [this, op] {
      ui::run_busy(m_ws.dialogs(), [&] {
        m_address_grid->post();
        op();
      });
    };
  };
  add(QStringLiteral("从首页补充"), book_op([this] { m_book.add_missing(m_lists); }));
  add(QStringLiteral("按代码改姓名"), book_op([this] {
        m_book.names_from_book(m_ws.fund());
        reopen_lists();
      }));
  add(QStringLiteral("指定代码改姓名"), book_op([this] {
        m_book.names_from_selected(m_ws.fund());
        reopen_lists();
      }));
  add(QStringLiteral("删除"), book_op([this] { m_book.delete_selected(); }));
  add(QStringLiteral("复制记录"), book_op([this] { m_book.copy_selected(); }));
  add(QStringLiteral("打印通讯录"), [this] { print_addresses(); });
  add(QStringLiteral("帮助"), [this] { m_ws.help().open_keyword("communication"); });
  buttons->addStretch();
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(order);
  bottom->addLayout(buttons, 1);
  l->addLayout(bottom);
  return page;
}

void TForm_fundreport::sync_filter_buttons() {
  const QSignalBlocker b1(m_all_records), b2(m_open_records);
  m_all_records->setChecked(m_lists.all_records());
  m_open_records->setChecked(!m_lists.all_records());
}

void TForm_fundreport::print(const std::function<void(platform::Printer&)>& report) {
  print_in_preview(this, m_ws, m_printer, report);
}

void TForm_fundreport::print_receipt() {
  print([this](platform::Printer& p) {
    report::print_receipt(m_ws.fund(), m_types, m_lists, m_book, definition(),
                          m_two_copies->isChecked(), p);
  });
  sync_filter_buttons();
}

void TForm_fundreport::print_statement() {
  print([this](platform::Printer& p) {
    report::print_statement(m_ws.fund(), m_lists, m_book, definition(), p);
  });
  sync_filter_buttons();
}

void TForm_fundreport::print_totals() {
  print([this](platform::Printer& p) { report::print_totals(m_ws.fund(), m_lists, p); });
}

void TForm_fundreport::print_account() {
  print([this](platform::Printer& p) {
    report::print_account_report(m_ws.fund(), m_accounts, m_account_details->isChecked(), p);
  });
}

void TForm_fundreport::print_addresses() {
  m_address_grid->post();
  print([this](platform::Printer& p) { report::print_addresses(m_ws.fund(), m_book, p); });
}

QWidget* TForm_fundreport::build_type_terms(QWidget* page) {
  auto* box = new QGroupBox(QStringLiteral("修改管理费用参数"), page);
  auto* g = new QGridLayout(box);
  auto text_box = [&](const QString& field, int width) {
    auto* e = new QLineEdit(box);
    e->setMaximumWidth(width);
    m_values[field] = e;
    connect(e, &QLineEdit::editingFinished, this, [this, field] { type_value_left(field); });
    return e;
  };
  int row = 0;
  auto* head = new QHBoxLayout;
  head->addWidget(new QLabel(QStringLiteral("投资类型码："), box));
  head->addWidget(text_box("Xabc", 40));
  head->addWidget(new QLabel(QStringLiteral("投资类型:"), box));
  head->addWidget(text_box("Note", 200));
  head->addStretch();
  g->addLayout(head, row++, 0, 1, 5);
  for (const TermLine& t : kTermLines) {
    if (t.option) {
      const QString field = QString::fromUtf8(t.option);
      auto* c = new QCheckBox(QString::fromUtf8(t.text), box);
      m_options[field] = c;
      connect(c, &QCheckBox::clicked, this,
              [this, field](bool on) { type_option_clicked(field, on); });
      g->addWidget(c, row, 0);
    } else {
      g->addWidget(new QLabel(QString::fromUtf8(t.text), box), row, 0);
    }
    if (t.value1) {
      g->addWidget(text_box(QString::fromUtf8(t.value1), 70), row, 1);
      g->addWidget(new QLabel(QString::fromUtf8(t.text1), box), row, 2);
    }
    if (t.value2) {
      g->addWidget(text_box(QString::fromUtf8(t.value2), 70), row, 3);
      g->addWidget(new QLabel(QString::fromUtf8(t.text2), box), row, 4);
    }
    ++row;
  }
  for (const char* note : {"(否则四个底限e9,e3,e5,e7皆按投资时间长短减小或放大; 应有e7>e5>e3>=e9)",
                           "(在撤资时扣除,基金价值用期初和期末的平均值，e1和e2只需填一个，另一个"
                           "自动算出)"})
    g->addWidget(new QLabel(QString::fromUtf8(note), box), row++, 0, 1, 5);
  g->setColumnStretch(5, 1);
  g->setRowStretch(row, 1);
  m_type_observer = m_types.cursor().observe([this](store::Cursor::Event e) {
    if (e != store::Cursor::Event::Changed) show_type_terms();
  });
  return box;
}

void TForm_fundreport::show_type_terms() {
  if (m_showing_terms) return;
  m_showing_terms = true;
  platform::run_guarded(m_ws.dialogs(), [this] {
    store::Cursor& t = m_types.cursor();
    const bool any = t.active() && !t.empty();
    for (auto& [field, box] : m_options) box->setChecked(any && t.get_bool(field.toStdString()));
    for (auto& [field, box] : m_values) {
      const std::string f = field.toStdString();
      if (!any)
        box->clear();
      else if (f == "Xabc" || f == "Note")
        box->setText(QString::fromStdString(t.get_string(f)));
      else
        box->setText(QString::fromStdString(store::format_number(t.get_double(f))));
    }
  });
  m_showing_terms = false;
}

void TForm_fundreport::type_value_left(const QString& field) {
  if (m_showing_terms) return;
  platform::run_guarded(m_ws.dialogs(), [&] {
    m_type_grid->post();
    store::Cursor& t = m_types.cursor();
    if (t.empty()) return;
    const std::string f = field.toStdString();
    const std::string text = m_values[field]->text().trimmed().toStdString();
    if (f == "Xabc" || f == "Note") {
      if (t.get_string(f) == text) return;
      t.set_string(f, text);
    } else {
      const double v = store::Value::text(text).as_number();
      if (t.get_double(f) == v && f != "E1" && f != "E2") return;
      t.set_double(f, v);
      // Either fee box fills the other.
      if (f == "E1") t.set_double("E2", e2_from_e1(v));
      if (f == "E2") t.set_double("E1", e1_from_e2(v));
    }
    t.post();
    m_types.reload();
  });
  show_type_terms();
}

void TForm_fundreport::type_option_clicked(const QString& field, bool on) {
  platform::run_guarded(m_ws.dialogs(), [&] {
    m_type_grid->post();
    store::Cursor& t = m_types.cursor();
    if (t.empty()) return;
    t.set_bool(field.toStdString(), on);
    if (field == "C1" && !on) {
      t.set_double("E1", 0);
      t.set_double("E2", 0);
      t.set_bool("C7", false);
    }
    if (field == "C5" && on) t.set_bool("C6", true);
    t.post();
    m_types.reload();
  });
  show_type_terms();
}

QCheckBox* TForm_fundreport::option_box(const QString& field) const {
  auto it = m_options.find(field);
  return it == m_options.end() ? nullptr : it->second;
}

QLineEdit* TForm_fundreport::value_box(const QString& field) const {
  auto it = m_values.find(field);
  return it == m_values.end() ? nullptr : it->second;
}

QPushButton* TForm_fundreport::button(const QString& caption) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

}  // namespace vmx::fund
