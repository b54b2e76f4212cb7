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
#include "core/platform/error_boundary.h"
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
    m_units->setText(QStringLiteral("所持%1类型基金数量(股数):%2")
                         .arg(QString::fromStdString(sel.xabc))
                         .arg(sel.unit, 0, 'f', 2));
    m_later->setText(QStringLiteral("到期总可取资金(元):%1").arg(sel.total_dmoney, 0, 'f', 0));
  });
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
    done = in_out_confirm(m_ws.fund(), types, e) == InOutResult::Done;
  });
  if (done) close();
}

void TForm_in_out::closeEvent(QCloseEvent* event) {
  if (m_on_close) m_on_close();
  event->accept();
}

}  // namespace vmx::fund
