#include "gui/app/about_box.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace vmx::app {

QString program_version() { return QStringLiteral(VMX_VERSION); }

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("关于本软件");
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_FileDialogInfoView).pixmap(64, 64));
  top->addWidget(icon, 0, Qt::AlignTop);
  auto* text = new QLabel(this);
  text->setObjectName("ProductName");
  text->setTextFormat(Qt::RichText);
  text->setText(QStringLiteral("<h2>%1</h2><p>版本 %2</p>"
                               "<p>个人、基金、经纪人用股票期货帐户管理软件</p>"
                               "<p>持仓和委托记录、资金结算、组合统计、基金单位净值、"
                               "投资人报告和组合优化。</p>"
                               "<p>数据保存在安装目录及其中各管理帐户的子目录里。</p>")
                    .arg(QString::fromUtf8(kProgramName), program_version()));
  text->setWordWrap(true);
  top->addWidget(text, 1);
  layout->addLayout(top);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  setMinimumWidth(420);
}

}  // namespace vmx::app
