#include "gui/ledger/new_account_window.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/ledger/new_account.h"
#include "core/login/workspace.h"
#include "core/platform/error_boundary.h"
#include "gui/reference/settings_window.h"

namespace vmx::ledger {

TForm_newacc::TForm_newacc(app::Workspace& workspace, store::reference::TForm_set* settings,
                           QWidget* parent)
    : QDialog(parent), m_ws(workspace), m_settings(settings) {
  setObjectName("TForm_newacc");
  setWindowTitle("新建资金帐户");
  setMinimumWidth(360);
  build();
  reload_lists();
}

TForm_newacc::~TForm_newacc() = default;

TForm_newacc* TForm_newacc::launch(app::Workspace& workspace, store::reference::TForm_set* settings,
                                   QWidget* parent) {
  auto* w = new TForm_newacc(workspace, settings, parent);
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->show();
  w->raise();
  w->activateWindow();
  return w;
}

void TForm_newacc::build() {
  auto* layout = new QVBoxLayout(this);

  m_broker_list = new QComboBox;
  m_broker_list->setObjectName("DBLookupComboBox1");
  m_broker_list->setMinimumWidth(100);
  m_define = new QPushButton("新定义");
  m_define->setToolTip("券商不在列表中时，到设置窗口的券商代码表添加");
  m_define->setEnabled(m_settings != nullptr);
  auto* pick_row = new QHBoxLayout;
  pick_row->addWidget(m_broker_list, 1);
  pick_row->addWidget(m_define);

  // The widths of the ledger's fields: a longer text could not be stored.
  m_qsdm = new QLineEdit;
  m_qsdm->setMaxLength(4);
  m_qs = new QLineEdit;
  m_zjzh = new QLineEdit;
  m_zjzh->setMaxLength(8);
  m_amount = new QLineEdit("0");
  m_currency = new QComboBox;
  m_currency->setObjectName("DBLookupComboBox2");

  auto* form = new QFormLayout;
  form->addRow("选择券商:", pick_row);
  form->addRow("券商代码", m_qsdm);
  form->addRow("券商名", m_qs);
  form->addRow("资金帐户", m_zjzh);
  form->addRow("现金数量", m_amount);
  form->addRow("货币", m_currency);
  layout->addLayout(form);

  auto* note = new QLabel(
      "新的资金帐户和股东帐户也可以在持仓编辑窗口中拷贝一行再修改而建立；"
      "股东帐户不必登记，在买卖窗口中输入股东代码即可。");
  note->setWordWrap(true);
  layout->addWidget(note);

  auto* buttons = new QHBoxLayout;
  m_ok = new QPushButton("确定");
  m_close = new QPushButton("关闭");
  for (QPushButton* b : {m_ok, m_close, m_define}) b->setAutoDefault(false);
  buttons->addStretch(1);
  buttons->addWidget(m_ok);
  buttons->addWidget(m_close);
  layout->addLayout(buttons);

  connect(m_broker_list, &QComboBox::activated, this,
          [this](int index) { DBLookupComboBox1CloseUp(index); });
  connect(m_ok, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(m_close, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  connect(m_define, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TForm_newacc::reload_lists() {
  const QString broker = m_broker_list->currentText();
  const QString currency = m_currency->currentData().toString();
  m_broker_list->clear();
  m_currency->clear();
  platform::run_guarded(m_ws.dialogs(), [this] {
    for (const auto& [code, name] : broker_choices(m_ws.session()))
      m_broker_list->addItem(QString::fromStdString(code));
    for (const auto& [code, name] : currency_choices(m_ws.session()))
      m_currency->addItem(QString::fromStdString(code + " " + name), QString::fromStdString(code));
  });
  // Nothing chosen until the user chooses: the checks ask for a currency.
  m_broker_list->setCurrentIndex(m_broker_list->findText(broker));
  m_currency->setCurrentIndex(m_currency->findData(currency));
}

void TForm_newacc::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) reload_lists();
}

void TForm_newacc::DBLookupComboBox1CloseUp(int index) {
  if (index < 0 || index >= m_broker_list->count()) return;
  const QString code = m_broker_list->itemText(index);
  m_qsdm->setText(code);
  platform::run_guarded(m_ws.dialogs(), [&] {
    m_qs->setText(QString::fromStdString(m_ws.lookups().qsdm_to_qs(code.toStdString())));
  });
}

void TForm_newacc::BitBtn1Click() {
  NewCashAccount account;
  account.qsdm = m_qsdm->text().toStdString();
  account.qs = m_qs->text().toStdString();
  account.zjzh = m_zjzh->text().toStdString();
  account.amount = m_amount->text().toStdString();
  account.bicode = m_currency->currentIndex() < 0
                       ? std::string()
                       : m_currency->currentData().toString().toStdString();
  platform::run_guarded(m_ws.dialogs(), [&] {
    create_cash_account(m_ws.session(), m_ws.lookups(), m_ws.dialogs(), account);
  });
}

void TForm_newacc::BitBtn2Click() { close(); }

void TForm_newacc::Button1Click() {
  if (!m_settings) return;
  m_settings->show_brokers_page();
}

}  // namespace vmx::ledger
