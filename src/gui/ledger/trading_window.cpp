#include "gui/ledger/trading_window.h"

#include <optional>

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>

#include "core/ledger/holdings_record.h"
#include "core/ledger/settlement.h"
#include "core/ledger/trading.h"
#include "core/ledger/valuation.h"
#include "core/login/workspace.h"
#include "core/platform/error_boundary.h"
#include "core/store/display.h"
#include "core/store/value.h"
#include "gui/market/security_list_window.h"
#include "gui/widgets/radio_group.h"
#include "gui/widgets/wait_cursor.h"

namespace vmx::ledger {

namespace {

inline constexpr const char* kShortChoice = "卖空(只适合期货)";
inline constexpr const char* kNoShortSelling =
    "该类型不许卖空；你需要改变类型或进入类型设置窗口把该类型的可卖空字段由False改为True";
inline constexpr const char* kPriceZero = "该股价格表中价格0,可能是因为停牌。";
inline constexpr const char* kUnknownQuantity = "?????";
inline constexpr const char* kNoQuantity = "???";

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& t) { return t.trimmed().toStdString(); }

// Money in units of ten thousand, cut (not rounded) to two decimals.
QString wan(double x) { return QString::number(std::trunc(x * 0.01) * 0.01, 'g', 15); }

// A single-precision price as the boxes show it: no digits the float does
// not carry.
QString price_text(double p) { return QString::number(static_cast<float>(p), 'g', 7); }

}  // namespace

TForm_chuli::TForm_chuli(app::Workspace& workspace, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      m_ws(workspace),
      m_trading(
          std::make_unique<Trading>(workspace.ledger(), workspace.lookups(), workspace.clock())) {
  setObjectName("TForm_chuli");
  setWindowTitle("手工委托处理窗口");
  build();
  platform::run_guarded(m_ws.dialogs(), [this] {
    for_qsdm();
    // The type list: every type with its name, keyed by the code.
    store::Cursor& types = m_ws.lookups().types();
    for (types.first(); !types.eof(); types.next()) {
      const QString lx = q(types.get_string("Lx"));
      m_types->addItem(lx + "  " + q(types.get_string("Lxm")), lx);
    }
    m_types->setCurrentIndex(-1);
  });
  set_mm();
  set_mk_back();
}

TForm_chuli::~TForm_chuli() = default;

int TForm_chuli::order_counter() const { return m_trading->order_numbers().counter(); }

void TForm_chuli::build() {
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);
  int row = 0;
  auto label = [&](const char* text, int r, int c) {
    auto* l = new QLabel(text, this);
    grid->addWidget(l, r, c);
    return l;
  };
  auto combo = [&](const char* name) {
    auto* b = new QComboBox(this);
    b->setObjectName(name);
    b->setEditable(true);
    b->setInsertPolicy(QComboBox::NoInsert);
    b->setMinimumWidth(120);
    return b;
  };
  auto edit = [&](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    return e;
  };

  label("券商代码：", row, 0);
  m_qsdm = combo("Combo_qsdm");
  grid->addWidget(m_qsdm, row, 1);
  m_qs_label = label("券商：", row, 2);
  grid->addWidget(m_qs_label, row, 2, 1, 2);
  ++row;
  label("资金帐号：", row, 0);
  m_zjzh = combo("Combo_zjzh");
  grid->addWidget(m_zjzh, row, 1);
  label("货币：", row, 2);
  m_bi_label = label("", row, 3);
  ++row;
  label("股东代码:", row, 0);
  m_gddm = combo("combo_gddm");
  grid->addWidget(m_gddm, row, 1);
  label("比率(和结算货币比)：", row, 2);
  m_rate_label = label("", row, 3);
  ++row;
  m_code_label = label("证券代码：", row, 0);
  m_code = edit("Edit4");
  grid->addWidget(m_code, row, 1);
  m_name_label = label("", row, 2);
  m_query = new QPushButton("查询", this);
  m_query->setAutoDefault(false);
  grid->addWidget(m_query, row, 3);
  ++row;
  label("价格：", row, 0);
  m_price = edit("Edit2");
  grid->addWidget(m_price, row, 1);
  label("数量：", row, 2);
  m_amt = edit("Edit5");
  grid->addWidget(m_amt, row, 3);
  ++row;
  label("类型：", row, 0);
  m_lx = edit("Edit3");
  grid->addWidget(m_lx, row, 1);
  m_types = new QComboBox(this);
  m_types->setObjectName("DBLookupComboBox1");
  m_types->setMaxVisibleItems(20);
  grid->addWidget(m_types, row, 2, 1, 2);
  ++row;
  label("交易日期:", row, 0);
  m_date = edit("Edit_dt");
  grid->addWidget(m_date, row, 1);
  label("委托号：", row, 2);
  m_wth = edit("Edit1");
  grid->addWidget(m_wth, row, 3);
  ++row;
  m_funds_label = label("可用资金:", row, 0);
  grid->addWidget(m_funds_label, row, 0, 1, 2);
  m_margin_label = label("保证金:", row, 2);
  grid->addWidget(m_margin_label, row, 2, 1, 2);
  ++row;
  m_qty_label = label("可买数量(金额/报价):", row, 0);
  grid->addWidget(m_qty_label, row, 0, 1, 4);

  const ui::RadioGroup direction =
      ui::make_radio_group({}, {"做多", kShortChoice}, 0, this, Qt::Horizontal);
  m_direction = direction.buttons;
  layout->addWidget(direction.box);

  auto* buttons = new QGridLayout;
  auto button = [&](const char* caption, int r, int c) {
    auto* b = new QPushButton(caption, this);
    b->setAutoDefault(false);
    buttons->addWidget(b, r, c);
    return b;
  };
  m_buy = button("买入或做多开仓", 0, 0);
  m_sell = button("卖出或做多平仓", 0, 1);
  m_short_open = button("卖空开仓", 1, 0);
  m_short_close = button("卖空平仓", 1, 1);
  m_cancel = button("取消委托", 0, 2);
  m_settle = button("确认结算", 1, 2);
  QPushButton* help = button("帮助", 0, 3);
  QPushButton* close_button = button("关闭", 1, 3);
  m_switch = button(">", 0, 4);
  m_switch->setToolTip("改变缺省的记录操作选择");
  layout->addLayout(buttons);

  connect(m_qsdm, &QComboBox::activated, this, [this] {
    platform::run_guarded(m_ws.dialogs(), [this] {
      m_qs_label->setText("券商:" + q(m_ws.lookups().qsdm_to_qs(s(m_qsdm->currentText()))));
      for_zjzh();
      for_gddm();
    });
  });
  connect(m_zjzh, &QComboBox::activated, this,
          [this] { platform::run_guarded(m_ws.dialogs(), [this] { for_gddm(); }); });
  connect(m_types, &QComboBox::activated, this,
          [this](int index) { type_chosen(m_types->itemData(index).toString()); });
  // The list shows the type in the type box, not whichever type sorts first.
  connect(m_lx, &QLineEdit::textChanged, this, [this](const QString& lx) {
    const QSignalBlocker quiet(m_types);
    m_types->setCurrentIndex(m_types->findData(lx.trimmed()));
  });
  connect(m_price, &QLineEdit::textChanged, this, &TForm_chuli::Edit2Change);
  connect(m_code, &QLineEdit::textChanged, this, &TForm_chuli::Edit4Change);
  connect(m_direction, &QButtonGroup::idClicked, this, &TForm_chuli::RadioGroup1Click);
  connect(m_query, &QPushButton::clicked, this, [this] {
    if (m_security) m_security->show_beside_trading(this);
  });
  connect(m_buy, &QPushButton::clicked, this, &TForm_chuli::BitBtn1_buyClick);
  connect(m_short_open, &QPushButton::clicked, this, &TForm_chuli::BitBtn1_buyClick);
  connect(m_sell, &QPushButton::clicked, this, &TForm_chuli::BitBtn2_sellClick);
  connect(m_short_close, &QPushButton::clicked, this, &TForm_chuli::BitBtn2_sellClick);
  connect(m_cancel, &QPushButton::clicked, this, &TForm_chuli::BitBtn3_cxClick);
  connect(m_settle, &QPushButton::clicked, this, &TForm_chuli::BitBtn4_pcClick);
  connect(help, &QPushButton::clicked, this, [this] { m_ws.help().open_keyword("buysell"); });
  connect(close_button, &QPushButton::clicked, this, &QWidget::close);
  connect(m_switch, &QPushButton::clicked, this, &TForm_chuli::Button1Click);
  m_wth->installEventFilter(this);
  m_code_label->installEventFilter(this);
}

QPushButton* TForm_chuli::button(const QString& caption) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

// ---- hand-over and modes ----

void TForm_chuli::take_order_row(const OrderListRow& row) {
  {
    const QSignalBlocker b1(m_gddm), b2(m_qsdm), b3(m_zjzh);
    m_gddm->setEditText(q(row.gddm));
    m_qsdm->setEditText(q(row.qsdm));
    m_zjzh->setEditText(q(row.zjzh));
  }
  m_amt->setText(q(store::format_number(row.amt)));
  m_qs_label->setText(q(row.qs));
  m_lx->setText(q(row.lx));
  m_name_label->setText(q(row.name));
  m_row_wth = row.wth;
  m_row_amt = row.amt;
  m_date0 = row.date1;
  m_code->setText(q(row.code));
  const int side = row.bs == -1 ? 1 : 0;
  m_direction->button(side)->setChecked(true);
  RadioGroup1Click(side);
  if (row.wth > kOrderLow && row.wth < kOrderHighWide) {
    m_price->setText(price_text(row.price1));
    set_cd_pc();
  } else {
    m_price->setText(price_text(row.price2));
    set_mm();
    if (m_direction->checkedId() == 0)
      set_mk_back();
    else
      set_mk();
  }
}

void TForm_chuli::take_security(const std::string& code, const std::string& name, double price) {
  m_code->setText(q(code));
  m_name_label->setText(q(name));
  m_price->setText(price_text(price));
}

void TForm_chuli::set_mm() {
  m_wth->clear();
  m_wth->setEnabled(true);
  for (QWidget* w : std::initializer_list<QWidget*>{m_code, m_date, m_query}) w->setEnabled(true);
  for (QAbstractButton* b : m_direction->buttons()) b->setEnabled(true);
  m_date->setText(q(m_ws.clock().today().to_string()));
  bool ok = false;
  const double amount = m_amt->text().trimmed().toDouble(&ok);
  if (ok) m_amt->setText(q(store::format_number(std::fabs(amount))));
  m_cancel->setEnabled(false);
  m_settle->setEnabled(false);
  m_switch->setText(">");
}

void TForm_chuli::set_cd_pc() {
  m_wth->setText(q(m_row_wth));
  m_date->setText(q(m_date0.to_string()));
  m_amt->setText(q(store::format_number(m_row_amt)));
  for (QWidget* w : std::initializer_list<QWidget*>{m_code, m_wth, m_date, m_buy, m_sell,
                                                    m_short_open, m_short_close, m_query})
    w->setEnabled(false);
  for (QAbstractButton* b : m_direction->buttons()) b->setEnabled(false);
  m_cancel->setEnabled(true);
  m_settle->setEnabled(true);
  m_switch->setText("<");
}

void TForm_chuli::set_mk() {
  m_buy->setEnabled(false);
  m_sell->setEnabled(false);
  m_short_open->setEnabled(true);
  m_short_close->setEnabled(true);
}

void TForm_chuli::set_mk_back() {
  m_buy->setEnabled(true);
  m_sell->setEnabled(true);
  m_short_open->setEnabled(false);
  m_short_close->setEnabled(false);
}

void TForm_chuli::Button1Click() {
  if (m_switch->text() == ">") {
    set_cd_pc();
    return;
  }
  set_mm();
  if (m_direction->checkedId() == 1)
    set_mk();
  else
    set_mk_back();
}

bool TForm_chuli::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == m_wth || watched == m_code_label) &&
      event->type() == QEvent::MouseButtonDblClick) {
    set_mm();
    if (m_direction->checkedId() == 1)
      set_mk();
    else
      set_mk_back();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

// ---- what the window shows ----

void TForm_chuli::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TForm_chuli::FormShow() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    Ledger& ledger = m_ws.ledger();
    holdings_cursor(ledger);
    const std::string qsdm = s(m_qsdm->currentText());
    const std::string zjzh = s(m_zjzh->currentText());
    m_balance = static_cast<double>(ledger.zjzhxj1(qsdm, zjzh));
    m_funds = static_cast<double>(ledger.zjzhxj(qsdm, zjzh));
    const Affordable a = affordable_quantities(m_balance, m_funds, s(m_price->text()));
    if (a.on_balance && a.on_funds) {
      m_qb = QString::number(*a.on_balance);
      m_qf = QString::number(*a.on_funds);
    } else {
      m_qb = m_qf = kUnknownQuantity;
    }
    show_quantities();

    const QString gddm = m_gddm->currentText();
    const QString account = m_zjzh->currentText();
    for_zjzh();
    {
      const QSignalBlocker quiet(m_zjzh);
      m_zjzh->setEditText(account);
    }
    for_gddm();
    {
      const QSignalBlocker quiet(m_gddm);
      m_gddm->setEditText(gddm);
    }
    margin_text();
  });
}

void TForm_chuli::show_quantities() {
  if (m_balance >= m_funds) {
    m_funds_label->setText("可用资金：" + wan(m_funds) + "万元");
    m_qty_label->setText("可买股票：" + m_qf + "股");
  } else {
    // Pending sells announce proceeds: what is there now and what will be.
    m_funds_label->setText("可用资金：" + wan(m_balance) + "--" + wan(m_funds) + "万元");
    m_qty_label->setText("可买股票：" + m_qb + "--" + m_qf + "股");
  }
}

void TForm_chuli::margin_text() {
  const float rate = m_ws.lookups().lx_bzj_rate(s(m_lx->text()));
  m_margin_label->setText("保证金:" + q(store::format_number(rate)).left(5) + "倍");
}

void TForm_chuli::Edit2Change(const QString& text) {
  if (text.size() < 3) return;
  const Affordable a = affordable_quantities(m_balance, m_funds, s(text));
  if (!a.on_balance || !a.on_funds) {
    m_qty_label->setText(kNoQuantity);
    return;
  }
  m_qb = QString::number(*a.on_balance);
  m_qf = QString::number(*a.on_funds);
  show_quantities();
}

void TForm_chuli::Edit4Change(const QString& text) {
  if (text.size() != 4 && text.size() != 6) return;
  platform::run_guarded(m_ws.dialogs(), [&] {
    const std::string code = text.toStdString();
    store::Cursor& securities = m_ws.securities().cursor();
    if (securities.locate("CODE", {store::Value::text(code)})) {
      m_name_label->setText(q(securities.get_string("NAME")));
      const auto price = static_cast<float>(securities.get_double("PRICE"));
      if (price != 0) {
        m_price->setText(price_text(price));
      } else {
        m_ws.dialogs().inform(kPriceZero);
        m_price->clear();
        m_qty_label->setText(kNoQuantity);
      }
    } else {
      m_name_label->clear();
      m_price->clear();
      m_qty_label->setText(kNoQuantity);
    }
    const std::string lx = m_ws.lookups().code_to_lx(code);
    if (lx != "???") {
      m_lx->setText(q(lx));
      margin_text();
    }
  });
}

void TForm_chuli::type_chosen(const QString& lx) {
  m_lx->setText(lx);
  platform::run_guarded(m_ws.dialogs(), [this] { margin_text(); });
}

void TForm_chuli::RadioGroup1Click(int index) {
  if (index == 1) {
    bool allowed = false;
    platform::run_guarded(m_ws.dialogs(),
                          [&] { allowed = may_sell_short(m_ws.lookups(), s(m_lx->text())); });
    if (!allowed) {
      m_ws.dialogs().inform(kNoShortSelling);
      m_direction->button(0)->setChecked(true);
      set_mk_back();
      return;
    }
    set_mk();
    return;
  }
  set_mk_back();
}

int TForm_chuli::bs() const { return m_direction->checkedId() == 1 ? -1 : 1; }

// ---- the account lists, from the holdings view ----

void TForm_chuli::for_qsdm() {
  const QSignalBlocker quiet(m_qsdm);
  const QString text = m_qsdm->currentText();
  m_qsdm->clear();
  for (const std::string& qsdm : broker_codes(m_ws.ledger())) m_qsdm->addItem(q(qsdm));
  m_qsdm->setEditText(text);
}

void TForm_chuli::for_zjzh() {
  const std::string qsdm = s(m_qsdm->currentText());
  const QSignalBlocker quiet(m_zjzh);
  m_zjzh->clear();
  for (const std::string& zjzh : cash_accounts(m_ws.ledger(), qsdm)) m_zjzh->addItem(q(zjzh));
}

void TForm_chuli::for_gddm() {
  const std::string qsdm = s(m_qsdm->currentText());
  const std::string zjzh = s(m_zjzh->currentText());
  {
    const QSignalBlocker quiet(m_gddm);
    m_gddm->clear();
    const std::vector<std::string> codes = shareholder_codes(m_ws.ledger(), qsdm, zjzh);
    for (const std::string& gddm : codes) m_gddm->addItem(q(gddm));
    if (!codes.empty()) m_gddm->setEditText(q(codes.back()));
  }
  store::reference::Lookups& lookups = m_ws.lookups();
  m_bi_label->setText(q(lookups.zjzh_to_bi(qsdm, zjzh)).toUpper());
  m_rate_label->setText(
      q(store::shown_number(lookups.zjzh_to_birate(qsdm, zjzh), store::Shown::Rate)));
}

// ---- the operations ----

TradeForm TForm_chuli::form() const {
  TradeForm f;
  f.order_number = s(m_wth->text());
  f.qsdm = s(m_qsdm->currentText());
  f.zjzh = s(m_zjzh->currentText());
  f.gddm = s(m_gddm->currentText());
  f.lx = s(m_lx->text());
  f.code = s(m_code->text());
  f.quantity = m_amt->text().toStdString();
  f.price = m_price->text().toStdString();
  f.trade_date = m_date->text().toStdString();
  f.short_side = bs() == -1;
  f.date0 = m_date0;
  return f;
}

// Buy, sell and cancel end alike: on success the window closes, and the
// main window is positioned on the order as stored.
void TForm_chuli::run_order(const std::function<OrderResult(const TradeForm&)>& operation,
                            bool wait_cursor) {
  OrderResult result;
  const bool ran = platform::run_guarded(m_ws.dialogs(), [&] {
    std::optional<ui::WaitCursor> wait;
    if (wait_cursor) wait.emplace();
    result = operation(form());
  });
  if (!ran || !result.done) return;
  m_last_wth = result.order_number;
  close();
}

void TForm_chuli::BitBtn1_buyClick() {
  run_order([this](const TradeForm& f) { return m_trading->buy(f); }, true);
}

void TForm_chuli::BitBtn2_sellClick() {
  run_order([this](const TradeForm& f) { return m_trading->sell(f); }, true);
}

void TForm_chuli::BitBtn3_cxClick() {
  run_order([this](const TradeForm& f) { return m_trading->cancel(f); }, false);
}

void TForm_chuli::BitBtn4_pcClick() {
  SettleResult result;
  const bool ran =
      platform::run_guarded(m_ws.dialogs(), [&] { result = settle(*m_trading, form()); });
  if (!ran) return;
  switch (result.outcome) {
    case SettleOutcome::NoOrderNumber:
      close();
      return;
    case SettleOutcome::ZeroQuantity:
      if (!result.cancel_result.done) return;
      m_last_wth = result.cancel_result.order_number;
      close();
      return;
    case SettleOutcome::Settled:
      m_wth->clear();
      m_last_wth = result.order_number;
      close();
      return;
    case SettleOutcome::OrderNotFound:
    case SettleOutcome::Declined:
    case SettleOutcome::Failed:
      return;
  }
}

// Every way of closing ends here: the valuation runs and the main window
// shows the order just booked, cancelled or settled.
void TForm_chuli::closeEvent(QCloseEvent* event) {
  const std::string wth = m_last_wth.empty() ? s(m_wth->text()) : m_last_wth;
  m_last_wth.clear();
  platform::run_guarded(m_ws.dialogs(), [this] {
    Valuation valuation(m_ws.ledger(), m_ws.lookups(), m_ws.dialogs(), m_ws.clock());
    valuation.up_calc();
  });
  if (m_refresh_main) {
    const std::string code = s(m_code->text());
    const std::string qsdm = s(m_qsdm->currentText());
    const std::string zjzh = s(m_zjzh->currentText());
    platform::run_guarded(m_ws.dialogs(), [&] { m_refresh_main(code, qsdm, zjzh, wth); });
  }
  event->accept();
}

}  // namespace vmx::ledger
