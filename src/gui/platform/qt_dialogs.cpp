#include "gui/platform/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace vmx::platform {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
QString title() { return QApplication::applicationName(); }
}  // namespace

void QtDialogs::inform(const std::string& text) {
  QMessageBox::information(m_parent, title(), q(text));
}

void QtDialogs::warn(const std::string& text) { QMessageBox::warning(m_parent, title(), q(text)); }

void QtDialogs::error(const std::string& text) {
  QMessageBox::critical(m_parent, title(), q(text));
}

bool QtDialogs::ask(const std::string& text) {
  return QMessageBox::question(m_parent, title(), q(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::acknowledge_at(const std::string& text, int x, int y) {
  QMessageBox box(QMessageBox::Information, title(), q(text), QMessageBox::Ok, m_parent);
  box.move(x, y);
  box.exec();
}

std::optional<std::string> QtDialogs::input(const std::string& caption, const std::string& prompt,
                                            const std::string& initial) {
  bool ok = false;
  const QString s =
      QInputDialog::getText(m_parent, q(caption), q(prompt), QLineEdit::Normal, q(initial), &ok);
  if (!ok) return std::nullopt;
  return s.toStdString();
}

std::optional<std::string> QtDialogs::pick_file(const std::string& caption,
                                                const std::string& directory,
                                                const std::string& filter) {
  const QString f = QFileDialog::getOpenFileName(m_parent, q(caption), q(directory), q(filter));
  if (f.isEmpty()) return std::nullopt;
  return f.toStdString();
}

std::optional<std::string> QtDialogs::pick_save_file(const std::string& caption,
                                                     const std::string& directory,
                                                     const std::string& filter) {
  const QString f = QFileDialog::getSaveFileName(m_parent, q(caption), q(directory), q(filter));
  if (f.isEmpty()) return std::nullopt;
  return f.toStdString();
}

}  // namespace vmx::platform
