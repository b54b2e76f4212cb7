#pragma once

#include <QLineEdit>

namespace vmx::ui {

// A password box that shows "#" for every typed character, whatever the
// desktop style's own mask is: the login, the password and the account
// windows all mask this way.
QLineEdit* make_password_edit(QWidget* parent = nullptr);

}  // namespace vmx::ui
