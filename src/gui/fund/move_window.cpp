#include "gui/fund/move_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/fund/investment_types.h"
#include "core/fund/movements.h"
#include "core/platform/error_boundary.h"

namespace vmx::fund {

namespace {

constexpr const char* kInvestorHelp =
    "本操作将在资金进出文件后添加一个记录, 并改变持仓文件中相应资金帐户现金数量。"
    "基金管理窗口的资金进出窗口也记录投资人资金进出; 这里便于添加新投资人, 撤资时暂不做平仓处理, "
    "易于恢复。";

std::string text(const QLineEdit* e) { return e->text().toStdString(); }
std::string text(const QComboBox* c) { return c->currentText().toStdString(); }

}  // namespace

TForm_move::TForm_move(app::Workspace& ws, QWidget* parent)
    : QWidget(parent, Qt::Window), m_ws(ws) {
  setWindowTitle(QStringLiteral("资金转帐"));
  auto* layout = new QVBoxLayout(this);

  auto* g1 =
      new QGroupBox(QStringLiteral("个人投资撤资操作（撤资时暂不做平仓处理，易于恢复）："), this);
  auto* f1 = new QFormLayout(g1);
  m_code = new QComboBox(g1);
  m_code->setEditable(true);
  m_name = new QLineEdit(g1);
  m_account = new QComboBox(g1);
  m_qsdm = new QLabel(g1);
  m_type = new QComboBox(g1);
  m_amount = new QLineEdit(QStringLiteral("1000"), g1);
  m_note = new QLineEdit(g1);
  f1->addRow(QStringLiteral("投资人代码:"), m_code);
  f1->addRow(QStringLiteral("姓名:"), m_name);
  f1->addRow(QStringLiteral("投入帐户:"), m_account);
  f1->addRow(QStringLiteral("券商代码:"), m_qsdm);
  f1->addRow(QStringLiteral("投资类型:"), m_type);
  f1->addRow(QStringLiteral("转移数量(元):"), m_amount);
  f1->addRow(QStringLiteral("注释:"), m_note);
  auto* b1 = new QHBoxLayout;
  auto* ok1 = new QPushButton(QStringLiteral("确定"), g1);
  auto* help1 = new QPushButton(QStringLiteral("帮助"), g1);
  b1->addWidget(ok1);
  b1->addWidget(help1);
  f1->addRow(b1);
  layout->addWidget(g1);
  connect(ok1, &QPushButton::clicked, this, [this] { investor_ok(); });
  connect(help1, &QPushButton::clicked, this, [this] { m_ws.dialogs().inform(kInvestorHelp); });
  connect(m_account, &QComboBox::currentIndexChanged, this,
          [this] { m_qsdm->setText(m_account->currentData().toString()); });
  connect(m_code, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (i >= 0) m_name->setText(m_code->itemData(i).toString());
  });

  auto* g2 = new QGroupBox(QStringLiteral("资金转帐操作"), this);
  auto* f2 = new QFormLayout(g2);
  m_from = new QComboBox(g2);
  m_transfer_amount = new QLineEdit(QStringLiteral("1000"), g2);
  m_to = new QComboBox(g2);
  m_transfer_note = new QLineEdit(g2);
  f2->addRow(QStringLiteral("从帐户"), m_from);
  f2->addRow(QStringLiteral("转移资金"), m_transfer_amount);
  f2->addRow(QStringLiteral("元到帐户"), m_to);
  f2->addRow(QStringLiteral("注释:"), m_transfer_note);
  auto* b2 = new QHBoxLayout;
  auto* ok2 = new QPushButton(QStringLiteral("确定"), g2);
  auto* help2 = new QPushButton(QStringLiteral("帮助"), g2);
  b2->addWidget(ok2);
  b2->addWidget(help2);
  f2->addRow(b2);
  layout->addWidget(g2);
  connect(ok2, &QPushButton::clicked, this, [this] { transfer_ok(); });
  connect(help2, &QPushButton::clicked, this, [this] { m_ws.dialogs().inform(kTransferHelp); });

  auto* back = new QPushButton(QStringLiteral("返回"), this);
  connect(back, &QPushButton::clicked, this, &QWidget::close);
  layout->addWidget(back);
}

void TForm_move::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  platform::run_guarded(m_ws.dialogs(), [this] { fill_lists(); });
}

void TForm_move::fill_lists() {
  m_code->clear();
  for (const auto& [code, name] : investor_list(m_ws.fund()))
    m_code->addItem(QString::fromStdString(code), QString::fromStdString(name));
  m_code->setCurrentIndex(-1);
  m_name->clear();
  for (QComboBox* box : {m_account, m_from, m_to}) {
    box->clear();
    for (const auto& a : cash_accounts(m_ws.ledger()))
      box->addItem(QString::fromStdString(a.zjzh), QString::fromStdString(a.qsdm));
    box->setCurrentIndex(-1);
  }
  TypeBook types(m_ws.session());
  store::Cursor& t = types.cursor();
  m_type->clear();
  for (t.first(); !t.eof(); t.next()) m_type->addItem(QString::fromStdString(t.get_string("Xabc")));
  m_type->setCurrentIndex(-1);
}

void TForm_move::investor_ok() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    InvestorMove m{text(m_code),    text(m_name), m_account->currentData().toString().toStdString(),
                   text(m_account), text(m_type), text(m_amount),
                   text(m_note)};
    move_investor(m_ws.fund(), m);
  });
}

void TForm_move::transfer_ok() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    transfer_accounts(m_ws.fund(),
                      {text(m_from), text(m_to), text(m_transfer_amount), text(m_transfer_note)});
  });
}

}  // namespace vmx::fund
