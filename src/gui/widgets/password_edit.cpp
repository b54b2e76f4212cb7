#include "gui/widgets/password_edit.h"

#include <QProxyStyle>

namespace vmx::ui {

namespace {

class HashPasswordStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* ret) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '#';
    return QProxyStyle::styleHint(hint, option, widget, ret);
  }
};

}  // namespace

QLineEdit* make_password_edit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  auto* style = new HashPasswordStyle;
  style->setParent(edit);
  edit->setStyle(style);
  edit->setEchoMode(QLineEdit::Password);
  return edit;
}

}  // namespace vmx::ui
