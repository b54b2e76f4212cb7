#include <QApplication>
#include <QDir>

#include "app/table_browser_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("股票资产管理软件:Valmorix1.1"));
  // The program works on the installation it is started in.
  vmx::app::TableBrowserWindow window(QDir::currentPath());
  window.show();
  return QApplication::exec();
}
