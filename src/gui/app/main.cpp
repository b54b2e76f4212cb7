#include <QDir>
#include <QIcon>
#include <filesystem>

#include "core/platform/clock.h"
#include "core/platform/durable_dialogs.h"
#include "core/store/session.h"
#include "gui/app/login_window.h"
#include "gui/app/start_place.h"
#include "gui/platform/help_viewer.h"
#include "gui/platform/qt_dialogs.h"
#include "gui/platform/qt_translations.h"
#include "gui/widgets/guarded_application.h"

int main(int argc, char** argv) {
  vmx::ui::GuardedApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("股票资产管理软件:Valmorix1.1"));
  QGuiApplication::setDesktopFileName(QStringLiteral("valmorix"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("valmorix")));
  vmx::platform::install_chinese_translations(app);

  vmx::platform::QtDialogs boxes;
  // What was written is on disk before any box shows.
  vmx::platform::DurableDialogs dialogs(boxes);
  vmx::app::enter_installation(dialogs, QApplication::arguments());
  vmx::platform::SystemClock clock;
  // The help file is the one in the installation directory.
  const std::filesystem::path curr_dir(QDir::currentPath().toStdString());
  vmx::platform::QtHelp help(curr_dir / vmx::app::kHelpFileName);
  vmx::store::Session session;
  app.set_dialogs(&dialogs);
  session.set_dialogs(&dialogs);

  // The program works on the installation it is started in.
  vmx::app::TForm1 login(session, dialogs, clock, help, curr_dir);
  boxes.set_parent(&login);
  QObject::connect(&login, &vmx::app::TForm1::closed, &app, &QApplication::quit);
  login.show();
  const int rc = QApplication::exec();
  app.set_dialogs(nullptr);
  return rc;
}
