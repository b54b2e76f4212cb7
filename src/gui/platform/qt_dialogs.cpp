#include "gui/platform/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace vmx::platform {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

bool stays_on_top(const QWidget* w) {
  return w && w->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

// A dialog of `owner`: modal, and on top when its owner is.
void attach(QDialog& dialog, QWidget* owner) {
  if (stays_on_top(owner)) dialog.setWindowFlags(dialog.windowFlags() | Qt::WindowStaysOnTopHint);
  dialog.setWindowModality(Qt::ApplicationModal);
}

int show_box(QWidget* owner, QMessageBox::Icon icon, const std::string& text,
             QMessageBox::StandardButtons buttons, QMessageBox::StandardButton default_button,
             const QPoint* at = nullptr) {
  QMessageBox box(icon, QString::fromUtf8(kBoxTitle), q(text), buttons, owner);
  box.setDefaultButton(default_button);
  attach(box, owner);
  if (at) box.move(*at);
  const int answer = box.exec();
  // Back to the window that caused the box, not to whichever the desktop
  // picks (the login window would otherwise come to the front).
  if (owner && owner->isVisible()) owner->activateWindow();
  return answer;
}

}  // namespace

QWidget* QtDialogs::owner() const {
  QWidget* w = QApplication::activeModalWidget();
  if (!w) w = QApplication::activeWindow();
  if (!w && m_last && m_last->isVisible()) w = m_last;
  if (!w) w = m_fallback;
  m_last = w;
  return w;
}

void QtDialogs::inform(const std::string& text) {
  show_box(owner(), QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogs::warn(const std::string& text) {
  show_box(owner(), QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogs::error(const std::string& text) {
  show_box(owner(), QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogs::ask(const std::string& text) {
  return show_box(owner(), QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No,
                  QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::acknowledge_at(const std::string& text, int x, int y) {
  const QMessageBox::StandardButton button =
      text.find("Yes") != std::string::npos ? QMessageBox::Yes : QMessageBox::Ok;
  const QPoint at(x, y);
  show_box(owner(), QMessageBox::Information, text, button, button, &at);
}

std::optional<std::string> QtDialogs::input(const std::string& caption, const std::string& prompt,
                                            const std::string& initial) {
  QWidget* parent = owner();
  QInputDialog dialog(parent);
  dialog.setWindowTitle(q(caption));
  dialog.setLabelText(q(prompt));
  dialog.setTextValue(q(initial));
  attach(dialog, parent);
  const bool ok = dialog.exec() == QDialog::Accepted;
  if (parent && parent->isVisible()) parent->activateWindow();
  if (!ok) return std::nullopt;
  return dialog.textValue().toStdString();
}

namespace {

std::optional<std::string> pick(QWidget* parent, QFileDialog::AcceptMode mode,
                                const std::string& caption, const std::string& directory,
                                const std::string& filter) {
  QFileDialog dialog(parent, q(caption), q(directory), q(filter));
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  attach(dialog, parent);
  const bool ok = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  if (parent && parent->isVisible()) parent->activateWindow();
  if (!ok) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace

std::optional<std::string> QtDialogs::pick_file(const std::string& caption,
                                                const std::string& directory,
                                                const std::string& filter) {
  return pick(owner(), QFileDialog::AcceptOpen, caption, directory, filter);
}

std::optional<std::string> QtDialogs::pick_save_file(const std::string& caption,
                                                     const std::string& directory,
                                                     const std::string& filter) {
  return pick(owner(), QFileDialog::AcceptSave, caption, directory, filter);
}

void show_above(QWidget& window, const QWidget* cause) {
  const bool on_top = stays_on_top(cause);
  if (window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) != on_top) {
    const bool was_visible = window.isVisible();
    window.setWindowFlag(Qt::WindowStaysOnTopHint, on_top);  // hides the window
    if (was_visible) window.show();
  }
  window.show();
  window.raise();
  window.activateWindow();
}

}  // namespace vmx::platform
