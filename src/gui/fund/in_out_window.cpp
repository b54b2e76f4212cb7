#include "gui/fund/in_out_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/fund/investment_types.h"
#include "core/fund/movements.h"
#include "core/ledger/trading.h"
#include "core/platform/error_boundary.h"
#include "core/store/query.h"
#include "core/store/value.h"

namespace vmx::fund {

TForm_in_out::TForm_in_out(app::Workspace& ws, const InOutSelection& sel,
                           std::function<void()> on_close, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      m_ws(ws),
      m_sel(sel),
      m_on_close(std::move(on_close)) {
  setWindowTitle(QStringLiteral("注:进出资数据输入窗口"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  m_code = new QLineEdit(QString::fromStdString(sel.pycode), this);
  m_name = new QLineEdit(QString::fromStdString(sel.name), this);
  m_qsdm = new QLineEdit(this);
  m_broker = new QLabel(this);
  m_lookup = new QComboBox(this);
  m_lookup->setToolTip(QStringLiteral("券商代码;资金帐号"));
  m_account = new QComboBox(this);
  m_type = new QLineEdit(QString::fromStdString(sel.xabc), this);
  m_amount = new QLineEdit(this);
  m_one = new QRadioButton(QStringLiteral("指定一笔"), this);
  m_all = new QRadioButton(QStringLiteral("所有资金"), this);
  m_one->setChecked(true);
  m_date = new QLineEdit(QString::fromStdString(ws.clock().today().to_string()), this);
  m_due = new QLabel(this);
  form->addRow(QStringLiteral("投资人代码:"), m_code);
  form->addRow(QStringLiteral("姓名:"), m_name);
  auto* broker = new QHBoxLayout;
  broker->addWidget(m_qsdm);
  broker->addWidget(m_lookup);
  broker->addWidget(m_broker);
  form->addRow(QStringLiteral("券商代码:"), broker);
  form->addRow(QStringLiteral("资金帐号:"), m_account);
  form->addRow(QStringLiteral("投资类型:"), m_type);
  form->addRow(QStringLiteral("投入资金(元):"), m_amount);
  form->addRow(new QLabel(QStringLiteral("负数表示撤资"), this));
  auto* choice = new QHBoxLayout;
  choice->addWidget(m_one);
  choice->addWidget(m_all);
  form->addRow(QStringLiteral("撤资数量"), choice);
  form->addRow(QStringLiteral("投入日期"), m_date);
  form->addRow(QStringLiteral("可取日期"), m_due);
  layout->addLayout(form);
  m_units = new QLabel(this);
  m_now = new QLabel(this);
  m_later = new QLabel(this);
  layout->addWidget(m_units);
  layout->addWidget(m_now);
  layout->addWidget(m_later);
  auto* notice =
      new QLabel(QStringLiteral("注意: 如母窗口管理人数据与此窗口不同,则以此窗口数据为准"), this);
  notice->setStyleSheet(QStringLiteral("color: red"));
  layout->addWidget(notice);
  auto* buttons = new QHBoxLayout;
  auto* ok_button = new QPushButton(QStringLiteral("确定"), this);
  auto* quit = new QPushButton(QStringLiteral("退出"), this);
  auto* help = new QPushButton(QStringLiteral("帮助"), this);
  buttons->addWidget(ok_button);
  buttons->addWidget(quit);
  buttons->addWidget(help);
  layout->addLayout(buttons);
  connect(ok_button, &QPushButton::clicked, this, [this] { ok(); });
  connect(quit, &QPushButton::clicked, this, &QWidget::close);
  connect(help, &QPushButton::clicked, this, [this] { m_ws.help().open_keyword("fund_in_out"); });
  connect(m_one, &QRadioButton::toggled, this, [this] { fill_amount(); });
  connect(m_date, &QLineEdit::editingFinished, this, [this] { date_or_type_changed(); });
  connect(m_type, &QLineEdit::textEdited, this, [this] { date_or_type_changed(); });
  connect(m_lookup, &QComboBox::activated, this, [this](int i) { broker_chosen(i); });
  m_date->installEventFilter(this);

  platform::run_guarded(ws.dialogs(), [&] {
    // The detail row's broker when the holdings know it, else the first row's.
    std::string qsdm = sel.qsdm;
    bool known = false;
    for (const auto& a : cash_accounts(ws.ledger())) known = known || a.qsdm == qsdm;
    if (!known) {
      const auto accounts = cash_accounts(ws.ledger());
      qsdm = accounts.empty() ? "" : accounts.front().qsdm;
    }
    m_qsdm->setText(QString::fromStdString(qsdm));
    m_broker->setText(QString::fromStdString(ws.lookups().qsdm_to_qs(qsdm)));
    fill_accounts();
    fill_amount();
    TypeBook types(ws.session());
    const int days = xabc_to_days(types, sel.xabc);
    const Date today = ws.clock().today();
    m_due->setText(sel.input > 0
                       ? QString::fromStdString(std::max(sel.dt.add_days(days), today).to_string())
                       : QStringLiteral("无"));
    fill_lookup();
    if (sel.lists) {
      const InOutSummary sum = in_out_summary(ws.fund(), types, *sel.lists);
      m_units->setText(QString::fromStdString(sum.units_line));
      m_now->setText(QStringLiteral("当前总可取资金(元):") +
                     QString::fromStdString(store::format_number(sum.now)));
      m_later->setText(QStringLiteral("到期总可取资金(元):") +
                       QString::fromStdString(store::format_number(sum.later)));
    }
  });
}

void TForm_in_out::fill_lookup() {
  store::Query q(m_ws.session(), "ubx");
  q.set_text(
      "select distinct wth,qsdm, qs,zjzh\n"
      "from tr2.dbf\n"
      "where wth<'P' or wth='' and lx='xj'");
  q.open();
  m_lookup->clear();
  m_lookup_rows.clear();
  for (q.first(); !q.eof(); q.next()) {
    m_lookup_rows.emplace_back(q.get_string("qsdm"), q.get_string("zjzh"));
    m_lookup->addItem(QString::fromStdString(q.get_string("qsdm") + "  " + q.get_string("zjzh")));
  }
  m_lookup->setCurrentIndex(-1);
}

void TForm_in_out::broker_chosen(int index) {
  if (index < 0 || index >= static_cast<int>(m_lookup_rows.size())) return;
  platform::run_guarded(m_ws.dialogs(), [&] {
    const std::string& qsdm = m_lookup_rows[static_cast<size_t>(index)].first;
    m_qsdm->setText(QString::fromStdString(qsdm));
    fill_accounts();
    m_broker->setText(QString::fromStdString(m_ws.lookups().qsdm_to_qs(qsdm)));
  });
}

void TForm_in_out::date_or_type_changed() {
  platform::run_guarded(m_ws.dialogs(), [&] {
    TypeBook types(m_ws.session());
    const Date d = ledger::read_box_date(m_date->text().toStdString());
    m_due->setText(QString::fromStdString(
        d.add_days(xabc_to_days(types, m_type->text().toStdString())).to_string()));
  });
}

bool TForm_in_out::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_date && event->type() == QEvent::MouseButtonDblClick)
    m_date->setText(QString::fromStdString(m_ws.clock().today().to_string()));
  return QWidget::eventFilter(watched, event);
}

void TForm_in_out::fill_accounts() {
  m_account->clear();
  for (const auto& a : cash_accounts(m_ws.ledger()))
    if (a.qsdm == m_qsdm->text().toStdString()) m_account->addItem(QString::fromStdString(a.zjzh));
  m_account->setCurrentIndex(m_account->count() - 1);
}

void TForm_in_out::fill_amount() {
  const double v =
      m_one->isChecked() ? (m_sel.dmoney >= 0 ? -m_sel.dmoney : 0) : -m_sel.total_dmoney;
  m_amount->setText(QString::fromStdString(store::format_number(v == 0 ? 0 : v)));
}

void TForm_in_out::ok() {
  bool done = false;
  platform::run_guarded(m_ws.dialogs(), [&] {
    TypeBook types(m_ws.session());
    const InOutEntry e{m_code->text().toStdString(), m_name->text().toStdString(),
                       m_qsdm->text().toStdString(), m_account->currentText().toStdString(),
                       m_type->text().toStdString(), m_amount->text().toStdString(),
                       m_date->text().toStdString()};
    const InOutResult r = in_out_confirm(m_ws.fund(), types, e);
    done = r == InOutResult::Done;
    // A withdrawal was matched: the lists show every record, the new group too.
    if (r != InOutResult::Declined && m_sel.lists && store::Value::text(e.amount).as_number() < 0)
      m_sel.lists->set_all_records(true);
  });
  if (done) close();
}

void TForm_in_out::closeEvent(QCloseEvent* event) {
  if (m_on_close) m_on_close();
  event->accept();
}

}  // namespace vmx::fund
