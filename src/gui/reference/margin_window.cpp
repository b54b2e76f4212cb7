#include "gui/reference/margin_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

#include "core/ledger/margin_ratio.h"
#include "core/login/workspace.h"
#include "core/platform/error_boundary.h"
#include "core/store/cursor.h"

namespace vmx::ledger {

namespace {

QSpinBox* spin(int value, int step) {
  auto* s = new QSpinBox;
  // Negative figures mean nothing here; 0 is allowed so that its message can
  // say what is wrong.
  s->setRange(0, std::numeric_limits<int>::max());
  s->setSingleStep(step);
  s->setValue(value);
  s->setMinimumWidth(120);
  return s;
}

}  // namespace

TForm_bzj::TForm_bzj(app::Workspace& workspace, store::Cursor& types, QWidget* parent)
    : QDialog(parent), m_ws(workspace), m_types(types) {
  setObjectName("TForm_bzj");
  setWindowTitle("期货保证金计算");

  auto* layout = new QVBoxLayout(this);
  auto* note = new QLabel(
      "如果保证金按成交金额的比率收取，直接在类型表中输入保证金比率即可；"
      "本窗口只用于按每手固定金额收取保证金的品种。");
  note->setWordWrap(true);
  layout->addWidget(note);

  m_type = new QLineEdit;
  m_type->setReadOnly(true);
  m_margin = spin(1500, 10);
  m_units = spin(10, 1);
  m_price = spin(3000, 1);
  m_result = new QLineEdit("0.05");
  auto* form = new QFormLayout;
  form->addRow("证券类型:", m_type);
  form->addRow("每手保证金金额", m_margin);
  form->addRow("每手包含交易单位数量", m_units);
  form->addRow("市价(单位交易额):", m_price);
  form->addRow("保证金比率＝(每手保证金/每手交易单位数量)/市价＝", m_result);
  layout->addLayout(form);

  auto* buttons = new QHBoxLayout;
  m_compute = new QPushButton("计算");
  m_store = new QPushButton("确定退出");
  m_give_up = new QPushButton("放弃退出");
  m_help = new QPushButton("帮助");
  for (QPushButton* b : {m_compute, m_store, m_give_up, m_help}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  layout->addLayout(buttons);

  connect(m_compute, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  connect(m_store, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
  connect(m_give_up, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(m_help, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
}

TForm_bzj::~TForm_bzj() = default;

TForm_bzj* TForm_bzj::launch(app::Workspace& workspace, store::Cursor& types, QWidget* parent) {
  auto* w = new TForm_bzj(workspace, types, parent);
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->open();
  return w;
}

void TForm_bzj::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  platform::run_guarded(m_ws.dialogs(), [this] {
    m_type->setText(QString::fromStdString(current_type_caption(m_types)));
  });
}

void TForm_bzj::BitBtn2Click() {
  platform::run_guarded(m_ws.dialogs(), [this] {
    const double ratio = margin_ratio(m_margin->value(), m_units->value(), m_price->value());
    m_result->setText(QString::fromStdString(margin_ratio_text(ratio)));
  });
}

void TForm_bzj::BitBtn4Click() {
  if (platform::run_guarded(
          m_ws.dialogs(), [this] { store_margin_ratio(m_types, m_result->text().toStdString()); }))
    accept();
}

void TForm_bzj::BitBtn1Click() { reject(); }

void TForm_bzj::BitBtn3Click() { m_ws.dialogs().inform(kHelpText); }

}  // namespace vmx::ledger
